#pragma once
// The service's web server: one listening TWSocket, one accepted TWSocket per client, all
// on the calling thread's message loop; submissions are stored by a group commit thread
// whose outcomes come back as messages. One request per connection.
#include "base/Exception.h"
#include "net/WSocket.h"
#include "platform/Messages.h"
#include "service/AdStore.h"
#include "service/GroupCommit.h"
#include "service/ServiceClient.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zuneigo::service {

struct ServiceOptions {
    std::string bindAddr = "127.0.0.1";
    std::string port = "8080";
    std::string user;
    std::string password;
    std::chrono::milliseconds timeout{30000};
};

// "cannot listen on ADDR:PORT: REASON"
class EListenError : public Exception {
public:
    using Exception::Exception;
};

class TServiceServer {
public:
    TServiceServer(ServiceOptions options, TAdStore& store);
    ~TServiceServer();
    // Binds and listens; returns the port bound. Throws EListenError when it cannot.
    std::string Start();
    // Stops listening, stores what was submitted, and drops every client.
    void Stop();

    const ServiceOptions& Options() const { return options_; }
    TAdStore& Store() { return store_; }
    // Hands a client's record to the group commit; the outcome comes back to the client.
    void Submit(std::uint64_t ticket, std::string record);
    // Marks a client for freeing once its handler has returned (at the next accept or
    // timer round).
    void Release(TServiceClient* client);
    std::size_t ClientCount() const { return clients_.size(); }
    // Clients served at once, from the descriptors left at start.
    std::size_t ClientLimit() const { return maxClients_; }
    // Ads stored since start.
    std::uint64_t StoredCount() const { return stored_; }

private:
    void SessionAvailable();
    void Rest();
    void OutOfDescriptors();
    void ResumeAccepting();
    void TakeOutcomes();
    void Sweep();
    void FreeFinished();

    ServiceOptions options_;
    TAdStore& store_;
    TWSocket listener_;
    platform::HWND window_ = 0;
    std::unique_ptr<TGroupCommit> commit_;
    std::map<std::uint64_t, std::unique_ptr<TServiceClient>> clients_;
    std::vector<std::uint64_t> finished_;
    std::uint64_t nextId_ = 1;
    std::uint64_t stored_ = 0;
    std::size_t maxClients_ = 64;
    bool accepting_ = true;
    bool exhausted_ = false; // out of descriptors, reported, and connections still wait
};

} // namespace zuneigo::service
