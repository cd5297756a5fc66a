#include "app/client/ServiceAnswer.h"

#include "http/AnswerLength.h"
#include "net/SocketErrors.h"

#include <cstdint>

namespace zuneigo {

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
    const std::int64_t expected = LastContentLength(cli.ReceivedHeader());
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
