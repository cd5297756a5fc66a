#pragma once
// THttpCli: the HTTP/1.0 client on its own TWSocket and hidden window. Everything it
// does on the wire lives in TCustomHttpCli; this class only connects the two.
#include "http/CustomHttpCli.h"
#include "net/WSocket.h"
#include "platform/Messages.h"

#include <memory>

namespace zuneigo {

class THttpCli : public TCustomHttpCli {
public:
    THttpCli();
    ~THttpCli() override;

    void SetMultiThreaded(bool v) override;
    // The socket the client owns, for settings of the layers below HTTP (for example a
    // SOCKS server, set from OnStateChange when the state becomes hsDnsLookupDone).
    TWSocket& CtrlSocket() { return *socket_; }
    platform::HWND WindowHandle() const { return window_; }

protected:
    void TransportDnsLookup(const std::string& host) override;
    void TransportConnect(const std::string& addr, const std::string& port) override;
    int TransportLastError() override;
    std::string TransportErrorText(int error) override;
    void TransportSend(const void* data, std::size_t len) override;
    long TransportReceive(void* buffer, std::size_t len) override;
    void TransportClose() override;
    void PostCliMessage(unsigned message) override;
    void WaitForMessages() override;

private:
    platform::HWND window_ = 0;
    std::unique_ptr<TWSocket> socket_;
};

} // namespace zuneigo
