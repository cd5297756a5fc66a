// What goes on the wire: the request header and the POST body.
#include "base/IntText.h"
#include "http/CustomHttpCli.h"
#include "http/TextEncoding.h"

#include <algorithm>

namespace zuneigo {

void TCustomHttpCli::AddRequestLine(const std::string& line)
{
    std::string s = line;
    if (OnCommand)
        OnCommand(*this, s);
    requestBuffer_ += s;
    requestBuffer_ += "\r\n";
}

void TCustomHttpCli::ComposeRequest(const std::string& method, const std::string& version)
{
    requestBuffer_.clear();
    Fire(OnRequestHeaderBegin);
    const bool post = method == "POST";
    AddRequestLine(method + " " + target_.requestPath + " HTTP/" + version);
    if (!sender_.empty())
        AddRequestLine("From: " + sender_);
    if (!accept_.empty())
        AddRequestLine("Accept: " + accept_);
    if (!reference_.empty())
        AddRequestLine("Referer: " + reference_);
    if (post && !contentTypePost_.empty())
        AddRequestLine("Content-Type: " + contentTypePost_);
    if (!agent_.empty())
        AddRequestLine("User-Agent: " + agent_);
    AddRequestLine("Host: " + target_.originHost);
    if (noCache_)
        AddRequestLine("Pragma: no-cache");
    if (post) {
        // The body is what the stream holds from its position at the start of the
        // request; the length must name exactly what is sent, or the server waits for
        // bytes that never come. A redirected POST sends the same body again.
        std::int64_t length = 0;
        if (activeSendStream_) {
            activeSendStream_->SetPosition(sendStart_);
            length = std::max<std::int64_t>(0, activeSendStream_->Size() - sendStart_);
        }
        AddRequestLine("Content-Length: " + IntToStr(length));
    }
    if (modifiedSince_ != 0)
        AddRequestLine("If-Modified-Since: " + FormatHttpDate(modifiedSince_) + " GMT");
    if (!username_.empty())
        AddRequestLine("Authorization: Basic " + EncodeText(1, username_ + ":" + password_));
    if (viaProxy_ && !proxyUsername_.empty())
        AddRequestLine("Proxy-Authorization: Basic " + EncodeText(1, proxyUsername_ + ":" + proxyPassword_));
    if (!cookie_.empty())
        AddRequestLine("Cookie: " + cookie_);
    if (!contentRangeBegin_.empty() || !contentRangeEnd_.empty()) {
        AddRequestLine("Range: bytes=" + contentRangeBegin_ + "-" + contentRangeEnd_);
        // A range is asked for once.
        contentRangeBegin_.clear();
        contentRangeEnd_.clear();
    }
    acceptRanges_.clear();
    Fire(OnRequestHeaderEnd);
    AddRequestLine("");
    std::string header;
    header.swap(requestBuffer_);
    TransportSend(header.data(), header.size());
}

void TCustomHttpCli::SendNextBodyChunk()
{
    if (!sendingBody_)
        return;
    const std::size_t n = activeSendStream_->Read(bodyChunk_.data(), bodyChunk_.size());
    if (n > 0) {
        sentCount_ += static_cast<std::int64_t>(n);
        if (OnSendData)
            OnSendData(*this, bodyChunk_.data(), static_cast<int>(n));
        TransportSend(bodyChunk_.data(), n);
    } else {
        sendingBody_ = false;
        Fire(OnSendEnd);
    }
}

} // namespace zuneigo
