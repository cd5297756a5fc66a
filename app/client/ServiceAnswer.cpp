#include "app/client/ServiceAnswer.h"

#include "base/StringUtil.h"
#include "net/SocketErrors.h"

#include <cstdint>

namespace zuneigo {

namespace {

bool IsStatusLine(const std::string& line)
{
    return line.rfind("HTTP/1.0", 0) == 0 || line.rfind("HTTP/1.1", 0) == 0;
}

// The Content-Length of the last answer among the header lines (those of a redirect
// chain accumulate); -1 when it gives none, or none that is a number.
std::int64_t AnnouncedLength(const std::vector<std::string>& header)
{
    std::int64_t length = -1;
    for (const std::string& line : header) {
        if (IsStatusLine(line)) {
            length = -1;
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

std::string AnswerFault(const TCustomHttpCli& cli, std::uint16_t closeError)
{
    const int status = cli.StatusCode();
    if (status == 0)
        return cli.ReceivedCount() == 0 && cli.ReceivedHeader().empty() ? "no answer from the server"
                                                                        : "the answer has no HTTP status line";
    // Statuses of 400 and more are the component's own failures; below 200 is an interim
    // answer and 3xx one whose redirect was not followed (it named no target).
    if (status < 200 || (status >= 300 && status < 400))
        return "no document in the answer: " + std::to_string(status) + " " + cli.ReasonPhrase();
    const std::int64_t expected = AnnouncedLength(cli.ReceivedHeader());
    if (expected >= 0)
        return cli.ReceivedCount() < expected ? "document incomplete: " + std::to_string(cli.ReceivedCount()) +
                " of " + std::to_string(expected) + " bytes"
                                              : "";
    // Without a length only an orderly close ends the document.
    if (closeError != 0)
        return "connection broken off: " + SocketErrorText(closeError) + " (Error #" + std::to_string(closeError) +
            ")";
    return "";
}

} // namespace zuneigo
