#include "ProgressMeter.h"

#include "platform/Timer.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace zuneigo::fetch {

volatile std::sig_atomic_t ProgressLineOpen = 0;

namespace {
constexpr auto RedrawEvery = std::chrono::milliseconds(200);
constexpr unsigned StalledRedrawMs = 1000;

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a meter that cannot be shown is no reason to stop the transfer
        done += static_cast<std::size_t>(n);
    }
}
} // namespace

std::string ByteText(double bytes)
{
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

std::string DurationText(double seconds)
{
    const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

ProgressMeter::ProgressMeter(int fd, bool enabled) : fd_(fd),
                                                     enabled_(enabled)
{
    if (!enabled_)
        return;
    window_ = platform::CreateHiddenWindow([this](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
        if (msg == platform::WM_TIMER && running_)
            Draw(false);
        return platform::LRESULT(0);
    });
    platform::SetTimer(window_, 1, StalledRedrawMs);
}

ProgressMeter::~ProgressMeter()
{
    Finish();
    if (window_)
        platform::DestroyWindow(window_);
}

void ProgressMeter::Begin(std::int64_t total)
{
    if (drawn_)
        Finish(); // a redirection's document had its own line
    total_ = total;
    received_ = 0;
    running_ = true;
    start_ = Clock::now();
    lastDraw_ = start_;
}

void ProgressMeter::Update(std::int64_t received)
{
    received_ = received;
    // The first piece shows at once, the rest a few times a second.
    if (enabled_ && (!drawn_ || Clock::now() - lastDraw_ >= RedrawEvery))
        Draw(false);
}

void ProgressMeter::Finish()
{
    const bool wasRunning = running_;
    running_ = false;
    if (!enabled_ || !wasRunning || (!drawn_ && received_ == 0))
        return;
    Draw(true);
    WriteAll(fd_, "\n");
    ProgressLineOpen = 0;
    drawn_ = false;
    received_ = 0;
    width_ = 0;
}

void ProgressMeter::Draw(bool last)
{
    const auto now = Clock::now();
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? received_ / seconds : 0;
    std::string line;
    if (total_ > 0) {
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(received_ * 100 / total_));
        line = std::string(percent) + "  " + ByteText(received_) + " of " + ByteText(total_);
    } else {
        line = ByteText(received_);
    }
    line += "  " + ByteText(rate) + "/s";
    if (last)
        line += "  in " + DurationText(seconds);
    else if (total_ > received_ && rate > 0)
        line += "  " + DurationText((total_ - received_) / rate) + " left";
    // Blanks cover what a longer line before left on the terminal.
    const std::size_t width = line.size();
    if (width < width_)
        line.append(width_ - width, ' ');
    width_ = width;
    WriteAll(fd_, "\r" + line);
    drawn_ = true;
    ProgressLineOpen = 1;
}

} // namespace zuneigo::fetch
