#include "Deadline.h"
#include "ProgressMeter.h"

#include <csignal>
#include <cstring>
#include <sys/time.h>
#include <unistd.h>

namespace zuneigo::fetch {

namespace {

const char TimeoutMessage[] = "zuneigo-fetch: Timeout\n";

// Only calls that are safe in a signal handler.
void OnDeadline(int)
{
    // The message goes below a progress meter's line, not onto its end.
    const ssize_t ignored = ProgressLineOpen ? ::write(2, "\n", 1) + ::write(2, TimeoutMessage, sizeof TimeoutMessage - 1)
                                             : ::write(2, TimeoutMessage, sizeof TimeoutMessage - 1);
    (void)ignored;
    ::_exit(1);
}

} // namespace

void ArmDeadline(double seconds)
{
    struct sigaction action {};
    action.sa_handler = OnDeadline;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    itimerval timer{};
    const auto micros = static_cast<long long>(seconds * 1e6);
    timer.it_value.tv_sec = static_cast<time_t>(micros / 1000000);
    timer.it_value.tv_usec = static_cast<suseconds_t>(micros % 1000000);
    if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0)
        timer.it_value.tv_usec = 1;
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace zuneigo::fetch
