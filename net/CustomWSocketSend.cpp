// TCustomWSocket: the send chain. Send never blocks and never refuses data on a connected
// socket; what the platform does not take now goes out on the write notification.
#include "net/CustomWSocket.h"

namespace zuneigo {

using namespace platform;

int TCustomWSocket::Send(const void* data, int len) {
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

int TCustomWSocket::SendText(const std::string& text) {
    return Send(text.data(), static_cast<int>(text.size()));
}

int TCustomWSocket::SendTo(const sockaddr_in& dest, int /*destLen*/, const void* data, int len) {
    int n = WsSendTo(socketHandle_, data, len, sendFlagsValue_, dest);
    if (n > 0) FireSendData(n);
    return n;
}

int TCustomWSocket::SendRaw(const void* data, int len) {
    int n = socketType_ == SOCK_DGRAM_W ? WsSendTo(socketHandle_, data, len, sendFlagsValue_, remoteAddress_)
                                        : WsSend(socketHandle_, data, len, sendFlagsValue_);
    if (n > 0) FireSendData(n);
    return n;
}

void TCustomWSocket::AppendToSendBuffer(const void* data, int len) {
    if (len <= 0) return;
    if (sendBuffers_.empty()) sendBuffers_.push_back(std::make_unique<TBuffer>(bufferBlockSize_));
    const char* p = static_cast<const char*>(data);
    TBuffer* last = sendBuffers_.back().get();
    for (;;) {
        int n = last->Write(p, len);
        if (n >= len) return;
        p += n;
        len -= n;
        sendBuffers_.push_back(std::make_unique<TBuffer>(bufferBlockSize_));
        last = sendBuffers_.back().get();
    }
}

void TCustomWSocket::DiscardSendBuffer() {
    sendBuffers_.clear();
}

void TCustomWSocket::TryToSend() {
    if (socketHandle_ == INVALID_SOCKET) return;
    if (sendBuffers_.empty()) {
        // Nothing was ever buffered: the chain is empty, so it is all sent (otherwise a
        // zero-length Send on a fresh component would leave Flush waiting for ever).
        allSent_ = true;
        return;
    }
    for (;;) {
        TBuffer& block = *sendBuffers_.front();
        int pending = 0;
        const char* p = block.Peek(pending);
        if (pending <= 0) {
            if (sendBuffers_.size() == 1) {
                allSent_ = true;
                return;
            }
            sendBuffers_.pop_front();
            continue;
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
            case WSAECONNABORTED:
                closeInvoked_ = true;
                Close();
                FireSessionClosed(static_cast<std::uint16_t>(error));
                return;
            case WSAEWOULDBLOCK:
                return;  // the write notification resumes
            default:
                ReportSocketError("TryToSend failed");
                return;
            }
        }
        block.Remove(n);
        if (n < pending) return;  // the platform's buffer is full
    }
}

void TCustomWSocket::Flush() {
    while (socketHandle_ != INVALID_SOCKET && !allSent_) {
        TryToSend();
        if (socketHandle_ == INVALID_SOCKET || allSent_) break;
        PumpMessages();
        if (socketHandle_ == INVALID_SOCKET || allSent_) break;
        // The rest goes when the socket takes data again: sleep until then.
        WaitForMessage();
    }
}

} // namespace zuneigo
