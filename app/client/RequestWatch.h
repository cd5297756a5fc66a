#pragma once
// Keeps a request of the client from waiting for ever: a request that receives nothing for
// the idle limit is cut off, and a program that closes cuts off the request that waits, so
// the synchronous call returns in both cases.
//
// Layer: app/client; no Qt.
#include "base/Exception.h"
#include "http/HttpCli.h"

#include <chrono>

namespace zuneigo {

// How long a request may receive nothing (no header line, no document byte, no step of
// its own) before it is given up.
inline constexpr std::chrono::milliseconds RequestIdleTimeout = std::chrono::seconds(60);

// The limit in force; tests shorten it. Zero or less restores RequestIdleTimeout.
std::chrono::milliseconds RequestIdleLimit();
void SetRequestIdleLimit(std::chrono::milliseconds limit);

// The request was cut off because the program closes: nobody waits for its outcome.
class ERequestAborted : public Exception {
public:
    using Exception::Exception;
};

// The request received nothing for the idle limit.
class ERequestTimedOut : public Exception {
public:
    using Exception::Exception;
};

// Cuts off the request cli is running, if any. Its wait returns, and the action that
// started it raises ERequestAborted.
void AbortRequest(THttpCli& cli);

// Watches the one request of cli that runs while it exists.
class RequestWatch {
public:
    explicit RequestWatch(THttpCli& cli);
    ~RequestWatch();
    RequestWatch(const RequestWatch&) = delete;
    RequestWatch& operator=(const RequestWatch&) = delete;

    THttpCli& Client() const { return cli_; }
    // The error the connection of the request was closed with (a reset, say); 0 for an
    // orderly close.
    std::uint16_t CloseError() const { return closeError_; }
    // Raises ERequestAborted or ERequestTimedOut when the request was cut off.
    void ThrowIfCutOff() const;
    void Abort();

private:
    enum class Cut { None,
                     TimedOut,
                     Aborted };
    struct Progress {
        THttpCliState state;
        std::int64_t received;
        std::size_t headerLines;
        int redirects;
        bool operator==(const Progress&) const = default;
    };

    Progress Now() const;
    void Tick();
    void CutOff(Cut why);

    THttpCli& cli_;
    std::chrono::milliseconds limit_;
    platform::HWND window_ = 0;
    Progress last_{};
    std::chrono::steady_clock::time_point lastChange_;
    Cut cut_ = Cut::None;
    std::uint16_t closeError_ = 0;
    TSessionClosed clientClosed_; // the client's own handler, called after noting the error
};

} // namespace zuneigo
