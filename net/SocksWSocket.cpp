#include "net/SocksWSocket.h"

#include "base/StringUtil.h"
#include "net/Resolvers.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zuneigo {

TCustomSocksWSocket::TCustomSocksWSocket() = default;

void TCustomSocksWSocket::SetSocksServer(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Can't change socks server if not closed");
        return;
    }
    socksServer_ = Trim(value);
    socksServerAssigned_ = !socksServer_.empty();
    addrResolved_ = false; // the address to connect to changes with it
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Can't change socks port if not closed");
        return;
    }
    socksPort_ = Trim(value);
    socksPortAssigned_ = !socksPort_.empty();
    portResolved_ = false;
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Can't change socks level if not closed");
        return;
    }
    if (value != "4" && value != "5" && value != "4A" && value != "4a") {
        RaiseSocketError("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    socksLevel_ = UpperCase(value);
}

void TCustomSocksWSocket::ResetDefaults()
{
    TCustomWSocket::ResetDefaults();
    reader_.SetPhase(0);
    socksServer_.clear();
    socksPort_.clear();
    socksLevel_ = "5";
    socksServerAssigned_ = false;
    socksPortAssigned_ = false;
    leftover_.clear();
    leftoverPos_ = 0;
}

void TCustomSocksWSocket::Connect()
{
    // Without a server, and for the errors the core reports itself, the core decides.
    if (!socksServerAssigned_ || (socketHandle_ != platform::INVALID_SOCKET && state_ != wsClosed) ||
        !portAssigned_ || !addrAssigned_ || !protoAssigned_) {
        TCustomWSocket::Connect();
        return;
    }
    if (LowerCase(protoStr_) != "tcp") {
        RaiseSocketError("tcp is the only protocol supported thru socks server");
        return;
    }
    try {
        // The TCP connection goes to the SOCKS server; marking both as resolved keeps
        // the core from putting the destination there.
        if (!portResolved_) {
            remoteAddress_.sin_port = platform::WsHtons(WSocketResolvePort(socksPort_, protoStr_));
            portResolved_ = true;
        }
        if (!addrResolved_) {
            remoteAddress_.sin_addr.s_addr = WSocketResolveHost(socksServer_);
            addrResolved_ = true;
        }
        portNumber_ = WSocketResolvePort(portStr_, protoStr_); // the destination port
    } catch (const Exception& e) {
        RaiseSocketError("connect: " + e.Message());
        return;
    }
    reader_.Start(Socks4(), 0);
    boundAddr_.clear();
    boundPort_.clear();
    leftover_.clear();
    leftoverPos_ = 0;
    TCustomWSocket::Connect();
}

void TCustomSocksWSocket::Listen()
{
    if (socksServerAssigned_) {
        RaiseSocketError("Listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

void TCustomSocksWSocket::FireSessionConnected(std::uint16_t error)
{
    if (reader_.Phase() != 1) {
        TCustomWSocket::FireSessionConnected(error);
        return;
    }
    // The TCP connection to the SOCKS server is up (or failed).
    FireSocksConnected(error);
    if (error != 0) {
        TCustomWSocket::FireSessionConnected(error);
        return;
    }
    const std::uint8_t method = socksAuthentication_ == socksAuthenticateUsercode ? 2 : 0;
    reader_.Start(Socks4(), method);
    if (!RefuseValuesThatDoNotFit())
        return;
    if (Socks4())
        SendConnectRequest();
    else
        SendRequest(SocksMethodRequest(method));
}

bool TCustomSocksWSocket::RefuseValuesThatDoNotFit()
{
    // The SOCKS 4 address does not change whether the request fits: 0 stands in for it.
    std::string scratch;
    std::optional<TSocksFailure> f = BuildConnectRequest(0, scratch);
    if (!f && !Socks4() && reader_.RequestedMethod() == 2)
        f = SocksAuthRequest(socksUsercode_, socksPassword_, scratch);
    if (f) {
        SocksFail(f->Code, f->Text);
        return false;
    }
    return true;
}

void TCustomSocksWSocket::SendRequest(const std::string& bytes)
{
    try {
        Send(bytes.data(), static_cast<int>(bytes.size()));
    } catch (const Exception&) {
        // A failed send shows as the close that follows.
    }
}

void TCustomSocksWSocket::SendAuthRequest()
{
    reader_.SetPhase(2);
    FireSocksAuthState(authStarting);
    std::string request;
    if (auto f = SocksAuthRequest(socksUsercode_, socksPassword_, request)) {
        SocksFail(f->Code, f->Text);
        return;
    }
    SendRequest(request);
}

void TCustomSocksWSocket::SendConnectRequest()
{
    reader_.SetPhase(3);
    std::uint32_t address = 0;
    if (socksLevel_ == "4") {
        try {
            address = WSocketResolveHost(addrStr_); // may block for a name
        } catch (const Exception& e) {
            const char* cls = dynamic_cast<const ESocketException*>(&e) ? "ESocketException" : "Exception";
            SocksFail(socksResolveFailed, std::string(cls) + " " + e.Message());
            return;
        }
    }
    std::string request;
    if (auto f = BuildConnectRequest(address, request)) {
        SocksFail(f->Code, f->Text);
        return;
    }
    SendRequest(request);
}

std::optional<TSocksFailure> TCustomSocksWSocket::BuildConnectRequest(std::uint32_t socks4Address,
                                                                      std::string& out) const
{
    if (socksLevel_ == "4")
        return Socks4ConnectRequest(portNumber_, socks4Address, socksUsercode_, out);
    if (socksLevel_ == "4A")
        return Socks4AConnectRequest(portNumber_, addrStr_, socksUsercode_, out);
    return Socks5ConnectRequest(addrStr_, portNumber_, out);
}

void TCustomSocksWSocket::SocksFail(int code, const std::string& text)
{
    const auto c = static_cast<std::uint16_t>(code);
    FireSocksError(code, text);
    TCustomWSocket::FireSessionConnected(c);
    ShutAndClose(true, c);
}

bool TCustomSocksWSocket::FireDataAvailable(std::uint16_t error)
{
    if (reader_.Phase() == 0)
        return TCustomWSocket::FireDataAvailable(error);
    if (error != 0) {
        SocksFail(error, "data receive error");
        return false;
    }
    const int phaseBefore = reader_.Phase();
    std::vector<char> buf(std::max<std::size_t>(reader_.Room(), 1));
    const int n = TCustomWSocket::RecvRaw(buf.data(), static_cast<int>(buf.size()), 0);
    if (n <= 0) {
        if (n < 0)
            lastError_ = platform::WsGetLastError();
        return true; // nothing read: the step ends without a change
    }
    // True from here on: the core must not read and drop negotiation bytes.
    switch (reader_.Add(buf.data(), static_cast<std::size_t>(n))) {
    case TSocksReplyReader::Step::NeedMore:
        return true;
    case TSocksReplyReader::Step::SendAuth:
        SendAuthRequest();
        return true;
    case TSocksReplyReader::Step::SendConnect:
        if (reader_.AuthNotRequired())
            FireSocksAuthState(authNotRequired);
        else if (phaseBefore == 2)
            FireSocksAuthState(authSucceeded);
        SendConnectRequest();
        return true;
    case TSocksReplyReader::Step::Failed:
        SocksFail(reader_.Failure().Code, reader_.Failure().Text);
        return true;
    case TSocksReplyReader::Step::Granted:
        return Granted();
    }
    return true;
}

bool TCustomSocksWSocket::Granted()
{
    boundAddr_ = reader_.BoundAddr();
    boundPort_ = std::to_string(reader_.BoundPort());
    leftover_ = reader_.Leftover();
    leftoverPos_ = 0;
    TCustomWSocket::FireSessionConnected(0);
    if (state_ != wsConnected)
        return true; // the owner closed in its handler
    // Application data that came with the reply goes through the whole chain (line mode
    // cuts it like any other data), and is announced until it is taken.
    bool result = FireDataAvailable(0);
    while (result && state_ == wsConnected && LeftoverCount() > 0) {
        const std::size_t before = LeftoverCount();
        result = FireDataAvailable(0);
        if (LeftoverCount() == before)
            break; // left for the next read notification
    }
    return result;
}

void TCustomSocksWSocket::FireSessionClosed(std::uint16_t error)
{
    if (reader_.Phase() == 2)
        FireSocksAuthState(authFailed);
    TCustomWSocket::FireSessionClosed(error);
}

void TCustomSocksWSocket::FireDataSent(std::uint16_t error)
{
    // The requests of the negotiation are the layer's own; the owner's data has not
    // started yet.
    if (reader_.Phase() != 0)
        return;
    TCustomWSocket::FireDataSent(error);
}

int TCustomSocksWSocket::RecvRaw(void* buffer, int bufferSize, int flags)
{
    if (LeftoverCount() > 0 && bufferSize > 0) {
        const std::size_t k = std::min(LeftoverCount(), static_cast<std::size_t>(bufferSize));
        std::memcpy(buffer, leftover_.data() + leftoverPos_, k);
        leftoverPos_ += k;
        if (leftoverPos_ == leftover_.size()) {
            leftover_.clear();
            leftoverPos_ = 0;
        }
        return static_cast<int>(k);
    }
    return TCustomWSocket::RecvRaw(buffer, bufferSize, flags);
}

int TCustomSocksWSocket::RcvdCount()
{
    if (LeftoverCount() > 0)
        return static_cast<int>(LeftoverCount());
    return TCustomWSocket::RcvdCount();
}

void TCustomSocksWSocket::FireSocksConnected(std::uint16_t error)
{
    if (OnSocksConnected)
        OnSocksConnected(this, error);
}

void TCustomSocksWSocket::FireSocksError(int error, const std::string& msg)
{
    if (OnSocksError)
        OnSocksError(this, error, msg);
}

void TCustomSocksWSocket::FireSocksAuthState(TSocksAuthState state)
{
    if (OnSocksAuthState)
        OnSocksAuthState(this, state);
}

} // namespace zuneigo
