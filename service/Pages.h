#pragma once
// The German pages of the service (Windows-1252) and the texts of its answers.
#include <cstdint>
#include <ctime>
#include <string>

namespace zuneigo::service {

inline constexpr const char* HtmlType = "text/html; charset=windows-1252";

std::string HomePage(std::uint64_t recordCount);
std::string SubmittedPage();
// The 503 page for a connection beyond the client limit.
std::string BusyPage();
// A short page for a failure status.
std::string StatusPage(int status);
const char* ReasonPhrase(int status);
// "Sun, 06 Nov 1994 08:49:37 GMT"
std::string HttpDate(std::time_t t);

} // namespace zuneigo::service
