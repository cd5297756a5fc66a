#include "app/client/RequestWatch.h"

#include "platform/Timer.h"

#include <algorithm>
#include <vector>

namespace zuneigo {

namespace {

constexpr platform::WPARAM TickTimer = 1;
// Once cut off, the request is cut again until it is over: a redirect between the cut
// and its restart would otherwise start a fresh connection.
constexpr unsigned RecutIntervalMs = 10;

std::chrono::milliseconds& Limit()
{
    static std::chrono::milliseconds limit = RequestIdleTimeout;
    return limit;
}

// The watches of the requests running now (at most one per client).
std::vector<RequestWatch*>& Running()
{
    static std::vector<RequestWatch*> watches;
    return watches;
}

std::string Seconds(std::chrono::milliseconds d)
{
    const auto ms = d.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

} // namespace

std::chrono::milliseconds RequestIdleLimit() { return Limit(); }

void SetRequestIdleLimit(std::chrono::milliseconds limit)
{
    Limit() = limit.count() > 0 ? limit : RequestIdleTimeout;
}

void AbortRequest(THttpCli& cli)
{
    bool watched = false;
    for (RequestWatch* watch : std::vector<RequestWatch*>(Running())) {
        if (&watch->Client() == &cli) {
            watch->Abort();
            watched = true;
        }
    }
    if (!watched && cli.RequestState() != hsReady)
        cli.CtrlSocket().Abort();
}

RequestWatch::RequestWatch(THttpCli& cli)
    : cli_(cli),
      limit_(Limit()),
      last_(Now()),
      lastChange_(std::chrono::steady_clock::now())
{
    window_ = platform::CreateHiddenWindow([this](platform::UINT msg, platform::WPARAM wParam, platform::LPARAM) {
        if (msg == platform::WM_TIMER && wParam == TickTimer)
            Tick();
        return platform::LRESULT(0);
    });
    // Checked a few times within the limit, at least once a second.
    const auto interval = std::clamp<std::chrono::milliseconds::rep>(limit_.count() / 8, 1, 1000);
    platform::SetTimer(window_, TickTimer, static_cast<unsigned>(interval));
    Running().push_back(this);
    // The client ends a request on any close alike; how the connection ended is noted here.
    clientClosed_ = cli.CtrlSocket().OnSessionClosed;
    cli.CtrlSocket().OnSessionClosed = [this](TCustomWSocket* socket, std::uint16_t error) {
        if (error != 0)
            closeError_ = error;
        if (clientClosed_)
            clientClosed_(socket, error);
    };
}

RequestWatch::~RequestWatch()
{
    cli_.CtrlSocket().OnSessionClosed = clientClosed_;
    auto& running = Running();
    running.erase(std::remove(running.begin(), running.end(), this), running.end());
    platform::KillTimer(window_, TickTimer);
    platform::DestroyWindow(window_);
}

RequestWatch::Progress RequestWatch::Now() const
{
    return {cli_.RequestState(), cli_.ReceivedCount(), cli_.ReceivedHeader().size(), cli_.RedirectCount()};
}

void RequestWatch::Tick()
{
    if (cut_ != Cut::None) {
        if (cli_.RequestState() != hsReady)
            cli_.CtrlSocket().Abort();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const Progress p = Now();
    if (!(p == last_)) {
        last_ = p;
        lastChange_ = now;
        return;
    }
    if (p.state != hsReady && now - lastChange_ >= limit_)
        CutOff(Cut::TimedOut);
}

void RequestWatch::Abort()
{
    CutOff(Cut::Aborted);
}

void RequestWatch::CutOff(Cut why)
{
    if (cut_ == Cut::None || why == Cut::Aborted)
        cut_ = why;
    platform::SetTimer(window_, TickTimer, RecutIntervalMs);
    if (cli_.RequestState() != hsReady)
        cli_.CtrlSocket().Abort();
}

void RequestWatch::ThrowIfCutOff() const
{
    if (cut_ == Cut::Aborted)
        throw ERequestAborted("request aborted");
    if (cut_ == Cut::TimedOut)
        throw ERequestTimedOut("nothing received for " + Seconds(limit_));
}

} // namespace zuneigo
