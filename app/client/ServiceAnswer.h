#pragma once
// What the HTTP component takes for a finished request but the client must not take for a
// good answer: nothing came back, no status line came, the status is no document (an
// interim answer or a redirect that names no target), the document is shorter than its
// answer announced, or, where it announced no length, the connection that ends it broke off.
//
// Layer: app/client; no Qt.
#include "base/Exception.h"
#include "http/CustomHttpCli.h"

#include <string>

namespace zuneigo {

// The answer was not a whole document.
class EServiceAnswer : public Exception {
public:
    using Exception::Exception;
};

// Why the answer of the finished GET of cli is not a whole document; empty when it is.
// closeError: the error its connection was closed with (0 for an orderly close).
std::string AnswerFault(const TCustomHttpCli& cli, std::uint16_t closeError);

} // namespace zuneigo
