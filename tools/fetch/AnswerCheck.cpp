#include "AnswerCheck.h"

#include "http/AnswerLength.h"

#include <cstdint>

namespace zuneigo::fetch {

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
