#include "app/core/ServiceSettings.h"

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

std::string ServiceHost()
{
    return HostOverride().empty() ? std::string(ZUNEIGO_SERVICE_HOST) : HostOverride();
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
