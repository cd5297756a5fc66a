#include "AnswerCheck.h"

#include "base/StringUtil.h"

#include <cstdint>

namespace zuneigo::fetch {

namespace {

// The Content-Length of the last response in the header lines (those of a redirect
// chain accumulate); -1 when it gives none or one that is not a number.
std::int64_t LastContentLength(const std::vector<std::string>& header)
{
    std::int64_t length = -1;
    for (const std::string& line : header) {
        if (line.rfind("HTTP/1.0", 0) == 0 || line.rfind("HTTP/1.1", 0) == 0) {
            length = -1; // a new response starts
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

} // namespace

std::string AnswerShortfall(const TCustomHttpCli& cli, THttpRequest kind)
{
    if (cli.StatusCode() == 0 && cli.ReceivedCount() == 0)
        return "no answer from the server";
    if (kind == rqHead || cli.StatusCode() == 204 || cli.StatusCode() == 304)
        return "";
    const std::int64_t expected = LastContentLength(cli.ReceivedHeader());
    if (expected >= 0 && cli.ReceivedCount() < expected)
        return "document incomplete: " + std::to_string(cli.ReceivedCount()) + " of " + std::to_string(expected) +
            " bytes";
    return "";
}

} // namespace zuneigo::fetch
