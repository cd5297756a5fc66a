#pragma once
// The HTTP/1.0 client without its transport: properties, request composition, response
// reading, redirects and the request state machine. THttpCli puts it on a TWSocket and
// a hidden window; the transport hooks below are all it needs from them, so the whole
// protocol can also be driven by feeding bytes directly.
#include "base/Stream.h"
#include "http/HttpDate.h"
#include "http/HttpTarget.h"
#include "http/HttpTypes.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace zuneigo {

class TCustomHttpCli;

using TNotifyHttpEvent = std::function<void(TCustomHttpCli& sender)>;
using TOnCommand = std::function<void(TCustomHttpCli& sender, std::string& s)>;
using TDocDataEvent = std::function<void(TCustomHttpCli& sender, const char* buffer, int len)>;
using TCookieRcvdEvent = std::function<void(TCustomHttpCli& sender, const std::string& data, bool& accept)>;
using THttpRequestDone = std::function<void(TCustomHttpCli& sender, THttpRequest rqType, std::uint16_t error)>;

class TCustomHttpCli {
public:
    static constexpr std::size_t ReceiveBufferSize = 8193; // 8192 bytes and a zero byte
    static constexpr std::size_t BodyChunkSize = 8193;
    // Largest piece of document read at once (the header is read 8192 bytes at most).
    static constexpr std::size_t BodyReadSize = 65536;
    // Most header bytes (lines and their ends, all responses of a redirect chain) that
    // a request takes in; a server sending more ends it like an overlong line.
    static constexpr std::size_t HeaderMax = 1 << 20;

    TCustomHttpCli();
    virtual ~TCustomHttpCli() = default;
    TCustomHttpCli(const TCustomHttpCli&) = delete;
    TCustomHttpCli& operator=(const TCustomHttpCli&) = delete;

