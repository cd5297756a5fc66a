#pragma once
// Where the client finds the ad service and how it introduces itself. The host is a
// build setting (ZUNEIGO_SERVICE_HOST, default "localhost:8080").
#include <string>

namespace zuneigo {

// Host, with ":port" when it is not 80 (the built-in one unless SetServiceHost changed it).
std::string ServiceHost();
// The host the build was made for (ZUNEIGO_SERVICE_HOST).
std::string BuiltInServiceHost();
// True for "HOST" or "HOST:PORT" as a user may give it: a host name or IPv4 address
// (letters, digits, '.', '-', '_') and a port from 1 to 65535 in decimal.
bool IsServiceHost(const std::string& text);
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
