#pragma once
// What the client accepts as a finished request but a script must not take for one.
#include "http/CustomHttpCli.h"

#include <string>

namespace zuneigo::fetch {

// Empty when the answer is whole; otherwise why not: no answer at all, or a document
// shorter than the Content-Length of its (last) response.
std::string AnswerShortfall(const TCustomHttpCli& cli, THttpRequest kind);

} // namespace zuneigo::fetch
