// TCustomWSocket: creation, properties, the hidden window's messages, the network event
// dispatch, reception, closing and error reporting.
#include "net/CustomWSocket.h"

#include "base/StringUtil.h"
#include "net/Resolvers.h"
#include "net/SocketErrors.h"
#include "platform/Application.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace zuneigo {

using namespace platform;

namespace {
std::atomic<int>& LiveCount()
{
    static std::atomic<int> count{0};
    return count;
}
} // namespace

TCustomWSocket::TCustomWSocket()
{
    windowHandle_ = CreateHiddenWindow([this](UINT msg, WPARAM wParam, LPARAM lParam) {
        return HandleWindowMessage(msg, wParam, lParam);
    });
    TCustomWSocket::ResetDefaults();
    ++LiveCount();
}

TCustomWSocket::~TCustomWSocket()
{
    destroying_ = true;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    if (state_ != wsClosed) {
        try {
            TCustomWSocket::Close();
        } catch (...) {
        }
    }
    if (--LiveCount() < 1) {
        WSocketUnloadLibrary();
        LiveCount() = 0;
    }
    DiscardSendBuffer();
    // Any socket still open (a close that failed) must not leak its descriptor.
    if (socketHandle_ != INVALID_SOCKET) WsCloseSocket(socketHandle_);
    DestroyWindow(windowHandle_);
}

int TCustomWSocket::LiveComponentCount()
{
    return LiveCount().load();
}

// ---------------------------------------------------------------- properties

void TCustomWSocket::SetAddr(const std::string& value)
{
    if (addrAssigned_ && value == addrStr_) return;
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change Addr if not closed");
        return;
    }
    addrStr_ = Trim(value);
    addrAssigned_ = !addrStr_.empty();
    if (addrAssigned_) addrResolved_ = false;
}

void TCustomWSocket::SetPort(const std::string& value)
{
    if (portAssigned_ && value == portStr_) return;
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change Port if not closed");
        return;
    }
    portStr_ = Trim(value);
    portAssigned_ = !portStr_.empty();
    if (portAssigned_) portResolved_ = false;
}

void TCustomWSocket::SetProto(const std::string& value)
{
    if (protoAssigned_ && value == protoStr_) return;
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change Proto if not closed");
        return;
    }
    protoStr_ = Trim(value);
    protoAssigned_ = !protoStr_.empty();
    if (protoAssigned_) protoResolved_ = false;
}

void TCustomWSocket::SetLocalPort(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change LocalPort if not closed");
        return;
    }
    localPortStr_ = value;
    localPortResolved_ = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change LocalAddr if not closed");
        return;
    }
    std::string text = value.empty() ? "0.0.0.0" : value;
    std::uint32_t a = WsInetAddr(text);
    if (a == INADDR_NONE_W) RaiseSocketError("SetLocalAddr(): Invalid IP address");
    localAddrStr_ = WsInetNtoa(a);
}

TSocketSendFlags TCustomWSocket::SendFlags()
{
    if (sendFlagsValue_ == 0) return wsSendNormal;
    if (sendFlagsValue_ == MSG_OOB_W) return wsSendUrgent;
    RaiseSocketError("Invalid internal SendFlags");
    return wsSendNormal;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value)
{
    switch (value) {
    case wsSendNormal: sendFlagsValue_ = 0; break;
    case wsSendUrgent: sendFlagsValue_ = MSG_OOB_W; break;
    default: RaiseSocketError("Invalid SendFlags");
    }
}

int TCustomWSocket::RcvdCount()
{
    unsigned long count = 0;
    if (WsIoctlFionread(socketHandle_, &count) == SOCKET_ERROR) {
        ReportSocketError("ioctlSocket");
        return -1;
    }
    return static_cast<int>(count);
}

std::string TCustomWSocket::PeerAddr()
{
    if (state_ != wsConnected) return "error";
    sockaddr_in a{};
    if (WsGetPeerName(socketHandle_, &a) == SOCKET_ERROR) {
        ReportSocketError("GetPeerName");
        return "error";
    }
    return WsInetNtoa(a.sin_addr.s_addr);
}

