#pragma once
// Where the client finds the ad service and how it introduces itself. The host is a
// build setting (ZUNEIGO_SERVICE_HOST, default "localhost:8080").
#include <string>

namespace zuneigo {

// Host, with ":port" when it is not 80.
std::string ServiceHost();
// Replaces the built-in host for the rest of the run (tests point the client at servers
// of their own); an empty host restores the built-in one.
void SetServiceHost(const std::string& host);
// "http://HOST/kelto/kelto.txt": the whole ad database.
std::string DatabaseUrl();
// "http://HOST/kelto/addkelto.cgi?T1=": the submission, followed by the encoded values.
std::string SubmitUrlPrefix();
// "http://HOST/": the service's home page.
std::string HomepageUrl();

// Basic credentials every request of the client carries.
inline constexpr const char* ServiceUsername = "nomen";
// Joined at run time from three pieces; no constant holds the whole password.
std::string ServicePassword();

// Settings of the client's HTTP component.
inline constexpr const char* ServiceProxyPort = "80";
inline constexpr const char* ServiceAgent = "Mozilla/3.0 (compatible)";
inline constexpr const char* ServiceAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
inline constexpr const char* ServiceContentTypePost = "application/x-www-form-urlencoded";

} // namespace zuneigo
