#pragma once
// The progress meter of a transfer: one line on a terminal, redrawn in place.
#include "platform/Messages.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>

namespace zuneigo::fetch {

// Set while a meter line is on the terminal without its line end, so that a message
// written from a signal handler can start on a line of its own.
extern volatile std::sig_atomic_t ProgressLineOpen;

// Redraws as data arrives, and once a second by a timer of the thread's message queue, so
// a stalled transfer shows its falling rate.
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
    bool running_ = false; // between Begin and Finish
    bool drawn_ = false;
    platform::HWND window_{};
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
