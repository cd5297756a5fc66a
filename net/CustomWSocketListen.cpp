// TCustomWSocket: name lookups, listening, accepting, adopting a handle, pausing.
#include "net/CustomWSocket.h"

#include "net/Resolvers.h"

namespace zuneigo {

using namespace platform;

bool TCustomWSocket::BeginLookup(const std::string& name)
{
    if (name.empty()) {
        RaiseSocketError("DNS lookup: invalid host name.");
        FireDnsLookupDone(WSAEINVAL);
        return false;
    }
    if (lookupHandle_ != 0) {
        WsCancelAsyncRequest(lookupHandle_);
        lookupHandle_ = 0;
    }
    dnsResult_.clear();
    dnsResultList_.clear();
    return true;
}

void TCustomWSocket::DnsLookup(const std::string& hostName)
{
    if (!BeginLookup(hostName)) return;
    std::uint32_t a = WsInetAddr(hostName);
    if (a != INADDR_NONE_W) {
        dnsResult_ = WsInetNtoa(a);
        FireDnsLookupDone(0);
        return;
    }
    lookupHandle_ = WsAsyncGetHostByName(windowHandle_, WM_SOCKET_NAME_RESOLVED, hostName);
    if (lookupHandle_ == 0)
        RaiseSocketErrorFmt("%s: can't start DNS lookup, error #%d", hostName.c_str(), WsGetLastError());
}

void TCustomWSocket::ReverseDnsLookup(const std::string& hostAddr)
{
    if (!BeginLookup(hostAddr)) return;
    lookupHandle_ = WsAsyncGetHostByAddr(windowHandle_, WM_SOCKET_ADDR_RESOLVED, WsInetAddr(hostAddr));
    if (lookupHandle_ == 0)
        RaiseSocketErrorFmt("%s: can't start DNS lookup, error #%d", hostAddr.c_str(), WsGetLastError());
}

void TCustomWSocket::CancelDnsLookup()
{
    if (lookupHandle_ == 0) return;
    int rc = WsCancelAsyncRequest(lookupHandle_);
    lookupHandle_ = 0;
    if (rc != 0) {
        ReportSocketError("WSACancelAsyncRequest");
        return;
    }
    if (!destroying_) FireDnsLookupDone(WSAEINTR);
}

void TCustomWSocket::CompleteLookup(WPARAM wParam, LPARAM lParam,
                                    const std::function<void(const HostEntry&)>& take)
{
    if (lookupHandle_ == 0 || static_cast<platform::HANDLE>(wParam) != lookupHandle_) return;
    platform::HANDLE handle = lookupHandle_;
    lookupHandle_ = 0;
    std::uint16_t error = HiWord(lParam);
    if (error == 0) {
        if (const HostEntry* entry = WsLookupResult(handle)) take(*entry);
    }
    FireDnsLookupDone(error);
}

void TCustomWSocket::HandleNameResolved(WPARAM wParam, LPARAM lParam)
{
    CompleteLookup(wParam, lParam, [this](const HostEntry& entry) {
        for (auto a : entry.addresses)
            dnsResultList_.push_back(WsInetNtoa(a));
        if (!dnsResultList_.empty()) dnsResult_ = dnsResultList_.front();
    });
}

void TCustomWSocket::HandleAddrResolved(WPARAM wParam, LPARAM lParam)
{
    CompleteLookup(wParam, lParam, [this](const HostEntry& entry) {
        dnsResult_ = entry.name;
        dnsResultList_.push_back(entry.name);
    });
}

void TCustomWSocket::Listen()
{
    if (!portAssigned_) {
        WsSetLastError(WSAEINVAL);
        ReportSocketError("listen: port not assigned");
        return;
    }
    if (!protoAssigned_) {
        WsSetLastError(WSAEINVAL);
        ReportSocketError("listen: protocol not assigned");
        return;
    }
    if (!addrAssigned_) {
        WsSetLastError(WSAEINVAL);
        ReportSocketError("listen: address not assigned");
        return;
    }
    try {
        ResolveRemote(false);
    } catch (const Exception& e) {
        RaiseSocketError("listen: " + e.Message());
        return;
    }
    DiscardSendBuffer();
    socketHandle_ = WsSocket(addressFamily_, socketType_, protoNumber_);
    if (socketHandle_ == INVALID_SOCKET) {
        ReportSocketError("socket");
        return;
    }
    closeInvoked_ = false;
    const auto giveUp = [this](const char* operation) {
        int error = WsGetLastError();
        WsCloseSocket(socketHandle_);
        socketHandle_ = INVALID_SOCKET;
        WsSetLastError(error);
        ReportSocketError(operation);
    };
    if (reuseAddr_ && WsSetSockOpt(socketHandle_, SockOpt::ReuseAddr, 1) == SOCKET_ERROR) {
        giveUp("setsockopt(SO_REUSEADDR)");
        return;
    }
    if (WsBind(socketHandle_, remoteAddress_) == SOCKET_ERROR) {
        giveUp("Bind");
        return;
    }
    SwitchState(wsBound);
    if (socketType_ == SOCK_DGRAM_W) {
        SwitchState(wsListening);
        SwitchState(wsConnected);
        FireSessionConnected(0);
    } else {
        if (WsListen(socketHandle_, listenBacklog_) == SOCKET_ERROR) {
            // A bound handle that cannot listen is of no use: it goes, and the port with it.
            const int error = WsGetLastError();
            WsCloseSocket(socketHandle_);
            socketHandle_ = INVALID_SOCKET;
            SwitchState(wsClosed);
            WsSetLastError(error);
            ReportSocketError("Listen");
            return;
        }
        SwitchState(wsListening);
    }
    selectMask_ = FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE;
    if (socketHandle_ != INVALID_SOCKET &&
        WsAsyncSelect(socketHandle_, windowHandle_, WM_SOCKET_EVENT, selectMask_) == SOCKET_ERROR)
        ReportSocketError("WSAASyncSelect");
}

SOCKET TCustomWSocket::Accept()
{
    if (state_ != wsListening) {
        WsSetLastError(WSAEINVAL);
        ReportSocketError("not a listening socket");
        return INVALID_SOCKET;
    }
    acceptedHandle_ = WsAccept(socketHandle_, &remoteAddress_);
    if (acceptedHandle_ == INVALID_SOCKET) ReportSocketError("Accept");
    return acceptedHandle_;
}

void TCustomWSocket::Dup(SOCKET handle)
{
    if (handle == 0 || handle == INVALID_SOCKET) {
        WsSetLastError(WSAEINVAL);
        ReportSocketError("Dup");
        return;
    }
    if (state_ != wsClosed) {
        int rc = socketHandle_ != INVALID_SOCKET ? WsCloseSocket(socketHandle_) : 0;
        socketHandle_ = INVALID_SOCKET;
        if (rc == SOCKET_ERROR) {
            ReportSocketError("Dup (closesocket)");
            return;
        }
        SwitchState(wsClosed);
    }
    socketHandle_ = handle;
    closeInvoked_ = false;
    SetLingerOption();
    selectMask_ = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
    if (WsAsyncSelect(socketHandle_, windowHandle_, WM_SOCKET_EVENT, selectMask_) == SOCKET_ERROR) {
        ReportSocketError("WSAAsyncSelect");
        return;
    }
    SwitchState(wsConnected);
}

void TCustomWSocket::Pause()
{
    paused_ = true;
    WsAsyncSelect(socketHandle_, windowHandle_, 0, 0);
}

void TCustomWSocket::Resume()
{
    paused_ = false;
    WsAsyncSelect(socketHandle_, windowHandle_, WM_SOCKET_EVENT, selectMask_);
}

} // namespace zuneigo
