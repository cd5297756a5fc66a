// deps: zuneigo_service_request
// Reads arbitrary bytes as a request head the way the service does (in the pieces the
// socket hands out, the first byte giving their size), then routes it and reads its query
// and credentials.
#include "service/RequestHead.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace zuneigo::service;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (in.empty())
        return 0;
    const std::size_t piece = static_cast<unsigned char>(in.front()) + 1;
    in.remove_prefix(1);
    TRequestReader reader;
    int status = 0;
    while (status == 0 && !in.empty()) {
        const std::string_view chunk = in.substr(0, piece);
        std::size_t used = 0;
        status = reader.Feed(chunk, &used);
        if (used > chunk.size())
            std::abort();
        in.remove_prefix(chunk.size());
    }
    if (status != 0 && status != 200 && status != 400 && status != 414 && status != 431 && status != 505)
        std::abort();
    if (status != 200)
        return 0;
    const RequestHead& head = reader.Head();
    if (head.path.empty() || head.path[0] != '/')
        std::abort();
    (void)NeedsCredentials(head.path);
    // Only the exact paths of the service are ever served.
    const Route route = FindRoute(head.path);
    if (route != Route::NotFound && head.path.find("..") != std::string::npos)
        std::abort();
    std::array<std::string, zuneigo::AdFieldCount> values;
    if (ParseSubmission(head.query, values)) {
        for (const std::string& v : values)
            if (v.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
                std::abort();
    }
    (void)CheckBasicCredentials(head.authorization, "nomen", "secret");
    return 0;
}
