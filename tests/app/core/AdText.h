#pragma once
// Builds database text for the tests: records of 14 lines.
#include "app/core/SubmitUrl.h"

#include <string>
#include <vector>

namespace zuneigo::test {

// A record with everyday values; the arguments are the fields the search looks at.
AdValues MakeAd(const std::string& isMan, const std::string& seeksMan, const std::string& age,
                const std::string& posX, const std::string& posY, const std::string& name = "Anna");

// The values as lines, each followed by lineBreak.
std::string AdLines(const AdValues& ad, const std::string& lineBreak = "\r\n");

} // namespace zuneigo::test