    // --- Published request properties ---
    const std::string& URL() const { return url_; }
    void SetURL(const std::string& v) { url_ = v; }
    const std::string& Proxy() const { return proxy_; }
    void SetProxy(const std::string& v) { proxy_ = v; }
    const std::string& ProxyPort() const { return proxyPort_; }
    void SetProxyPort(const std::string& v) { proxyPort_ = v; }
    const std::string& Sender() const { return sender_; }
    void SetSender(const std::string& v) { sender_ = v; }
    const std::string& Agent() const { return agent_; }
    void SetAgent(const std::string& v) { agent_ = v; }
    const std::string& Accept() const { return accept_; }
    void SetAccept(const std::string& v) { accept_ = v; }
    const std::string& Reference() const { return reference_; }
    void SetReference(const std::string& v) { reference_ = v; }
    const std::string& Username() const { return username_; }
    void SetUsername(const std::string& v) { username_ = v; }
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& v) { password_ = v; }
    const std::string& ProxyUsername() const { return proxyUsername_; }
    void SetProxyUsername(const std::string& v) { proxyUsername_ = v; }
    const std::string& ProxyPassword() const { return proxyPassword_; }
    void SetProxyPassword(const std::string& v) { proxyPassword_ = v; }
    bool NoCache() const { return noCache_; }
    void SetNoCache(bool v) { noCache_ = v; }
    TDateTime ModifiedSince() const { return modifiedSince_; }
    void SetModifiedSince(TDateTime v) { modifiedSince_ = v; }
    const std::string& Cookie() const { return cookie_; }
    void SetCookie(const std::string& v) { cookie_ = v; }
    const std::string& ContentTypePost() const { return contentTypePost_; }
    void SetContentTypePost(const std::string& v) { contentTypePost_ = v; }
    const std::string& ContentRangeBegin() const { return contentRangeBegin_; }
    void SetContentRangeBegin(const std::string& v) { contentRangeBegin_ = v; }
    const std::string& ContentRangeEnd() const { return contentRangeEnd_; }
    void SetContentRangeEnd(const std::string& v) { contentRangeEnd_ = v; }
    const std::string& AcceptRanges() const { return acceptRanges_; }
    bool MultiThreaded() const { return multiThreaded_; }
    virtual void SetMultiThreaded(bool v) { multiThreaded_ = v; }

    // Caller-owned streams; never freed here.
    TStream* SendStream() const { return sendStream_; }
    void SetSendStream(TStream* s) { sendStream_ = s; }
    TStream* RcvdStream() const { return rcvdStream_; }
    void SetRcvdStream(TStream* s) { rcvdStream_ = s; }

    // --- Request and response information ---
    THttpCliState RequestState() const { return state_; }
    THttpRequest RequestType() const { return requestType_; }
    int StatusCode() const { return statusCode_; }
    const std::string& ReasonPhrase() const { return reasonPhrase_; }
    std::int64_t ContentLength() const { return contentLength_; }
    const std::string& ContentType() const { return contentType_; }
    const std::string& Location() const { return target_.location; }
    const std::string& DocName() const { return docName_; }
    const std::vector<std::string>& ReceivedHeader() const { return receivedHeader_; }
    const std::vector<std::string>& AuthChallenges() const { return authChallenges_; }
    std::int64_t ReceivedCount() const { return receivedCount_; }
    std::int64_t SentCount() const { return sentCount_; }
    bool ConnectionUp() const { return connectionUp_; }
    const std::string& ResolvedAddress() const { return resolvedAddress_; }
    std::uint16_t DoneError() const { return doneError_; }
    const HttpTarget& Target() const { return target_; }
    int RedirectCount() const { return redirectCount_; }
    // A failure of the request that is neither a transport failure nor an HTTP status:
    // a header line or header too long (EHttpException, code 4) or a document that could not be
    // written to RcvdStream (the stream's exception). Null when none; RunRequest raises it.
    std::exception_ptr Failure() const { return failure_; }

    // --- Requests ---
    void StartRequest(THttpRequest request);
    void RunRequest(THttpRequest request);
    void Get() { RunRequest(rqGet); }
    void Post() { RunRequest(rqPost); }
    void Head() { RunRequest(rqHead); }

    // Builds the request header and hands it to the transport in one piece.
    void ComposeRequest(const std::string& method, const std::string& version);
    void AddRequestLine(const std::string& line);
    void SendNextBodyChunk();

    // --- Events ---
    TNotifyHttpEvent OnStateChange;
    TNotifyHttpEvent OnSessionConnected;
    THttpRequestDone OnRequestDone;
    TOnCommand OnCommand;
    TNotifyHttpEvent OnRequestHeaderBegin;
    TNotifyHttpEvent OnRequestHeaderEnd;
    TNotifyHttpEvent OnSendBegin;
    TDocDataEvent OnSendData;
    TNotifyHttpEvent OnSendEnd;
    TNotifyHttpEvent OnHeaderBegin;
    TNotifyHttpEvent OnHeaderData;
    TNotifyHttpEvent OnHeaderEnd;
    TNotifyHttpEvent OnDocBegin;
    TDocDataEvent OnDocData;
    TNotifyHttpEvent OnDocEnd;
    TNotifyHttpEvent OnLocationChange;
    TCookieRcvdEvent OnCookie;

