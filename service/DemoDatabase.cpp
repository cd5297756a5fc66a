#include "service/DemoDatabase.h"

#include "app/core/AdRecord.h"
#include "base/Exception.h"
#include "service/DemoPlaces.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace zuneigo::service {
namespace {

constexpr std::array<const char*, 40> WomenNames = {
    "Anna", "Lena", "Julia", "Laura", "Sarah", "Lisa", "Katharina", "Johanna", "Marie", "Sophie",
    "Hannah", "Lea", "Claudia", "Sabine", "Petra", "Monika", "Ursula", "Renate", "Birgit", "Susanne",
    "Andrea", "Stefanie", "Nicole", "Kerstin", "Heike", "Elke", "Karin", "Gisela", "Ingrid", "Helga",
    "Franziska", "Christina", "Melanie", "Daniela", "Anja", "Tanja", "Silke", "Doris", "B\xE4rbel", "Mia"};
constexpr std::array<const char*, 40> MenNames = {
    "Lukas", "Leon", "Jonas", "Paul", "Felix", "Maximilian", "Tim", "Jan", "Niklas", "Moritz",
    "Thomas", "Michael", "Andreas", "Stefan", "Frank", "Markus", "Christian", "Peter", "Wolfgang", "Klaus",
    "J\xFCrgen", "Uwe", "Dieter", "Bernd", "G\xFCnter", "Horst", "Manfred", "Ralf", "Sven", "Tobias",
    "Florian", "Sebastian", "Matthias", "Alexander", "Daniel", "Philipp", "Bj\xF6rn", "J\xF6rg", "Holger", "Karl"};
constexpr std::array<const char*, 12> Hair = {
    "blond", "dunkelblond", "hellbraun", "braun", "dunkelbraun", "schwarz",
    "rot", "grau", "kurz, braun", "lang, blond", "kurz, dunkles rot", "grau meliert"};
constexpr std::array<const char*, 6> Eyes = {"blau", "gr\xFCn", "braun", "grau", "graublau", "gr\xFCnbraun"};
constexpr std::array<const char*, 18> Activities = {
    "Wandern", "Kino", "Kochen", "Radfahren", "Lesen", "Musik h\xF6ren", "Tanzen", "Reisen", "Schwimmen",
    "Fu\337ball", "Theater", "Fotografieren", "Gartenarbeit", "Programmieren", "Segeln", "Yoga", "Konzerte",
    "Brettspiele"};
constexpr std::array<const char*, 3> Domains = {"example.com", "example.org", "example.net"};

// A small fixed generator, so the same count always gives the same bytes.
class Random {
public:
    std::uint64_t Next()
    {
        state_ += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Between(int low, int high) { return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1)); }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    template <class T, std::size_t N>
    const T& Pick(const std::array<T, N>& items)
    {
        return items[Next() % N];
    }

private:
    std::uint64_t state_ = 0x5A756E6569676Full;
};

// Umlauts and the sharp s spelled out, everything but letters and digits dropped.
std::string MailName(std::string_view name)
{
    std::string out;
    for (unsigned char c : name) {
        switch (c) {
        case 0xE4: out += "ae"; break;
        case 0xF6: out += "oe"; break;
        case 0xFC: out += "ue"; break;
        case 0xC4: out += "ae"; break;
        case 0xD6: out += "oe"; break;
        case 0xDC: out += "ue"; break;
        case 0xDF: out += "ss"; break;
        default:
            if (c >= 'A' && c <= 'Z')
                out += static_cast<char>(c + 32);
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
                out += static_cast<char>(c);
        }
    }
    return out;
}

void AddLine(std::string& out, const std::string& value)
{
    out += value;
    out += "\r\n";
}

} // namespace

std::string DemoDatabase(std::uint32_t count)
{
    static_assert(AdFieldCount == 14);
    Random rnd;
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 180);
    for (std::uint32_t i = 0; i < count; ++i) {
        // The first ads run through every combination and every age once.
        const bool isMan = i < 4 ? (i & 1) != 0 : rnd.Between(0, 1) == 1;
        const bool seeksMan = i < 4 ? (i & 2) != 0 : (rnd.Between(0, 9) == 0 ? isMan : !isMan);
        const int age = i < 63 ? 18 + static_cast<int>((i * 29) % 63) : rnd.Between(18, 80);
        const std::string name = isMan ? rnd.Pick(MenNames) : rnd.Pick(WomenNames);
        const int height = isMan ? rnd.Between(165, 200) : rnd.Between(152, 185);
        const double bmi = 19.0 + rnd.Unit() * 10.0 + (age > 45 ? 1.5 : 0.0);
        const int weight = static_cast<int>(std::lround(bmi * height * height / 10000.0));
        // Larger places get more ads (the table is ordered by size).
        const double u = rnd.Unit();
        const DemoPlace& place = DemoPlaces[static_cast<std::size_t>(u * u * DemoPlaces.size())];

        std::string hobbies = rnd.Pick(Activities);
        for (int k = rnd.Between(1, 3); k > 0; --k) {
            const char* more = rnd.Pick(Activities);
            if (hobbies.find(more) == std::string::npos) hobbies += std::string(", ") + more;
        }
        const char* sought = seeksMan ? "einen netten Mann" : "eine nette Frau";
        std::string title;
        switch (rnd.Between(0, 4)) {
        case 0: title = std::string("Suche ") + sought + " aus " + place.Name; break;
        case 1: title = std::string("Wer hat Lust auf ") + rnd.Pick(Activities) + " mit mir?"; break;
        case 2: title = name + " (" + std::to_string(age) + ") sucht " + sought; break;
        case 3: title = std::string("Neu in ") + place.Name + " und neugierig"; break;
        default: title = std::string("Gemeinsam statt einsam in ") + place.Name; break;
        }
        const std::string contact = MailName(name) + "." + std::to_string(1000 + i) + "@" + rnd.Pick(Domains);

        AddLine(out, name);
        AddLine(out, FlagText(isMan));
        AddLine(out, FlagText(seeksMan));
        AddLine(out, std::to_string(age));
        AddLine(out, std::to_string(height));
        AddLine(out, std::to_string(weight));
        AddLine(out, FlagText(rnd.Between(0, 3) == 0));
        AddLine(out, rnd.Pick(Hair));
        AddLine(out, rnd.Pick(Eyes));
        AddLine(out, hobbies);
        AddLine(out, title);
        AddLine(out, contact);
        AddLine(out, std::to_string(place.X));
        AddLine(out, std::to_string(place.Y));
    }
    return out;
}

bool WriteDemoDatabase(const std::string& path, std::uint32_t count)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return false;
    const std::string text = DemoDatabase(count);
    const std::string temp = path + ".demo-" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) throw Exception("cannot write " + temp + ": " + std::strerror(errno));
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0 &&
        ::fdatasync(::fileno(f)) == 0;
    std::fclose(f);
    // link() instead of rename(): a file that appeared meanwhile is never replaced.
    if (!ok || ::link(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        if (ok && error == EEXIST) return false;
        throw Exception("cannot write " + path + ": " + std::strerror(error));
    }
    ::unlink(temp.c_str());
    return true;
}

} // namespace zuneigo::service
