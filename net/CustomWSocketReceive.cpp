// TCustomWSocket: reception (the receive loop and the receive calls), the close path and
// message pumping while a close or a drain waits.
#include "net/CustomWSocket.h"

#include "platform/Application.h"

namespace zuneigo {

using namespace platform;

void TCustomWSocket::ReceiveLoop(std::uint16_t error)
{
    for (;;) {
        try {
            lastError_ = 0;
            if (!FireDataAvailable(error)) {
                // Nobody reads: discard a slice so the notifications do not pile up.
                char discard[1024];
                if (RecvRaw(discard, sizeof discard, 0) == SOCKET_ERROR) {
                    lastError_ = WsGetLastError();
                    if (lastError_ == WSAEWOULDBLOCK) {
                        lastError_ = 0;
                        break;
                    }
                }
            }
            if (componentOptions_.Contains(wsoNoReceiveLoop)) break;
            if (lastError_ != 0) break;
            if (socketHandle_ == INVALID_SOCKET) break; // a handler closed the socket
            unsigned long count = 0;
            if (WsIoctlFionread(socketHandle_, &count) == SOCKET_ERROR) {
                lastError_ = WsGetLastError();
                break;
            }
            if (count == 0) break;
        } catch (const std::exception&) {
            break; // ends this delivery; the connection stays
        }
    }
}

// ---------------------------------------------------------------- reception

int TCustomWSocket::RecvRaw(void* buffer, int bufferSize, int flags)
{
    return WsRecv(socketHandle_, buffer, bufferSize, flags);
}

int TCustomWSocket::RecvFromRaw(void* buffer, int bufferSize, sockaddr_in& from, int& fromLen)
{
    int n = WsRecvFrom(socketHandle_, buffer, bufferSize, 0, &from);
    if (n >= 0) fromLen = sizeof(sockaddr_in);
    return n;
}

int TCustomWSocket::Receive(void* buffer, int bufferSize)
{
    int n = RecvRaw(buffer, bufferSize, 0);
    if (n < 0)
        lastError_ = WsGetLastError();
    else
        readCount_ += n;
    return n;
}

std::string TCustomWSocket::ReceiveText()
{
    int count = RcvdCount();
    if (count <= 0) return "";
    std::string text(static_cast<std::size_t>(count), '\0');
    int n = Receive(text.data(), count);
    if (n <= 0) return "";
    text.resize(static_cast<std::size_t>(n));
    return text;
}

int TCustomWSocket::ReceiveFrom(void* buffer, int bufferSize, sockaddr_in& from, int& fromLen)
{
    int n = RecvFromRaw(buffer, bufferSize, from, fromLen);
    if (n < 0)
        lastError_ = WsGetLastError();
    else
        readCount_ += n;
    return n;
}

// ---------------------------------------------------------------- closing

void TCustomWSocket::ShutAndClose(bool shut, std::uint16_t error)
{
    if (socketHandle_ == INVALID_SOCKET) {
        if (state_ != wsClosed) {
            SwitchState(wsClosed);
            ResetDefaults();
        }
        return;
    }
    if (state_ == wsClosed) return;
    if (shut) Shutdown(1);
    for (;;) {
        if (WsCloseSocket(socketHandle_) == 0) {
            socketHandle_ = INVALID_SOCKET;
            break;
        }
        lastError_ = WsGetLastError();
        if (lastError_ == WSAEWOULDBLOCK) {
            // The close waits for the platform: keep the messages flowing, then sleep
            // until something happens (or a short while) instead of spinning.
            PumpMessages();
            platform::WaitMessage(10);
            continue;
        }
        if (lastError_ == WSANOTINITIALISED) {
            socketHandle_ = INVALID_SOCKET;
            break;
        }
        socketHandle_ = INVALID_SOCKET;
        ReportSocketError("Disconnect (closesocket)");
        return;
    }
    SwitchState(wsClosed);
    if (!destroying_ && !closeInvoked_) {
        closeInvoked_ = true;
        FireSessionClosed(error);
    }
    try {
        ResetDefaults();
    } catch (...) {
    }
}

void TCustomWSocket::Close()
{
    ShutAndClose(true, 0);
}

void TCustomWSocket::CloseLater()
{
    PostMessage(windowHandle_, WM_SOCKET_CLOSE_LATER, 0, 0);
}

void TCustomWSocket::FreeLater()
{
    PostMessage(windowHandle_, WM_SOCKET_FREE_LATER, 0, 0);
}

void TCustomWSocket::Abort()
{
    CancelDnsLookup();
    DiscardSendBuffer();
    if (state_ == wsConnected && protoNumber_ == IPPROTO_TCP_W) {
        lingerOnOff_ = wsLingerOff;
        SetLingerOption();
    }
    ShutAndClose(false, 0);
}

void TCustomWSocket::Shutdown(int how)
{
    if (socketHandle_ != INVALID_SOCKET) WsShutdown(socketHandle_, how);
}

void TCustomWSocket::DrainUntilClosed()
{
    while (socketHandle_ != INVALID_SOCKET && state_ != wsClosed) {
        PumpMessages();
        if (socketHandle_ == INVALID_SOCKET || state_ == wsClosed) break;
        unsigned long count = 0;
        if (WsIoctlFionread(socketHandle_, &count) == SOCKET_ERROR) break;
        if (count > 0) FireDataAvailable(0);
        if (socketHandle_ == INVALID_SOCKET) break;
        // One byte peeked at the socket itself tells data, end of stream or failure
        // apart without taking anything (a layer's RecvRaw would hand out held bytes).
        char probe;
        int n = WsRecv(socketHandle_, &probe, 1, MSG_PEEK_W);
        if (n == 0) {
            lastError_ = 0;
            break; // the peer has finished sending; its close notification follows
        }
        if (n < 0) {
            lastError_ = WsGetLastError();
            if (lastError_ != WSAEWOULDBLOCK) break;
        }
        PumpMessages();
        if (socketHandle_ == INVALID_SOCKET || state_ == wsClosed) break;
        if (n < 0) {
            // Nothing readable: sleep until something happens (paused, the socket sends
            // no notification, so it is asked for a wake-up of its own).
            if (paused_) WsWakeWhenReady(socketHandle_, FD_READ | FD_CLOSE);
            WaitForMessage();
        }
    }
}

// ---------------------------------------------------------------- pumping

void TCustomWSocket::ProcessPendingMessages()
{
    MSG msg;
    while (PeekMessage(msg, true)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            continue;
        }
        DispatchMessage(msg);
    }
}

void TCustomWSocket::PumpMessages()
{
    if (multiThreaded_)
        ProcessPendingMessages();
    else
        Application::Instance().ProcessMessages();
}

void TCustomWSocket::WaitForMessage()
{
    if (multiThreaded_)
        platform::WaitMessage(-1);
    else
        Application::Instance().WaitForMessage();
}

} // namespace zuneigo
