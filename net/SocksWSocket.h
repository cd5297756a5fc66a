#pragma once
// TCustomSocksWSocket: the SOCKS client layer of the socket component. With SocksServer
// set, Connect reaches the SOCKS server and negotiates (SOCKS 4, 4A or 5, with the user
// name and password method) a relayed connection to Addr and Port; the owner sees
// OnSessionConnected(0) only once the server has granted it. With SocksServer empty
// every call and event passes through unchanged.
#include "net/CustomWSocket.h"
#include "net/SocksProtocol.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zuneigo {

enum TSocksAuthentication { socksNoAuthentication,
                            socksAuthenticateUsercode };
enum TSocksAuthState { authStarting,
                       authSucceeded,
                       authFailed,
                       authNotRequired };

using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;
using TSocksErrorEvent = std::function<void(TCustomWSocket* Sender, int Error, const std::string& Msg)>;

class TCustomSocksWSocket : public TCustomWSocket {
public:
    TCustomSocksWSocket();

    // Host of the SOCKS server; non-empty switches the layer on. Stored trimmed.
    const std::string& SocksServer() const { return socksServer_; }
    virtual void SetSocksServer(const std::string& value);
    const std::string& SocksPort() const { return socksPort_; }
    virtual void SetSocksPort(const std::string& value);
    // "4", "4A" or "5".
    const std::string& SocksLevel() const { return socksLevel_; }
    void SetSocksLevel(const std::string& value);
    const std::string& SocksUsercode() const { return socksUsercode_; }
    void SetSocksUsercode(const std::string& value) { socksUsercode_ = value; }
    const std::string& SocksPassword() const { return socksPassword_; }
    void SetSocksPassword(const std::string& value) { socksPassword_ = value; }
    TSocksAuthentication SocksAuthentication() const { return socksAuthentication_; }
    void SetSocksAuthentication(TSocksAuthentication value) { socksAuthentication_ = value; }

    // Address and port the server reported in its grant.
    const std::string& BoundAddr() const { return boundAddr_; }
    const std::string& BoundPort() const { return boundPort_; }
    // 0 none, 1 waiting for the method choice, 2 for the authentication reply, 3 for
    // the connect reply.
    int SocksPhase() const { return reader_.Phase(); }

    TSessionConnected OnSocksConnected;
    TSocksAuthStateEvent OnSocksAuthState;
    TSocksErrorEvent OnSocksError;

    void Connect() override;
    void Listen() override;
    int RcvdCount() override;

protected:
    bool SocksNegotiating() const { return reader_.Phase() != 0; }

    void ResetDefaults() override;
    bool FireDataAvailable(std::uint16_t error) override;
    void FireSessionConnected(std::uint16_t error) override;
    void FireSessionClosed(std::uint16_t error) override;
    void FireDataSent(std::uint16_t error) override;
    int RecvRaw(void* buffer, int bufferSize, int flags) override;

    virtual void FireSocksConnected(std::uint16_t error);
    virtual void FireSocksError(int error, const std::string& msg);
    virtual void FireSocksAuthState(TSocksAuthState state);

private:
    bool Socks4() const { return !socksLevel_.empty() && socksLevel_[0] == '4'; }
    // OnSocksError, OnSessionConnected and OnSessionClosed with the code; socket closed.
    void SocksFail(int code, const std::string& text);
    // Checks before anything is sent that every value fits its message.
    bool RefuseValuesThatDoNotFit();
    void SendAuthRequest();
    void SendConnectRequest();
    // The connect request of the level in use; socks4Address is the destination (network
    // order) for level 4 only.
    std::optional<TSocksFailure> BuildConnectRequest(std::uint32_t socks4Address, std::string& out) const;
    void SendRequest(const std::string& bytes);
    bool Granted();
    std::size_t LeftoverCount() const { return leftover_.size() - leftoverPos_; }

    std::string socksServer_;
    std::string socksPort_;
    std::string socksLevel_ = "5";
    std::string socksUsercode_;
    std::string socksPassword_;
    TSocksAuthentication socksAuthentication_ = socksNoAuthentication;
    bool socksServerAssigned_ = false;
    bool socksPortAssigned_ = false;

    TSocksReplyReader reader_;
    std::string boundAddr_;
    std::string boundPort_;
    std::string leftover_;
    std::size_t leftoverPos_ = 0;
};

} // namespace zuneigo
