#pragma once
// The progress meter of a transfer: one line on a terminal, redrawn in place.
#include <chrono>
#include <cstdint>
#include <string>

namespace zuneigo::fetch {

class ProgressMeter {
public:
    // Draws on the terminal behind fd; a disabled meter draws nothing.
    ProgressMeter(int fd, bool enabled);
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // A document starts; total is its announced length, or below 0 when unknown.
    void Begin(std::int64_t total);
    // received bytes of the document so far; redraws a few times a second at most.
    void Update(std::int64_t received);
    // Draws the last state and ends the line (when anything was drawn).
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    void Draw(bool last);

    int fd_;
    bool enabled_;
    bool drawn_ = false;
    std::int64_t total_ = -1;
    std::int64_t received_ = 0;
    std::size_t width_ = 0;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

// "512 B", "12.3 KiB", "1.5 MiB", "2.0 GiB".
std::string ByteText(double bytes);
// "M:SS" or "H:MM:SS".
std::string DurationText(double seconds);

} // namespace zuneigo::fetch