std::string TCustomWSocket::GetPeerPort()
{
    if (state_ != wsConnected) return "error";
    sockaddr_in a{};
    if (WsGetPeerName(socketHandle_, &a) == SOCKET_ERROR) {
        ReportSocketError("GetPeerPort");
        return "error";
    }
    return std::to_string(WsNtohs(a.sin_port));
}

int TCustomWSocket::GetPeerAddress(sockaddr_in& addr, int& len)
{
    if (state_ != wsConnected) return SOCKET_ERROR;
    if (WsGetPeerName(socketHandle_, &addr) == SOCKET_ERROR) return SOCKET_ERROR;
    len = sizeof(sockaddr_in);
    return 0;
}

int TCustomWSocket::GetLocalAddress(sockaddr_in& addr, int& len)
{
    if (WsGetSockName(socketHandle_, &addr) == SOCKET_ERROR) return SOCKET_ERROR;
    len = sizeof(sockaddr_in);
    return 0;
}

std::string TCustomWSocket::GetLocalPortText()
{
    if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
    sockaddr_in a{};
    if (WsGetSockName(socketHandle_, &a) == SOCKET_ERROR) return "error";
    return std::to_string(WsNtohs(a.sin_port));
}

long long TCustomWSocket::BufferedByteCount() const
{
    long long n = 0;
    for (const auto& b : sendBuffers_)
        n += b->Pending();
    return n;
}

// ---------------------------------------------------------------- defaults and state

void TCustomWSocket::ResetDefaults()
{
    remoteAddress_ = sockaddr_in{};
    remoteAddress_.sin_family = AF_INET;
    addressFamily_ = AF_INET_W;
    addrAssigned_ = false;
    addrResolved_ = false;
    portAssigned_ = false;
    portResolved_ = false;
    protoResolved_ = false;
    localPortResolved_ = false;
    protoAssigned_ = true;
    protoNumber_ = IPPROTO_TCP_W;
    protoStr_ = "tcp";
    socketType_ = SOCK_STREAM_W;
    localPortStr_ = "0";
    localAddrStr_ = "0.0.0.0";
    lingerOnOff_ = wsLingerOn;
    lingerTimeout_ = 0;
    socketHandle_ = INVALID_SOCKET;
    state_ = wsClosed;
    allSent_ = true;
    paused_ = false;
    readCount_ = 0;
    // closeInvoked_ stays: it belongs to the connection that just ended (a notification of
    // it may still be running) and is cleared when the next one starts.
    flushTimeout_ = 60;
}

void TCustomWSocket::SwitchState(TSocketState newState)
{
    TSocketState old = state_;
    state_ = newState;
    FireChangeState(old, newState);
}

// ---------------------------------------------------------------- errors

void TCustomWSocket::ReportSocketError(const std::string& operation)
{
    int code = WsGetLastError();
    std::string message = "Error " + std::to_string(code) + " in function " + operation + "\r\n" + SocketErrorText(code);
    if (code == WSAECONNRESET || code == WSAENOTCONN) {
        if (socketHandle_ != INVALID_SOCKET) WsCloseSocket(socketHandle_);
        socketHandle_ = INVALID_SOCKET;
        SwitchState(wsClosed);
    }
    lastError_ = code;
    RaiseSocketError(message);
}

void TCustomWSocket::RaiseSocketError(const std::string& message)
{
    if (OnError)
        FireError();
    else
        throw ESocketException(message);
}

void TCustomWSocket::RaiseSocketErrorFmt(const char* format, ...)
{
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    RaiseSocketError(buf);
}

void TCustomWSocket::HandleEventException(const Exception& e)
{
    bool canClose = true;
    if (OnBgException) {
        try {
            OnBgException(this, e, canClose);
        } catch (...) {
        }
    }
    if (canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

// ---------------------------------------------------------------- the hidden window

LRESULT TCustomWSocket::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return DispatchWindowMessage(msg, wParam, lParam);
    } catch (const Exception& e) {
        HandleEventException(e);
        return 0;
    }
}