protected:
    // --- Transport hooks ---
    // Starts looking up host; the outcome arrives through HandleDnsLookupDone. May raise
    // when the lookup is refused at once.
    virtual void TransportDnsLookup(const std::string& host) = 0;
    // Starts connecting; the outcome arrives through HandleSessionConnected. Raises when
    // the attempt cannot be started; TransportLastError then gives the code.
    virtual void TransportConnect(const std::string& addr, const std::string& port) = 0;
    virtual int TransportLastError() = 0;
    virtual std::string TransportErrorText(int error) = 0;
    virtual void TransportSend(const void* data, std::size_t len) = 0;
    // One read; the count, or 0 or less when nothing was read.
    virtual long TransportReceive(void* buffer, std::size_t len) = 0;
    // Closes the connection; the transport reports the closure through
    // HandleSessionClosed, possibly before returning.
    virtual void TransportClose() = 0;
    // Posts one of the WM_HTTPCLI_* messages to the client's own window.
    virtual void PostCliMessage(unsigned message) = 0;
    // Handles the pending messages of the thread (waiting for the next one when none is
    // pending); called in a loop while a synchronous request runs.
    virtual void WaitForMessages() = 0;

    // --- Transport events ---
    void HandleDnsLookupDone(std::uint16_t error, const std::string& dnsResult);
    void HandleSessionConnected(std::uint16_t error);
    void HandleSessionClosed(std::uint16_t error);
    void HandleDataAvailable(std::uint16_t error);
    void HandleDataSent(std::uint16_t error)
    {
        (void)error;
        SendNextBodyChunk();
    }
    // Returns false for messages that are not the client's own.
    bool HandleCliMessage(unsigned message);

private:
    void ChangeState(THttpCliState s);
    void PostReady() { PostCliMessage(WM_HTTPCLI_READY); }
    void BeginLookup();
    void EndOfRequest();
    void Relocate();
    void FailLookup(std::uint16_t error);
    void ProcessHeaderLine();
    void ProcessHeaderField(const std::string& name, const std::string& value);
    void DeliverBodyData();
    void DeliverHeldBytes();
    void Fail(std::exception_ptr failure);
    void Fire(const TNotifyHttpEvent& e)
    {
        if (e) e(*this);
    }

    // Properties.
    std::string url_, proxy_, proxyPort_ = "80", sender_;
    std::string agent_ = "Mozilla/3.0 (compatible)";
    std::string accept_ = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    std::string reference_, username_, password_, proxyUsername_, proxyPassword_;
    bool noCache_ = false;
    TDateTime modifiedSince_ = 0;
    std::string cookie_;
    std::string contentTypePost_ = "application/x-www-form-urlencoded";
    std::string contentRangeBegin_, contentRangeEnd_, acceptRanges_;
    bool multiThreaded_ = false;
    TStream* sendStream_ = nullptr;
    TStream* rcvdStream_ = nullptr;
    // What the running request was started with: setting the properties during a
    // request (a refused second call does) must not redirect its data.
    TStream* activeSendStream_ = nullptr;
    std::int64_t sendStart_ = 0; // where the body starts in activeSendStream_
    TStream* activeRcvdStream_ = nullptr;
    bool viaProxy_ = false;

    // Request state.
    THttpCliState state_ = hsReady;
    THttpRequest requestType_ = rqNone;
    std::uint16_t doneError_ = 0;
    bool connectionUp_ = false;
    std::string resolvedAddress_;
    HttpTarget target_;
    std::string docName_;
    int statusCode_ = 0;
    std::string reasonPhrase_;
    std::int64_t contentLength_ = -1;
    std::string contentType_;
    std::vector<std::string> receivedHeader_;
    std::size_t headerBytes_ = 0; // header bytes taken in by the current request
    std::vector<std::string> authChallenges_;
    std::int64_t receivedCount_ = 0;
    std::int64_t sentCount_ = 0;
    int headerLineCount_ = 0;
    int bodyChunkCount_ = 0;
    bool sendingBody_ = false;
    bool redirectPending_ = false;
    bool relocateOnClose_ = false; // the next closure restarts the request at the new target
    int redirectCount_ = 0;
    bool ended_ = false; // the end step of the current connection has run
    std::exception_ptr failure_;

    std::string requestBuffer_;
    std::vector<char> bodyChunk_;
    char receiveBuffer_[ReceiveBufferSize];
    std::vector<char> bodyBuffer_; // allocated with the first document piece
    std::size_t receiveLength_ = 0;
    // The last line, or while the document is read the last piece, as a view into
    // receiveBuffer_ or lineCopy_.
    const char* currentData_ = nullptr;
    std::size_t currentLen_ = 0;
    std::string lineCopy_;
};

} // namespace zuneigo
