#pragma once
// Crafted searches run both through the window and through zuneigo-search: one database,
// criteria as the search tab takes them, and the names of the rows in list order.
#include <string>
#include <vector>

namespace zuneigo::test {

struct SearchCase {
    const char* what;
    bool isMan, seeksMan;
    const char *vonAge, *bisAge, *umKreis; // as typed into the spin fields
    int x, y;                              // the search marker
    std::vector<std::string> names;        // expected rows, first row first
};

// Name, IsMan, SeeksMan, Age, PosX, PosY of each record; the other fields are fixed.
inline const std::vector<std::vector<std::string>> SearchCaseAds = {
    {"W19", "0", "1", "19", "136", "120"}, {"M19", "1", "0", "19", "136", "120"}, {"W18", "0", "1", "18", "136", "120"}, {"W17", "0", "1", "17", "136", "120"}, {"W21", "0", "1", "21", "136", "120"}, {"Wort", "0", "1", "neunzehn", "136", "120"}, {"Wpos", "0", "1", "19", "links", "120"}, {"Wblank", "0 ", "1", "19", "136", "120"}, {"W41px", "0", "1", "19", "177", "120"}, // 149.49 km east
    {"Wecke", "0", "1", "19", "-4", "-4"},
    {"WW", "0", "0", "19", "136", "120"},
    {"W20", "0", "1", "20", "136", "120"}};

inline const SearchCase SearchCases[] = {
    {"defaults, last match first", true, false, "18", "20", "150", 136, 120, {"W20", "W41px", "W18", "W19"}},
    {"woman seeking a man: crosswise", false, true, "18", "20", "150", 136, 120, {"M19"}},
    {"woman seeking a woman", false, false, "18", "20", "150", 136, 120, {"WW"}},
    {"age bounds inclusive", true, false, "19", "19", "150", 136, 120, {"W41px", "W19"}},
    {"BisAge below VonAge", true, false, "20", "18", "150", 136, 120, {}},
    {"149 km leaves out 149.49", true, false, "18", "20", "149", 136, 120, {"W20", "W18", "W19"}},
    {"radius 0 at the map corner", true, false, "1", "200", "0", -4, -4, {"Wecke"}},
    {"radius 0 one pixel off", true, false, "1", "200", "0", -4, -3, {}}};

// The first row of the defaults' result, every cell in UTF-8.
inline const std::vector<std::string> SearchCaseFirstRow = {
    "W20", "20", "170", "60", "0", "Titel W20", "kurz", "gr\xC3\xBCn", "Lesen", "k@x.de", "136", "120"};

inline std::string SearchDoneMessage(std::size_t n, const std::string& prefix = "")
{
    return prefix + "Die Suche wurde beendet. Es wurden " + std::to_string(n) + " passende Anzeigen gefunden.";
}

// The database of SearchCaseAds in CR LF lines, Windows-1252.
inline std::string SearchCaseDatabase()
{
    std::string text;
    for (const auto& ad : SearchCaseAds)
        for (const std::string& line : {ad[0], ad[1], ad[2], ad[3], std::string("170"), std::string("60"),
                                        std::string("0"), std::string("kurz"), std::string("gr\xFCn"),
                                        std::string("Lesen"), "Titel " + ad[0], std::string("k@x.de"), ad[4], ad[5]})
            text += line + "\r\n";
    return text;
}

} // namespace zuneigo::test
