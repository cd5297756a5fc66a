#include "SearchOptions.h"

#include <charconv>
#include <optional>

namespace zuneigo::search {

const char* const SearchHelp =
    "Usage: zuneigo-search [options] SOURCE\n"
    "Searches an ad database as the search tab does and lists the matches, last one first.\n"
    "SOURCE is a database file or an http:// address, fetched as the program downloads\n"
    "the database (the service's credentials included).\n"
    "\n"
    "  --i-am m|w          your own gender (default m)\n"
    "  --seeking m|w       the gender you seek (default w)\n"
    "  --from-age N        youngest age, 1 to 200 (default 18)\n"
    "  --to-age N          oldest age, 1 to 200 (default 20)\n"
    "  --radius KM         kilometres around the position, 0 to 1000 (default 150)\n"
    "  --at X,Y            the search marker's position in map pixels (default 136,120)\n"
    "  --proxy HOST[:PORT] HTTP proxy for an http:// source (port 80 when left out)\n"
    "  --help              this text\n"
    "\n"
    "Standard output: one line per match, the 12 columns of the result list separated by\n"
    "tabs, in UTF-8. Standard error ends with the line the program shows after a search.\n"
    "Exit status: 0 after a search; 1 when the download fails (no whole answer, or nothing\n"
    "received for 60 s); 2 usage error; 3 when the file cannot be read.\n";

namespace {

std::optional<std::int32_t> Decimal(std::string_view text)
{
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || p != end || text.empty())
        return std::nullopt;
    return value;
}

std::int32_t Bounded(const std::string& option, const std::string& text, std::int32_t low, std::int32_t high)
{
    const auto value = Decimal(text);
    if (!value || *value < low || *value > high)
        throw UsageError{option + ": expected a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high)};
    return *value;
}

bool IsMan(const std::string& option, const std::string& text)
{
    if (text != "m" && text != "w")
        throw UsageError{option + ": expected m or w"};
    return text == "m";
}

MapPoint Position(const std::string& text)
{
    const auto comma = text.find(',');
    std::optional<std::int32_t> x, y;
    if (comma != std::string::npos) {
        x = Decimal(std::string_view(text).substr(0, comma));
        y = Decimal(std::string_view(text).substr(comma + 1));
    }
    if (!x || !y)
        throw UsageError{"--at: expected X,Y"};
    return {*x, *y};
}

} // namespace

SearchOptions ParseSearchOptions(const std::vector<std::string>& args)
{
    SearchOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help") {
            o.help = true;
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            if (i + 1 >= args.size())
                throw UsageError{a + ": missing value"};
            const std::string& v = args[++i];
            if (a == "--i-am")
                o.criteria.SearcherIsMan = IsMan(a, v);
            else if (a == "--seeking")
                o.criteria.SearcherSeeksMan = IsMan(a, v);
            else if (a == "--from-age")
                o.criteria.VonAge = Bounded(a, v, 1, 200);
            else if (a == "--to-age")
                o.criteria.BisAge = Bounded(a, v, 1, 200);
            else if (a == "--radius")
                o.criteria.UmKreis = Bounded(a, v, 0, 1000);
            else if (a == "--at")
                o.criteria.Position = Position(v);
            else if (a == "--proxy")
                o.proxy = v;
            else
                throw UsageError{a + ": unknown option"};
            continue;
        }
        if (!o.source.empty())
            throw UsageError{"only one SOURCE"};
        o.source = a;
    }
    if (o.source.empty() && !o.help)
        throw UsageError{"missing SOURCE"};
    return o;
}

} // namespace zuneigo::search
