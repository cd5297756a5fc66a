#pragma once
// --max-time: a limit on the whole transfer.

namespace zuneigo::fetch {

// When the given seconds have passed, the program writes "zuneigo-fetch: Timeout" to
// standard error and ends with status 1 wherever it is; what was written of the document
// stays written.
void ArmDeadline(double seconds);

} // namespace zuneigo::fetch
