#pragma once
// The body of a POST from --data-file.
#include "base/Stream.h"

#include <memory>
#include <string>

namespace zuneigo::fetch {

// A regular file with a size is read as the request goes (the size is its
// Content-Length). Anything else (a pipe, a terminal, a device, a file whose size says
// nothing, as under /proc) is read whole first, so that the length sent is true. Raises
// Exception for a folder and for what cannot be opened or read.
std::unique_ptr<TStream> OpenDataFile(const std::string& path);

} // namespace zuneigo::fetch
