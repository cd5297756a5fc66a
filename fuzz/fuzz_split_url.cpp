// deps: zuneigo_http zuneigo_base
// Splits arbitrary addresses and checks that the parts come from the input.
#include "http/UrlUtil.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    const zuneigo::UrlParts p = zuneigo::SplitUrl(url);
    const std::size_t total = p.user.size() + p.pass.size() + p.host.size() + p.port.size() + p.path.size();
    if (total > size)
        std::abort();
    // Every part except the implied scheme is a piece of the address.
    for (const std::string* part : {&p.user, &p.pass, &p.host, &p.port, &p.path})
        if (url.find(*part) == std::string_view::npos)
            std::abort();
    if (p.proto != "http" && p.proto != "mailto" && url.find(p.proto) == std::string_view::npos)
        std::abort();
    (void)zuneigo::FindNth("/", url, -1);
    (void)zuneigo::FindNth("/", url, 3);
    return 0;
}
