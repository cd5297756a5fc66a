#include "app/core/ServiceSettings.h"

#include <cctype>

#ifndef ZUNEIGO_SERVICE_HOST
#define ZUNEIGO_SERVICE_HOST "localhost:8080"
#endif

namespace zuneigo {

namespace {
std::string& HostOverride()
{
    static std::string host;
    return host;
}
} // namespace

std::string BuiltInServiceHost()
{
    return ZUNEIGO_SERVICE_HOST;
}

std::string ServiceHost()
{
    return HostOverride().empty() ? BuiltInServiceHost() : HostOverride();
}

bool IsServiceHost(const std::string& text)
{
    const std::size_t colon = text.find(':');
    const std::string host = text.substr(0, colon);
    if (host.empty() || host.front() == '-' || host.front() == '.')
        return false;
    for (const char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            return false;
    if (colon == std::string::npos)
        return true;
    const std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.front() == '0')
        return false;
    for (const char c : port)
        if (c < '0' || c > '9')
            return false;
    return std::stoul(port) <= 65535;
}

void SetServiceHost(const std::string& host)
{
    HostOverride() = host;
}

std::string DatabaseUrl()
{
    return "http://" + ServiceHost() + "/kelto/kelto.txt";
}

std::string SubmitUrlPrefix()
{
    return "http://" + ServiceHost() + "/kelto/addkelto.cgi?T1=";
}

std::string HomepageUrl()
{
    return "http://" + ServiceHost() + "/";
}

std::string ServicePassword()
{
    std::string password = "cor";
    password += "az";
    password += "on";
    return password;
}

} // namespace zuneigo
