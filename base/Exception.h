#pragma once
// The root of the system's exceptions: a message and nothing else.
#include <stdexcept>
#include <string>

namespace zuneigo {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A text that is not a number under the integer rules.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Stream failures: a read that got fewer bytes than asked, a write that stored fewer.
class EReadError : public Exception {
public:
    using Exception::Exception;
};
class EWriteError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

} // namespace zuneigo
