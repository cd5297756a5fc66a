#pragma once
// Start-up measurement: with ZUNEIGO_EXIT_AFTER_FIRST_PAINT=1 in the environment the program
// reports on standard error when its window was first painted, then quits. bench/startup
// reads the report; without the variable nothing changes.
class QWidget;

namespace zuneigo {

// Call before showing the window. The report is one line:
// "first paint: MONOTONIC s monotonic, ELAPSED s after the process started"
// (MONOTONIC on the system's monotonic clock; ELAPSED at the kernel's tick resolution).
void WatchFirstPaint(QWidget* window);

} // namespace zuneigo
