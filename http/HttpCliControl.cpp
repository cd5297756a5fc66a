// The life of a request: start, lookup, connect, end, redirects and the synchronous call.
#include "base/IntText.h"
#include "http/CustomHttpCli.h"
#include "http/HttpException.h"

namespace zuneigo {

const char* HttpCliStateName(THttpCliState state)
{
    switch (state) {
    case hsReady: return "hsReady";
    case hsStarting: return "hsStarting";
    case hsConnected: return "hsConnected";
    case hsDnsLookup: return "hsDnsLookup";
    case hsDnsLookupDone: return "hsDnsLookupDone";
    case hsWaitingHeader: return "hsWaitingHeader";
    case hsWaitingBody: return "hsWaitingBody";
    }
    return "?";
}

TCustomHttpCli::TCustomHttpCli() : bodyChunk_(BodyChunkSize) { receiveBuffer_[0] = 0; }

void TCustomHttpCli::ChangeState(THttpCliState s)
{
    if (s == state_)
        return;
    state_ = s;
    Fire(OnStateChange);
    if (s == hsReady)
        PostCliMessage(WM_HTTPCLI_DONE);
}

void TCustomHttpCli::StartRequest(THttpRequest request)
{
    if (state_ != hsReady)
        throw EHttpException("HTTP component is busy", httpErrBusy);
    if (request == rqPost && sendStream_ == nullptr)
        throw EHttpException("HTTP component has nothing to post", httpErrNothingToPost);

    receivedHeader_.clear();
    headerBytes_ = 0;
    requestType_ = request;
    doneError_ = 0;
    relocateOnClose_ = false;
    ChangeState(hsStarting);

    docName_.clear();
    statusCode_ = 0;
    receivedCount_ = 0;
    sentCount_ = 0;
    headerLineCount_ = 0;
    bodyChunkCount_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    sendingBody_ = false;
    redirectPending_ = false;
    redirectCount_ = 0;
    failure_ = nullptr;
    // Bytes left from the previous response must not prefix this one's first line.
    receiveLength_ = 0;

    activeSendStream_ = sendStream_;
    sendStart_ = sendStream_ ? sendStream_->Position() : 0;
    activeRcvdStream_ = rcvdStream_;
    viaProxy_ = !proxy_.empty();
    target_ = DeriveHttpTarget(url_, proxy_, proxyPort_);
    if (!target_.user.empty())
        username_ = target_.user;
    if (!target_.pass.empty())
        password_ = target_.pass;
    docName_ = HttpDocName(url_);

    try {
        BeginLookup();
    } catch (...) {
        // A lookup refused at once (an empty host name, say): the request never got
        // going, so the component is ready again before the caller sees the exception.
        // No OnRequestDone follows, as for the other refusals.
        if (state_ == hsDnsLookup) {
            state_ = hsReady;
            Fire(OnStateChange);
        }
        throw;
    }
}

void TCustomHttpCli::RunRequest(THttpRequest request)
{
    StartRequest(request);
    while (state_ != hsReady)
        WaitForMessages();
    if (statusCode_ >= 400)
        throw EHttpException(reasonPhrase_, static_cast<std::uint16_t>(statusCode_));
    if (failure_)
        std::rethrow_exception(failure_);
}

void TCustomHttpCli::BeginLookup()
{
    ended_ = false;
    resolvedAddress_.clear();
    ChangeState(hsDnsLookup);
    TransportDnsLookup(target_.connectHost);
}

void TCustomHttpCli::HandleDnsLookupDone(std::uint16_t error, const std::string& dnsResult)
{
    if (state_ != hsDnsLookup)
        return;
    if (error != 0) {
        FailLookup(error);
        return;
    }
    resolvedAddress_ = dnsResult;
    ChangeState(hsDnsLookupDone);
    try {
        TransportConnect(resolvedAddress_, target_.connectPort);
    } catch (const std::exception& x) {
        const int e = TransportLastError();
        doneError_ = static_cast<std::uint16_t>(e);
        statusCode_ = 404;
        // A refusal that is not a socket library error (a port text that names no port,
        // say) carries its own explanation; "No Error" would hide it.
        reasonPhrase_ = e != 0 ? "can't connect: " + TransportErrorText(e) + " (Error #" + IntToStr(e) + ")"
                               : "can't connect: " + std::string(x.what());
        TransportClose();
        EndOfRequest();
    }
}

void TCustomHttpCli::FailLookup(std::uint16_t error)
{
    doneError_ = error;
    statusCode_ = 404;
    reasonPhrase_ = "can't resolve hostname to IP address";
    EndOfRequest();
}

void TCustomHttpCli::HandleSessionConnected(std::uint16_t error)
{
    if (state_ != hsDnsLookupDone)
        return;
    if (error != 0) {
        doneError_ = error;
        statusCode_ = 404;
        reasonPhrase_ = TransportErrorText(error) + " (Error #" + IntToStr(error) + ")";
        EndOfRequest();
        return;
    }
    connectionUp_ = true;
    ChangeState(hsConnected);
    Fire(OnSessionConnected);
    ChangeState(hsWaitingHeader);
    try {
        switch (requestType_) {
        case rqPost:
            ComposeRequest("POST", "1.0");
            Fire(OnSendBegin);
            sendingBody_ = true;
            SendNextBodyChunk();
            break;
        case rqHead:
            ComposeRequest("HEAD", "1.0");
            break;
        default:
            ComposeRequest("GET", "1.0");
            break;
        }
    } catch (const std::exception&) {
        // The closure ends the request through the normal end step.
        TransportClose();
        connectionUp_ = false;
    }
}

void TCustomHttpCli::HandleSessionClosed(std::uint16_t)
{
    if (relocateOnClose_)
        Relocate();
    else
        EndOfRequest();
}

void TCustomHttpCli::EndOfRequest()
{
    // One end per connection: a failed connect may be reported by both the failure
    // path and the socket's own closure.
    if (ended_ || state_ == hsReady)
        return;
    ended_ = true;
    connectionUp_ = false;
    if (bodyChunkCount_ > 0)
        Fire(OnDocEnd);
    PostReady();
}

void TCustomHttpCli::Relocate()
{
    connectionUp_ = false;
    redirectPending_ = false;
    relocateOnClose_ = false;
    ended_ = true;
    Fire(OnLocationChange);
    PostCliMessage(WM_HTTPCLI_RELOCATE);
}

bool TCustomHttpCli::HandleCliMessage(unsigned message)
{
    switch (message) {
    case WM_HTTPCLI_DONE:
        if (OnRequestDone)
            OnRequestDone(*this, requestType_, doneError_);
        return true;
    case WM_HTTPCLI_READY:
        ChangeState(hsReady);
        return true;
    case WM_HTTPCLI_RELOCATE:
        if (state_ != hsWaitingHeader)
            return true;
        try {
            BeginLookup();
        } catch (const std::exception&) {
            // The new target's host is refused outright (an empty name): end the
            // request as a failed lookup instead of leaving the component busy.
            ended_ = false;
            FailLookup(11001);
        }
        return true;
    default:
        return false;
    }
}

} // namespace zuneigo
