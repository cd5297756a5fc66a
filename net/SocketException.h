#pragma once
// The exception of the socket layer: a message and nothing else.
#include "base/Exception.h"

namespace zuneigo {

class ESocketException : public Exception {
public:
    using Exception::Exception;
};

} // namespace zuneigo