LRESULT TCustomWSocket::DispatchWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SOCKET_EVENT:
        HandleSocketEvent(wParam, lParam);
        return 0;
    case WM_SOCKET_NAME_RESOLVED:
        HandleNameResolved(wParam, lParam);
        return 0;
    case WM_SOCKET_ADDR_RESOLVED:
        HandleAddrResolved(wParam, lParam);
        return 0;
    case WM_SOCKET_CLOSE_LATER:
        Close();
        return 0;
    case WM_SOCKET_FREE_LATER:
        delete this;
        return 0;
    case WM_SOCKET_TEST_EXCEPTION:
        throw ESocketException("Test exception in WSocket");
    default:
        return DefWindowProc(windowHandle_, msg, wParam, lParam);
    }
}

void TCustomWSocket::HandleSocketEvent(WPARAM wParam, LPARAM lParam)
{
    const SOCKET socket = static_cast<SOCKET>(wParam);
    if (socketHandle_ == INVALID_SOCKET || socket != socketHandle_ || paused_) return;
    // A handler may close this socket (and even start the next connection): the rest of
    // the notification belongs to the closed one and is dropped.
    auto gone = [&] { return socketHandle_ != socket; };
    const std::uint16_t bits = LoWord(lParam);
    const std::uint16_t error = HiWord(lParam);
    if (bits & FD_CONNECT) {
        SwitchState(wsConnected);
        FireSessionConnected(error);
        if (error != 0 && state_ != wsClosed && !gone()) Close();
    }
    if ((bits & FD_READ) && !gone()) ReceiveLoop(error);
    if ((bits & FD_WRITE) && !gone()) {
        TryToSend();
        if (allSent_ && !gone()) FireDataSent(error);
    }
    if ((bits & FD_ACCEPT) && !gone()) FireSessionAvailable(error);
    if ((bits & FD_CLOSE) && state_ != wsConnecting && !gone()) {
        // Data that arrived before the close goes out first.
        ReceiveLoop(0);
        if (gone()) return;
        if (!closeInvoked_) {
            closeInvoked_ = true;
            FireSessionClosed(error);
        }
        if (state_ != wsClosed && !gone()) Close();
    }
}

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

// ---------------------------------------------------------------- connect

void TCustomWSocket::SetLingerOption()
{
    if (lingerOnOff_ == wsLingerNoSet) return;
    if (socketHandle_ == INVALID_SOCKET) {
        RaiseSocketError("Cannot set linger option at this time");
        return;
    }
    if (WsSetLinger(socketHandle_, lingerOnOff_ == wsLingerOn ? 1 : 0, lingerTimeout_) == SOCKET_ERROR)
        ReportSocketError("setsockopt(SO_LINGER)");
}

void TCustomWSocket::BindLocal()
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = WsHtons(localPortNumber_);
    local.sin_addr.s_addr = WSocketResolveHost(localAddrStr_);
    if (WsBind(socketHandle_, local) == SOCKET_ERROR) {
        RaiseSocketErrorFmt("winsock.bind failed, error #%d", WsGetLastError());
        return;
    }
    sockaddr_in bound{};
    if (WsGetSockName(socketHandle_, &bound) == SOCKET_ERROR) {
        RaiseSocketErrorFmt("winsock.getsockname failed, error #%d", WsGetLastError());
        return;
    }
    localPortNumber_ = WsNtohs(bound.sin_port);
    localPortStr_ = std::to_string(localPortNumber_);
}

void TCustomWSocket::ResolveRemote(bool withLocalPort)
{
    if (!protoResolved_) {
        protoNumber_ = WSocketResolveProto(protoStr_);
        socketType_ = protoNumber_ == IPPROTO_UDP_W ? SOCK_DGRAM_W : SOCK_STREAM_W;
        protoResolved_ = true;
    }
    if (!portResolved_) {
        portNumber_ = WSocketResolvePort(portStr_, protoStr_);
        remoteAddress_.sin_port = WsHtons(portNumber_);
        portResolved_ = true;
    }
    if (withLocalPort && !localPortResolved_) {
        localPortNumber_ = WSocketResolvePort(localPortStr_, protoStr_);
        localPortResolved_ = true;
    }
    if (!addrResolved_) {
        remoteAddress_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
        addrResolved_ = true;
    }
}

