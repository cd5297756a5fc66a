#include "service/ServiceServer.h"

#include "platform/Timer.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <sys/resource.h>

namespace zuneigo::service {
namespace {

constexpr platform::WPARAM SweepTimer = 1;
constexpr platform::WPARAM ResumeTimer = 2;
constexpr platform::UINT WM_STORED = platform::WM_USER + 1;
// Connections beyond the limit still accepted to be told "503" (they hold a descriptor
// until they are answered and gone).
constexpr std::size_t BusySpare = 16;
// Descriptors kept free for the data file opened again and the old one a download holds.
constexpr std::size_t FileSpare = 8;
// Without descriptors the listener rests this long unless a connection ends first.
constexpr unsigned ResumeMs = 250;

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.') ++count;
        ::closedir(dir);
        return count - 1; // the folder's own
    }
    return 16;
}

// As many clients as descriptors allow beside those open now.
std::size_t DescriptorClientLimit()
{
    rlimit rl{};
    if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < rl.rlim_max) {
        rl.rlim_cur = rl.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &rl);
        ::getrlimit(RLIMIT_NOFILE, &rl);
    }
    const std::size_t reserved = OpenDescriptors() + BusySpare + FileSpare;
    const auto limit = static_cast<std::size_t>(std::min<rlim_t>(rl.rlim_cur, 1 << 20));
    return limit > reserved + 1 ? limit - reserved : 1;
}

} // namespace

TServiceServer::TServiceServer(ServiceOptions options, TAdStore& store)
    : options_(std::move(options)),
      store_(store)
{
    window_ = platform::CreateHiddenWindow([this](platform::UINT msg, platform::WPARAM w, platform::LPARAM) {
        if (msg == platform::WM_TIMER && w == SweepTimer) Sweep();
        if (msg == platform::WM_TIMER && w == ResumeTimer) ResumeAccepting();
        if (msg == WM_STORED) TakeOutcomes();
        return platform::LRESULT(0);
    });
    commit_ = std::make_unique<TGroupCommit>(store_, window_, WM_STORED);
    listener_.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t) { SessionAvailable(); };
}

TServiceServer::~TServiceServer()
{
    Stop();
    platform::DestroyWindow(window_);
}

std::string TServiceServer::Start()
{
    listener_.SetAddr(options_.bindAddr);
    listener_.SetPort(options_.port);
    listener_.SetProto("tcp");
    listener_.SetListenBacklog(1024);
    listener_.SetReuseAddr(true);
    // OnError is not assigned yet: a failed bind or listen throws, and the service must
    // not run on without a listener.
    try {
        listener_.Listen();
    } catch (const Exception& e) {
        // A failed call reads "Error 10048 in function Bind\r\nAddress already in use": the
        // reason is the last line. A one-line message comes from resolving the address.
        const std::string message = e.Message();
        const auto lineEnd = message.rfind('\n');
        throw EListenError("cannot listen on " + options_.bindAddr + ":" + options_.port + ": " +
                           (lineEnd == std::string::npos ? "no such host or address" : message.substr(lineEnd + 1)));
    }
    maxClients_ = DescriptorClientLimit();
    // From now on listener failures are reported here, not thrown: a failed accept (no
    // descriptors left) must not close the listener. "Would block" ends a round.
    listener_.OnError = [this](TCustomWSocket*) {
        const int error = listener_.LastError();
        if (error != platform::WSAEWOULDBLOCK && error != platform::WSAEMFILE && error != platform::WSAENOBUFS)
            std::fprintf(stderr, "zuneigo-service: accept failed, error %d\n", error);
    };
    const auto tick = std::max<long long>(10, options_.timeout.count() / 4);
    platform::SetTimer(window_, SweepTimer, static_cast<unsigned>(std::min<long long>(tick, 1000)));
    return listener_.GetLocalPortText();
}

void TServiceServer::Stop()
{
    platform::KillTimer(window_, SweepTimer);
    platform::KillTimer(window_, ResumeTimer);
    if (listener_.State() != wsClosed) listener_.Close();
    commit_.reset(); // what was submitted is stored before the end
    for (auto& [id, client] : clients_)
        client->Drop();
    finished_.clear();
    clients_.clear();
}

void TServiceServer::Submit(std::uint64_t ticket, std::string record)
{
    if (commit_) commit_->Submit(ticket, std::move(record));
}

void TServiceServer::TakeOutcomes()
{
    if (!commit_) return;
    for (const TGroupCommit::Outcome& o : commit_->TakeOutcomes()) {
        if (o.stored) ++stored_;
        const auto it = clients_.find(o.ticket);
        if (it != clients_.end() && !it->second->Finished()) it->second->Stored(o.stored);
    }
}

void TServiceServer::SessionAvailable()
{
    FreeFinished();
    // Several pending connections per notification: a burst costs fewer loop rounds.
    for (int round = 0; round < 32 && accepting_; ++round) {
        if (clients_.size() >= maxClients_ + BusySpare) {
            // Even the "503" answers are used up: the rest wait in the backlog.
            Rest();
            return;
        }
        const SOCKET h = listener_.Accept();
        if (h == platform::INVALID_SOCKET) {
            const int error = listener_.LastError();
            if (error == platform::WSAEMFILE || error == platform::WSAENOBUFS) {
                OutOfDescriptors();
            } else if (error == platform::WSAEWOULDBLOCK && exhausted_) {
                // Nobody waits any more: the episode is over.
                std::fprintf(stderr, "zuneigo-service: every waiting connection accepted again\n");
                exhausted_ = false;
            }
            return;
        }
        const bool busy = clients_.size() >= maxClients_;
        try {
            auto client = std::make_unique<TServiceClient>(*this, h, nextId_++, busy);
            if (!client->Finished()) clients_.emplace(client->Id(), std::move(client));
        } catch (const std::exception& e) {
            // One client that cannot be set up must not take the listener down.
            std::fprintf(stderr, "zuneigo-service: %s\n", e.what());
        }
    }
}

void TServiceServer::Rest()
{
    // The listener stays readable while connections wait: watching it now would spin.
    // It rests until a connection ends or the timer fires.
    accepting_ = false;
    listener_.Pause();
    platform::SetTimer(window_, ResumeTimer, ResumeMs);
}

void TServiceServer::OutOfDescriptors()
{
    Rest();
    if (!exhausted_) {
        exhausted_ = true;
        std::fprintf(stderr, "zuneigo-service: out of descriptors with %zu clients; new connections wait\n",
                     clients_.size());
    }
}

void TServiceServer::ResumeAccepting()
{
    platform::KillTimer(window_, ResumeTimer);
    if (accepting_ || listener_.State() != wsListening) return;
    accepting_ = true;
    listener_.Resume();
}

void TServiceServer::Release(TServiceClient* client)
{
    finished_.push_back(client->Id());  // its own handler is still running: freed later
    if (!accepting_) ResumeAccepting(); // its descriptor is closed by then
}

void TServiceServer::FreeFinished()
{
    for (std::uint64_t id : finished_)
        clients_.erase(id);
    finished_.clear();
}

void TServiceServer::Sweep()
{
    FreeFinished();
    const auto now = TServiceClient::Clock::now();
    bool freed = false;
    for (auto it = clients_.begin(); it != clients_.end();) {
        TServiceClient& c = *it->second;
        if (!c.Finished() && c.Check(now)) {
            c.Drop();
            it = clients_.erase(it);
            freed = true;
        } else {
            ++it;
        }
    }
    if (freed && !accepting_) ResumeAccepting();
}

} // namespace zuneigo::service
