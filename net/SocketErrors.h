#pragma once
// Texts of the socket library's error codes (10004 ... 11004).
#include <string>

namespace zuneigo {

// "Connection refused" for 10061, "No Error" for 0, "Not a WinSock error" for codes
// without a text of their own.
std::string SocketErrorText(int code);

} // namespace zuneigo
