#pragma once
// The length an answer announced, read back from the header lines the client kept.
#include <cstdint>
#include <string>
#include <vector>

namespace zuneigo {

// The Content-Length of the last answer among the header lines (those of a redirect
// chain accumulate); -1 when it gives none, or none that is a number.
std::int64_t LastContentLength(const std::vector<std::string>& header);

} // namespace zuneigo
