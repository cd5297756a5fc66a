#pragma once
// The HTTP client's exception: a message and a 16-bit code. Codes below 100 are the
// client's own (1 busy, 2 nothing to post, 4 header line or whole header too long);
// otherwise the code is the HTTP status of the completed request (508 after too many
// redirections).
#include "base/Exception.h"

#include <cstdint>
#include <string>

namespace zuneigo {

class EHttpException : public Exception {
public:
    EHttpException(const std::string& message, std::uint16_t errorCode)
        : Exception(message),
          errorCode_(errorCode)
    {
    }
    std::uint16_t ErrorCode() const { return errorCode_; }

private:
    std::uint16_t errorCode_;
};

} // namespace zuneigo
