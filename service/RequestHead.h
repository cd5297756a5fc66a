#pragma once
// Reading an HTTP request head and its query, without sockets: the server feeds the lines
// it receives, the fuzzer feeds arbitrary bytes. Every failure is an HTTP status.
#include "app/core/AdRecord.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zuneigo::service {

// Limits of the request line and of the header lines together (line ends included). A
// submission carries a whole ad in its request line, so that line may be long.
inline constexpr std::size_t MaxRequestLine = 64 * 1024;
inline constexpr std::size_t MaxHeaderBytes = 8192;

enum class Route { Home,
                   Database,
                   Submit,
                   NotFound };

struct RequestHead {
    std::string method;
    std::string target;
    std::string path;  // undecoded: only the exact paths of the service ever match
    std::string query; // without the "?"
    int minorVersion = 0;
    std::string authorization;
};

// Collects a request head line by line.
class TRequestReader {
public:
    // One line with its LF (a CR before it is dropped). Returns 0 while more lines are
    // needed, 200 when the head is complete, or the status of the failure: 400 malformed,
    // 414 request line too long, 431 header too long, 505 not HTTP/1.x.
    int AddLine(std::string_view line);
    // Checks bytes received but not yet ended by a LF; 0, 414 or 431.
    int CheckPending(std::size_t pending) const;
    // Bytes as they arrive, cut into lines here: 0 while more are needed, else the status
    // as AddLine gives it. A CR followed by anything but LF is 400 at once, and an
    // unended line never holds more than the limits allow. Bytes behind a complete head
    // are not looked at: *used tells how many bytes the head took of data.
    int Feed(std::string_view data, std::size_t* used = nullptr);
    bool HasRequestLine() const { return hasRequestLine_; }
    const RequestHead& Head() const { return head_; }

private:
    int ParseRequestLine(std::string_view line);
    int ParseHeaderLine(std::string_view line);

    RequestHead head_;
    bool hasRequestLine_ = false;
    bool hasAuthorization_ = false;
    int hostCount_ = 0;
    std::size_t headerBytes_ = 0;
    std::string pending_; // the line not yet ended by a LF
};

// Splits an origin-form ("/path?query") or absolute-form ("http://host[:port]/path")
// target; false for any other form.
bool SplitTarget(std::string_view target, std::string& path, std::string& query);
Route FindRoute(std::string_view path);
// Paths under "/kelto/" demand the credentials, whether they exist or not.
bool NeedsCredentials(std::string_view path);

// Undoes "+" and "%XX"; false on a "%" without two hexadecimal digits.
bool DecodeQueryValue(std::string_view text, std::string& out);
// Exactly the keys T1 to T14, each once, in any order, with valid escapes and no CR, LF
// or NUL in a decoded value. values[i] is the value of key T(i+1).
bool ParseSubmission(std::string_view query, std::array<std::string, AdFieldCount>& values);

// True when the Authorization value is "Basic" credentials of exactly this user name and
// password.
bool CheckBasicCredentials(std::string_view authorization, std::string_view user, std::string_view password);

} // namespace zuneigo::service
