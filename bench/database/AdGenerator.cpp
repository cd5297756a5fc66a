#include "AdGenerator.h"

#include "app/core/MapCities.h"
#include "app/core/MapScale.h"

#include <algorithm>
#include <string>

namespace zuneigo::bench {

namespace {

// Windows-1252 texts, as the service stores them.
const char* const Names[] = {"Lena", "Sonnenschein", "Tom", "Kuschelbaer", "Anna", "Jonas", "Mia", "Felix",
                             "Sternchen", "Lukas", "Hannah", "Nordlicht", "Sophie", "Max", "J\xFCrgen", "B\xE4rbel",
                             "Wanderfreund", "Katrin", "Moritz", "Leseratte", "Paul", "Emma", "Stefan", "Claudia"};
const char* const HairLength[] = {"kurz", "lang", "schulterlang", "mittellang", "lockig", "glatt", "wenig"};
const char* const HairColour[] = {"blond", "dunkelblond", "braun", "dunkelbraun", "schwarz", "rot", "grau", "dunkles rot"};
const char* const Eyes[] = {"blau", "gr\xFCn", "braun", "graublau", "gr\xFCn-braun", "grau", "dunkelbraun"};
const char* const Activities[] = {"Programmieren", "Kino", "Musik h\xF6ren", "Wandern", "Radfahren", "Kochen", "Lesen",
                                  "Tanzen", "Reisen", "Fu\337ball", "Schwimmen", "Fotografieren", "Theater",
                                  "Gitarre spielen", "Gartenarbeit", "Joggen", "Brettspiele", "Malen"};
const char* const Titles[] = {"Suche nettes M\344dchen", "Wer traut sich?", "Gemeinsam statt einsam",
                              "Suche die Frau f\xFCrs Leben", "Netter Er sucht nette Sie", "Lust auf Kaffee?",
                              "Sportlich, ehrlich, treu", "Romantiker sucht Romantikerin", "Hallo du da!",
                              "Auf der Suche nach dem Gl\374ck", "Neu in der Stadt", "Einfach mal schreiben"};
const char* const Domains[] = {"example.org", "example.com", "example.net", "mail.example.de", "post.example.de"};

std::string Lower(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c + 32);
        else if (c < 128)
            out += *p;
        else
            out += 'x';
    }
    return out;
}

} // namespace

std::uint64_t AdGenerator::Random()
{
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

AdValues AdGenerator::Next()
{
    AdValues ad;
    const char* name = Pick(Names);
    ad[AdField::Name] = name;
    if (Below(3) == 0)
        ad[AdField::Name] += std::to_string(60 + Below(45));
    const bool man = Below(2) == 0;
    ad[AdField::IsMan] = FlagText(man);
    ad[AdField::SeeksMan] = FlagText(Below(10) == 0 ? man : !man);
    ad[AdField::Age] = std::to_string(18 + Below(40) + Below(25));
    ad[AdField::Height] = std::to_string(150 + Below(30) + Below(25));
    ad[AdField::Weight] = std::to_string(45 + Below(40) + Below(40));
    ad[AdField::Smoker] = FlagText(Below(10) < 3);
    ad[AdField::Hair] = std::string(Pick(HairLength)) + ", " + Pick(HairColour);
    ad[AdField::Eyes] = Pick(Eyes);
    std::string activities = Pick(Activities);
    for (std::uint32_t n = 1 + Below(4); n > 0; --n)
        activities += std::string(", ") + Pick(Activities);
    ad[AdField::Activities] = activities;
    ad[AdField::Title] = Pick(Titles);
    ad[AdField::Contact] = Lower(name) + std::to_string(Below(1000)) + "@" + Pick(Domains);
    // Most people live in or around the large cities, the others anywhere on the map.
    int x;
    int y;
    if (Below(10) < 6) {
        const MapCity& city = MapCities[Below(static_cast<std::uint32_t>(MapCities.size()))];
        x = city.X + static_cast<int>(Below(21) + Below(21)) - 20;
        y = city.Y + static_cast<int>(Below(21) + Below(21)) - 20;
    } else {
        x = static_cast<int>(Below(MapWidth));
        y = static_cast<int>(Below(MapHeight));
    }
    // Marker corners: the clicked pixel minus the marker offset.
    ad[AdField::PosX] = std::to_string(std::clamp(x, 0, MapWidth - 1) - MarkerOffset);
    ad[AdField::PosY] = std::to_string(std::clamp(y, 0, MapHeight - 1) - MarkerOffset);
    return ad;
}

} // namespace zuneigo::bench
