#include "app/core/AdDatabase.h"
#include "app/core/AdSearch.h"
#include "fuzz/PlainAds.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace zuneigo;

namespace {

// Short fields the search reads, with every kind of break.
std::string RandomLines(std::mt19937& random, std::size_t lines)
{
    const char* values[] = {"0", "1", "25", "-4", "130", "x", "", "99999", "Anna Beispiel"};
    const char* breaks[] = {"\r\n", "\n", "\r"};
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
        text += std::string(values[random() % std::size(values)]) + breaks[random() % std::size(breaks)];
    return text;
}

struct StretchSettings {
    StretchSettings(std::size_t parallelFrom, std::size_t stretchBytes)
    {
        AdDatabase::ParallelLoadMin = parallelFrom;
        AdDatabase::LoadJobBytes = stretchBytes;
    }
    ~StretchSettings()
    {
        AdDatabase::ParallelLoadMin = parallel;
        AdDatabase::LoadJobBytes = stretch;
    }
    std::size_t parallel = AdDatabase::ParallelLoadMin;
    std::size_t stretch = AdDatabase::LoadJobBytes;
};

// The database's lines, the summary it took of every record and its search, against the
// plain rules and each record's own text.
void ExpectLoaded(const AdDatabase& db, const std::vector<std::string>& lines)
{
    ASSERT_EQ(db.Lines(), lines);
    ASSERT_EQ(db.RecordCount(), lines.size() / AdFieldCount);
    for (std::size_t k = 0; k < db.RecordCount(); ++k) {
        const AdSummary expected = SummarizeRecord(db.RecordText(k));
        const AdSummary& taken = db.Summary(k);
        ASSERT_EQ(taken.Flags, expected.Flags) << "record " << k;
        ASSERT_EQ(taken.Age, expected.Age) << "record " << k;
        ASSERT_EQ(taken.PosX, expected.PosX) << "record " << k;
        ASSERT_EQ(taken.PosY, expected.PosY) << "record " << k;
    }
    const SearchCriteria wide{.SearcherIsMan = true, .SearcherSeeksMan = false, .VonAge = -10, .BisAge = 200, .UmKreis = 1000, .Position = {0, 0}};
    ASSERT_EQ(SearchAds(db, wide), plain::Search(lines, wide));
}

} // namespace

TEST(AdIndexer, StretchesAgreeWithThePlainRulesWhereverTheLinesAre)
{
    constexpr std::size_t never = std::numeric_limits<std::size_t>::max();
    std::mt19937 random(5);
    const std::string longLine(300000, 'x');
    // Text sizes far from what the first stretches or the samples of the text suggest, so
    // the index outgrows the room set aside for it or is left with too much.
    const std::string texts[] = {
        RandomLines(random, 400),
        longLine + "\r\n" + RandomLines(random, 5000),
        RandomLines(random, 5000) + longLine,
        RandomLines(random, 3000) + longLine + "\n" + RandomLines(random, 3000) + "\r",
    };
    const std::pair<std::size_t, std::size_t> settings[] = {
        {never, 7}, {0, 7}, {0, 4096}, {never, std::size_t{256} << 10}, {0, std::size_t{256} << 10}};
    for (const auto& [parallelFrom, stretchBytes] : settings) {
        const StretchSettings scope(parallelFrom, stretchBytes);
        for (std::size_t t = 0; t < std::size(texts); ++t) {
            SCOPED_TRACE("text " + std::to_string(t) + ", stretches of " + std::to_string(stretchBytes) +
                         (parallelFrom == 0 ? ", two threads" : ", one thread"));
            const std::string& text = texts[t];
            AdDatabase db;
            db.AppendBytes(std::vector<char>(text.begin(), text.end()));
            ExpectLoaded(db, plain::Lines(text));

            // Appended onto a partial record, cut inside the long line or among short ones.
            for (const std::size_t cut : {text.size() / 3, text.size() - 1000}) {
                AdDatabase pieces;
                pieces.AppendText(std::string_view(text).substr(0, cut));
                pieces.AppendText(std::string_view(text).substr(cut));
                ExpectLoaded(pieces, plain::LinesInPieces(text, cut));
            }
        }
    }
}
