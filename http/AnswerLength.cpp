#include "http/AnswerLength.h"

#include "base/StringUtil.h"

namespace zuneigo {

std::int64_t LastContentLength(const std::vector<std::string>& header)
{
    std::int64_t length = -1;
    for (const std::string& line : header) {
        if (line.rfind("HTTP/1.0", 0) == 0 || line.rfind("HTTP/1.1", 0) == 0) {
            length = -1; // a new answer starts
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || !SameText(Trim(line.substr(0, colon)), "content-length"))
            continue;
        const std::string value = Trim(line.substr(colon + 1));
        length = value.empty() || value.size() > 18 ? -1 : 0;
        for (std::size_t i = 0; length >= 0 && i < value.size(); ++i)
            length = value[i] >= '0' && value[i] <= '9' ? length * 10 + (value[i] - '0') : -1;
    }
    return length;
}

} // namespace zuneigo
