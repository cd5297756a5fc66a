#pragma once
#include "http/HttpException.h"

#include <string>

namespace zuneigo::test {

// Runs f; the EHttpException it raises as "MESSAGE (CODE)", or "" when none.
template <class F>
std::string HttpFailure(F&& f)
{
    try {
        f();
    } catch (const EHttpException& e) {
        return e.Message() + " (" + std::to_string(e.ErrorCode()) + ")";
    }
    return "";
}

} // namespace zuneigo::test
