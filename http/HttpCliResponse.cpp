// Reading the answer: header lines cut in one fixed buffer, the status line and header
// fields, the document pieces, and the end of a redirect response.
#include "base/IntText.h"
#include "base/StringUtil.h"
#include "http/CustomHttpCli.h"
#include "http/HttpException.h"
#include "http/UrlUtil.h"

#include <cstring>

namespace zuneigo {

namespace {

constexpr std::size_t HeldMax = TCustomHttpCli::ReceiveBufferSize - 1;

// A decimal byte count; -1 when the text is not one. Sizes beyond 2 GiB are ordinary.
std::int64_t ParseLength(std::string_view s)
{
    s = s.substr(0, s.find_last_not_of(' ') + 1);
    if (s.empty() || s.size() > 18)
        return -1;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Characters from 1-based position `from`, `count` of them (fewer at the end).
std::string Copy(const std::string& s, std::size_t from, std::size_t count = std::string::npos)
{
    return from - 1 < s.size() ? s.substr(from - 1, count) : std::string();
}

} // namespace

void TCustomHttpCli::Fail(std::exception_ptr failure)
{
    if (!failure_)
        failure_ = failure;
    receiveLength_ = 0;
    TransportClose();
}

void TCustomHttpCli::HandleDataAvailable(std::uint16_t)
{
    if (state_ == hsWaitingBody && receiveLength_ == 0) {
        // The document is not cut into lines: read it in large pieces straight from the
        // socket and hand each piece on whole.
        if (bodyBuffer_.empty())
            bodyBuffer_.resize(BodyReadSize);
        const long n = TransportReceive(bodyBuffer_.data(), bodyBuffer_.size());
        if (n <= 0)
            return;
        currentData_ = bodyBuffer_.data();
        currentLen_ = static_cast<std::size_t>(n);
        DeliverBodyData();
        return;
    }
    if (receiveLength_ >= HeldMax) {
        // Only reached when a line filled the buffer before the failure path below
        // could end the connection; the receive loop discards the exception.
        throw EHttpException("HTTP line too long", httpErrLineTooLong);
    }
    const long n = TransportReceive(receiveBuffer_ + receiveLength_, HeldMax - receiveLength_);
    if (n <= 0)
        return;
    receiveLength_ += static_cast<std::size_t>(n);
    receiveBuffer_[receiveLength_] = 0;

    while (receiveLength_ > 0) {
        if (state_ == hsWaitingBody) {
            // The document (or one that started without a header in this piece) goes
            // on unchanged.
            DeliverHeldBytes();
            return;
        }
        // The text ends at the first zero byte; a line end behind it is not seen.
        const void* zero = std::memchr(receiveBuffer_, 0, receiveLength_);
        const std::size_t textLen = zero ? static_cast<const char*>(zero) - receiveBuffer_ : receiveLength_;
        const void* lf = std::memchr(receiveBuffer_, '\n', textLen);
        if (!lf) {
            if (receiveLength_ >= HeldMax && state_ == hsWaitingHeader) {
                // No line end in a full buffer: the answer is not HTTP we can read.
                // End it now instead of waiting for a server that may never close.
                Fail(std::make_exception_ptr(EHttpException("HTTP line too long", httpErrLineTooLong)));
            }
            return;
        }
        const std::size_t rawLen = static_cast<const char*>(lf) - receiveBuffer_ + 1;
        lineCopy_.assign(receiveBuffer_, rawLen);
        std::size_t lineLen = rawLen - 1;
        if (lineLen > 0 && lineCopy_[lineLen - 1] == '\r')
            --lineLen;
        std::memmove(receiveBuffer_, receiveBuffer_ + rawLen, receiveLength_ - rawLen + 1);
        receiveLength_ -= rawLen;
        if (state_ == hsWaitingHeader) {
            headerBytes_ += rawLen;
            if (headerBytes_ > HeaderMax) {
                // A server that never ends its header must not take the memory.
                Fail(std::make_exception_ptr(EHttpException("HTTP header too long", httpErrLineTooLong)));
                return;
            }
        }

        // Lines that arrive in any other state (after the request ended) are dropped.
        currentData_ = lineCopy_.data();
        currentLen_ = lineLen;
        if (state_ == hsWaitingHeader)
            ProcessHeaderLine();
    }
}

void TCustomHttpCli::DeliverHeldBytes()
{
    currentData_ = receiveBuffer_;
    currentLen_ = receiveLength_;
    receiveLength_ = 0;
    DeliverBodyData();
}

void TCustomHttpCli::ProcessHeaderLine()
{
    if (headerLineCount_ == 0)
        Fire(OnHeaderBegin);
    ++headerLineCount_;

    const std::string line(currentData_, currentLen_);

    if (SameText(std::string_view(line).substr(0, 6), "<HTML>")) {
        // A document without a header. It is delivered as received, its first line
        // end included.
        if (contentType_.empty())
            contentType_ = "text/html";
        ChangeState(hsWaitingBody);
        Fire(OnHeaderEnd);
        currentData_ = lineCopy_.data();
        currentLen_ = lineCopy_.size();
        DeliverBodyData();
        return;
    }

    if (line.empty()) {
        if (redirectPending_ && !ended_) {
            Fire(OnHeaderEnd);
            receiveLength_ = 0;
            headerLineCount_ = 0;
            bodyChunkCount_ = 0;
            redirectPending_ = false;
            if (redirectCount_ >= MaxRedirects) {
                statusCode_ = httpStatusTooManyRedirects;
                reasonPhrase_ = "Too many redirections: more than " + IntToStr(MaxRedirects) + " in one request";
            } else {
                ++redirectCount_;
                relocateOnClose_ = true;
            }
            TransportClose();
            return;
        }
        const std::size_t dot = docName_.rfind('.');
        if (dot != std::string::npos && SameText(std::string_view(docName_).substr(dot), ".exe") && contentType_ == "text/html")
            SetDocExtension(docName_, "htm");
        ChangeState(hsWaitingBody);
        Fire(OnHeaderEnd);
        if (receiveLength_ > 0)
            DeliverHeldBytes();
        return;
    }

    receivedHeader_.push_back(line);
    if (line.compare(0, 8, "HTTP/1.0") == 0 || line.compare(0, 8, "HTTP/1.1") == 0) {
        statusCode_ = StrToInt(Copy(line, 10, 3));
        reasonPhrase_ = Copy(line, 14);
    } else {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::size_t p = colon + 1;
            while (p + 1 < line.size() && line[p] == ' ')
                ++p;
            ProcessHeaderField(LowerCase(line.substr(0, colon)), p < line.size() ? line.substr(p) : std::string());
        }
    }
    Fire(OnHeaderData);
    if (statusCode_ >= 400)
        TransportClose();
}

void TCustomHttpCli::ProcessHeaderField(const std::string& name, const std::string& value)
{
    if (name == "location") {
        if (ApplyHttpLocation(target_, Trim(value).empty() ? std::string_view() : value, viaProxy_))
            redirectPending_ = true;
    } else if (name == "content-length") {
        contentLength_ = ParseLength(value);
    } else if (name == "content-range") {
        // "bytes FIRST-LAST/SIZE"
        const std::size_t dash = value.find('-');
        const std::size_t slash = value.find('/');
        contentRangeBegin_ = dash != std::string::npos && dash > 6 ? value.substr(6, dash - 6) : std::string();
        contentRangeEnd_ = dash != std::string::npos && slash != std::string::npos && slash > dash
            ? value.substr(dash + 1, slash - dash - 1)
            : std::string();
    } else if (name == "accept-ranges") {
        acceptRanges_ = value;
    } else if (name == "content-type") {
        contentType_ = LowerCase(value);
    } else if (name == "www-authenticate") {
        authChallenges_.push_back(value);
    } else if (name == "set-cookie") {
        bool accept = true;
        if (OnCookie)
            OnCookie(*this, value, accept);
    }
}

void TCustomHttpCli::DeliverBodyData()
{
    if (bodyChunkCount_ == 0)
        Fire(OnDocBegin);
    ++bodyChunkCount_;
    receivedCount_ += static_cast<std::int64_t>(currentLen_);
    if (activeRcvdStream_) {
        try {
            activeRcvdStream_->WriteBuffer(currentData_, currentLen_);
        } catch (const std::exception&) {
            // A document that cannot be stored must not end as a success.
            Fail(std::current_exception());
            return;
        }
    }
    if (OnDocData)
        OnDocData(*this, currentData_, static_cast<int>(currentLen_));
}

} // namespace zuneigo