void TCustomWSocket::Connect()
{
    if (socketHandle_ != INVALID_SOCKET && state_ != wsClosed) {
        RaiseSocketError("Connect: Socket already in use");
        return;
    }
    if (!portAssigned_) {
        RaiseSocketError("Connect: No Port Specified");
        return;
    }
    if (!addrAssigned_) {
        RaiseSocketError("Connect: No IP Address Specified");
        return;
    }
    if (!protoAssigned_) {
        RaiseSocketError("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveRemote(true);
    } catch (const Exception& e) {
        RaiseSocketError("connect: " + e.Message());
        return;
    }
    DiscardSendBuffer();
    socketHandle_ = WsSocket(addressFamily_, socketType_, protoNumber_);
    if (socketHandle_ == INVALID_SOCKET) {
        ReportSocketError("Connect (socket)");
        return;
    }
    closeInvoked_ = false; // a new connection: its close is still to be reported
    SwitchState(wsOpened);
    if (socketType_ == SOCK_DGRAM_W) {
        BindLocal();
        if (remoteAddress_.sin_addr.s_addr == INADDR_NONE_W) {
            if (WsSetSockOpt(socketHandle_, SockOpt::Broadcast, 1) == SOCKET_ERROR) {
                ReportSocketError("setsockopt(SO_BROADCAST)");
                return;
            }
        }
    } else {
        if (localPortNumber_ != 0 || localAddrStr_ != "0.0.0.0") BindLocal();
        SetLingerOption();
        if (WsSetSockOpt(socketHandle_, SockOpt::KeepAlive, -1) == SOCKET_ERROR) {
            ReportSocketError("setsockopt(SO_KEEPALIVE)");
            return;
        }
        if (WsSetSockOpt(socketHandle_, SockOpt::ReuseAddr, -1) == SOCKET_ERROR) {
            ReportSocketError("setsockopt(SO_REUSEADDR)");
            return;
        }
    }
    selectMask_ = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
    if (WsAsyncSelect(socketHandle_, windowHandle_, WM_SOCKET_EVENT, selectMask_) == SOCKET_ERROR) {
        ReportSocketError("WSAAsyncSelect");
        return;
    }
    if (socketType_ == SOCK_DGRAM_W) {
        SwitchState(wsConnected);
        FireSessionConnected(0);
        return;
    }
    if (WsConnect(socketHandle_, remoteAddress_) == 0 || WsGetLastError() == WSAEWOULDBLOCK) {
        SwitchState(wsConnecting);
        return;
    }
    lastError_ = WsGetLastError();
    ReportSocketError("Connect");
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

// ---------------------------------------------------------------- events

bool TCustomWSocket::FireDataAvailable(std::uint16_t error)
{
    if (!OnDataAvailable) return false;
    OnDataAvailable(this, error);
    return true;
}

void TCustomWSocket::FireDataSent(std::uint16_t error)
{
    if (OnDataSent) OnDataSent(this, error);
}

void TCustomWSocket::FireSendData(int bytesSent)
{
    if (OnSendData) OnSendData(this, bytesSent);
}

void TCustomWSocket::FireSessionClosed(std::uint16_t error)
{
    if (OnSessionClosed) OnSessionClosed(this, error);
}

void TCustomWSocket::FireSessionAvailable(std::uint16_t error)
{
    if (OnSessionAvailable) OnSessionAvailable(this, error);
}

void TCustomWSocket::FireSessionConnected(std::uint16_t error)
{
    if (OnSessionConnected) OnSessionConnected(this, error);
}

void TCustomWSocket::FireChangeState(TSocketState oldState, TSocketState newState)
{
    if (OnChangeState) OnChangeState(this, oldState, newState);
}

void TCustomWSocket::FireDnsLookupDone(std::uint16_t error)
{
    if (OnDnsLookupDone) OnDnsLookupDone(this, error);
}

void TCustomWSocket::FireError()
{
    if (OnError) OnError(this);
}

void TCustomWSocket::FireLineTooLong()
{
    if (OnLineTooLong) OnLineTooLong(this);
}

} // namespace zuneigo
