#pragma once
// Start and stop of the socket library. It starts on the first socket call and stops
// when the socket layer says so (the last component is destroyed); a later call starts it
// again. The counters let tests observe that.
namespace zuneigo::platform {

// Starts the library if it is not running (ignores SIGPIPE process-wide on first start).
void SocketLibraryStart();
// Stops it if it is running. Sockets stay open; only the library's state is forgotten.
void SocketLibraryStop();
bool SocketLibraryRunning();
// How often the library was started / stopped since the process began.
int SocketLibraryStartCount();
int SocketLibraryStopCount();

} // namespace zuneigo::platform
