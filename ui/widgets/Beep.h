#pragma once
// The desktop's warning beep, replaceable so that what beeps can be counted.
#include <functional>

namespace zuneigo {

// Sounds the desktop's beep, or calls the installed handler instead.
void Beep();

// Installs a handler that Beep calls instead of sounding; an empty one restores the sound.
// Returns the handler it replaces.
std::function<void()> SetBeepHandler(std::function<void()> handler);

} // namespace zuneigo
