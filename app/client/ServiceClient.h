#pragma once
// The client's side of the ad service, without a window: the settings of its one HTTP
// component and the two requests it makes. The main window and zuneigo-search both go
// through here, so a script fetches the database exactly as the window does.
//
// Layer: app/client sits on http and app/core and below app/gui and tools; no Qt.
#include "app/client/RequestWatch.h"
#include "app/client/ServiceAnswer.h"
#include "app/core/AdDatabase.h"
#include "http/HttpCli.h"

#include <functional>
#include <string>

namespace zuneigo {

// The settings every request of the client carries: agent, accepted types, the service's
// Basic credentials (the password joined at run time), proxy port and post type.
void ApplyServiceSettings(TCustomHttpCli& cli);

// Called with the received share of the document in percent (0 to 100), when the server
// announced its length, at most a few times a second.
using DownloadProgress = std::function<void(int percent)>;

// One synchronous GET of url, directly or through proxy as typed ("host" or "host:port";
// empty for a direct connection), into a stream of its own that is gone when the call
// returns. Returns normally only for a whole answer: a status line with a status below 400
// that is not a redirect left unfollowed, and as many document bytes as the answer
// announced. Raises what Get raises, EServiceAnswer for any other answer, ERequestTimedOut
// after RequestIdleTimeout without receiving anything, ERequestAborted when AbortRequest
// cut it off (RequestWatch.h).
//
// While cli is busy with another request (this call then runs inside that request's
// wait), the settings are left alone and Get refuses at once: the running request keeps
// its address, proxy, stream and events.
void FetchDocument(THttpCli& cli, const std::string& url, const std::string& proxy);

// The same for the ad database: the document's lines are appended to db (the caller
// empties it first) once the answer proved whole; nothing is appended otherwise. A
// document that announces its length is received into a buffer of that size, so a large
// database is held once, not regrown.
void FetchDatabase(THttpCli& cli, const std::string& url, const std::string& proxy, AdDatabase& db,
                   const DownloadProgress& progress = {});

// The received share in percent for ReceivedCount of ContentLength; 0 when the length is
// unknown.
int DownloadPercent(std::int64_t received, std::int64_t contentLength);

} // namespace zuneigo
