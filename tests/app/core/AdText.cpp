#include "AdText.h"

namespace zuneigo::test {

AdValues MakeAd(const std::string& isMan, const std::string& seeksMan, const std::string& age,
                const std::string& posX, const std::string& posY, const std::string& name)
{
    return {name, isMan, seeksMan, age, "170", "60", "0", "lang, blond", "gr\xFCn",
            "Lesen, Wandern", "Wer traut sich?", "anna@example.org", posX, posY};
}

std::string AdLines(const AdValues& ad, const std::string& lineBreak)
{
    std::string out;
    for (const auto& value : ad)
        out += value + lineBreak;
    return out;
}

} // namespace zuneigo::test
