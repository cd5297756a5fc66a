#include "app/core/ServiceSettings.h"

#ifndef ZUNEIGO_SERVICE_HOST
#define ZUNEIGO_SERVICE_HOST "localhost:8080"
#endif

namespace zuneigo {

std::string ServiceHost()
{
    return ZUNEIGO_SERVICE_HOST;
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
