// TCustomWSocket: the send chain. Send never blocks and never refuses data on a connected
// socket; what the platform does not take now goes out on the write notification.
#include "net/CustomWSocket.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace zuneigo {

using namespace platform;

namespace {

// Sockets in TryToSend on this thread. A Send from an OnSendData handler runs while the
// bytes of the call that fired it are still in the chain: its TryToSend leaves the work
// to the running one, which goes on to the new bytes after taking the sent ones.
thread_local std::vector<const TCustomWSocket*> sendingNow;

struct SendingScope {
    const TCustomWSocket* socket;
    ~SendingScope() { sendingNow.erase(std::find(sendingNow.begin(), sendingNow.end(), socket)); }
};

} // namespace

int TCustomWSocket::Send(const void* data, int len)
{
    if (state_ != wsConnected) {
        WsSetLastError(WSAENOTCONN);
        ReportSocketError("Send");
        return -1;
    }
    allSent_ = false;
    int result = 0;
    if (len > 0) {
        AppendToSendBuffer(data, len);
        result = len;
    }
    TryToSend();
    // Everything went at once: tell the owner from the message loop, never from here.
    if (allSent_ && socketHandle_ != INVALID_SOCKET)
        PostSocketMessage(windowHandle_, WM_SOCKET_EVENT, socketHandle_, MakeLParam(static_cast<std::uint16_t>(FD_WRITE), 0));
    return result;
}

int TCustomWSocket::SendText(const std::string& text)
{
    return Send(text.data(), static_cast<int>(text.size()));
}

int TCustomWSocket::SendTo(const sockaddr_in& dest, int /*destLen*/, const void* data, int len)
{
    int n = WsSendTo(socketHandle_, data, len, sendFlagsValue_, dest);
    if (n > 0) FireSendData(n);
    return n;
}

int TCustomWSocket::SendRaw(const void* data, int len)
{
    int n = socketType_ == SOCK_DGRAM_W ? WsSendTo(socketHandle_, data, len, sendFlagsValue_, remoteAddress_)
                                        : WsSend(socketHandle_, data, len, sendFlagsValue_);
    if (n > 0) FireSendData(n);
    return n;
}

void TCustomWSocket::AppendToSendBuffer(const void* data, int len)
{
    if (len <= 0) return;
    const char* p = static_cast<const char*>(data);
    if (!sendBuffers_.empty()) {
        const int n = sendBuffers_.back()->Write(p, len);
        p += n;
        len -= n;
    }
    if (len <= 0) return;
    // The rest goes into new blocks lying back to back, so it can leave in one call.
    const int count = len / bufferBlockSize_ + (len % bufferBlockSize_ != 0);
    for (auto& block : TBuffer::MakeRun(bufferBlockSize_, count)) {
        const int n = block->Write(p, len);
        p += n;
        len -= n;
        sendBuffers_.push_back(std::move(block));
    }
}

void TCustomWSocket::DiscardSendBuffer()
{
    sendBuffers_.clear();
}

void TCustomWSocket::TryToSend()
{
    if (socketHandle_ == INVALID_SOCKET) return;
    if (sendBuffers_.empty()) {
        // Nothing was ever buffered: the chain is empty, so it is all sent (otherwise a
        // zero-length Send on a fresh component would leave Flush waiting for ever).
        allSent_ = true;
        return;
    }
    if (std::find(sendingNow.begin(), sendingNow.end(), this) != sendingNow.end()) return;
    sendingNow.push_back(this);
    const SendingScope scope{this};
    for (;;) {
        TBuffer& block = *sendBuffers_.front();
        int pending = 0;
        const char* p = block.Peek(pending);
        if (pending <= 0) {
            if (sendBuffers_.size() == 1) {
                // The block stays for reuse, but not the rest of a run with it.
                if (block.InRun()) sendBuffers_.front() = std::make_unique<TBuffer>(bufferBlockSize_);
                allSent_ = true;
                return;
            }
            sendBuffers_.pop_front();
            continue;
        }
        // The blocks behind that continue these bytes in memory go in the same call. A
        // datagram is one block, and urgent data is sent block by block.
        if (socketType_ != SOCK_DGRAM_W && sendFlagsValue_ == 0) {
            for (std::size_t i = 1; i < sendBuffers_.size() && sendBuffers_[i]->Continues(*sendBuffers_[i - 1]); ++i) {
                if (sendBuffers_[i]->Pending() > INT_MAX - pending) break;
                pending += sendBuffers_[i]->Pending();
            }
        }
        int n = SendRaw(p, pending);
        if (n == 0) return;
        if (n < 0) {
            int error = WsGetLastError();
            switch (error) {
            case WSAECONNRESET:
            case WSAENOTSOCK:
            case WSAENOTCONN:
            case WSAEINVAL:
            case WSAECONNABORTED: {
                // A send from a handler of the close notification may fail too: the
                // connection's close is reported once.
                const bool reported = closeInvoked_;
                closeInvoked_ = true;
                Close();
                if (!reported) FireSessionClosed(static_cast<std::uint16_t>(error));
                return;
            }
            case WSAEWOULDBLOCK:
                return; // the write notification resumes
            default:
                ReportSocketError("TryToSend failed");
                return;
            }
        }
        // (An OnSendData handler may have discarded the chain meanwhile.)
        for (int left = n; left > 0 && !sendBuffers_.empty();) {
            TBuffer& first = *sendBuffers_.front();
            const int removed = first.Remove(left);
            left -= removed;
            if (first.Pending() == 0 && sendBuffers_.size() > 1)
                sendBuffers_.pop_front();
            else if (removed == 0)
                break;
        }
        if (n < pending) return; // the platform's buffer is full
    }
}

void TCustomWSocket::Flush()
{
    while (socketHandle_ != INVALID_SOCKET && !allSent_) {
        TryToSend();
        if (socketHandle_ == INVALID_SOCKET || allSent_) break;
        PumpMessages();
        if (socketHandle_ == INVALID_SOCKET || allSent_) break;
        // The rest goes when the socket takes data again: sleep until then. Paused, it
        // sends no notification, so it is asked for a wake-up of its own.
        if (paused_) WsWakeWhenReady(socketHandle_, FD_WRITE);
        WaitForMessage();
    }
}

} // namespace zuneigo
