#pragma once
// A demo ad database: ads at real German places with plausible values, in Windows-1252,
// the same bytes for the same count.
#include <cstdint>
#include <string>

namespace zuneigo::service {

// The database text of count ads (14 CR LF lines each). Once count reaches 63, every
// age from 18 to 80 occurs, and from 4 on both genders seeking both genders.
std::string DemoDatabase(std::uint32_t count);
// Writes it to path unless the file exists (through a temporary file, so the file is
// never seen half written). True when it was written; throws Exception on failure.
bool WriteDemoDatabase(const std::string& path, std::uint32_t count);

} // namespace zuneigo::service
