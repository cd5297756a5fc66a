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

std::vector<std::string> ReferenceLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string current;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        } else {
            current += c;
            ++i;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

} // namespace zuneigo::test
