#pragma once
// Timers of hidden windows: WM_TIMER (wParam = the timer's id) is posted to the window
// every interval until the timer is killed. A timer that comes due while its last
// WM_TIMER is still queued posts no second one, so a busy thread never finds a pile of
// them. Killing a timer (or destroying its window) drops its queued WM_TIMER.
#include "platform/Messages.h"

#include <cstdint>

namespace zuneigo::platform {

constexpr UINT WM_TIMER = 0x0113;

// Starts, or restarts with a new interval, the timer id of the window. Any thread.
// False when the window does not exist. Intervals below 1 ms count as 1 ms.
bool SetTimer(HWND hwnd, WPARAM id, unsigned intervalMs);
// Stops the timer; false when it was not running.
bool KillTimer(HWND hwnd, WPARAM id);

} // namespace zuneigo::platform
