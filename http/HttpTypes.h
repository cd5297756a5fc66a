#pragma once
// Request kinds and states of the HTTP client, and its private message numbers.
#include <cstdint>

namespace zuneigo {

enum THttpRequest : std::uint8_t { rqNone = 0,
                                   rqGet = 1,
                                   rqPost = 2,
                                   rqHead = 3 };

enum THttpCliState : std::uint8_t {
    hsReady = 0,         // idle; a request may be started
    hsStarting = 1,      // request accepted, target being derived
    hsConnected = 2,     // connection established
    hsDnsLookup = 3,     // host name lookup running
    hsDnsLookupDone = 4, // host resolved, connection being opened
    hsWaitingHeader = 5, // request sent, response header awaited
    hsWaitingBody = 6,   // header complete, document being received
};

const char* HttpCliStateName(THttpCliState state);

// Posted to the client's own hidden window; both parameters are 0.
constexpr unsigned WM_HTTPCLI_DONE = 1024 + 1;
constexpr unsigned WM_HTTPCLI_READY = 1024 + 2;
constexpr unsigned WM_HTTPCLI_RELOCATE = 1024 + 3;

// Error codes of EHttpException that are not HTTP statuses.
constexpr std::uint16_t httpErrBusy = 1;
constexpr std::uint16_t httpErrNothingToPost = 2;
constexpr std::uint16_t httpErrLineTooLong = 4;
// Status given to a request that was redirected more than MaxRedirects times.
constexpr int httpStatusTooManyRedirects = 508;
constexpr int MaxRedirects = 20;

} // namespace zuneigo
