// deps: zuneigo_core zuneigo_base
// The result rows of a search over arbitrary database bytes: as many rows as matches,
// each row's cells the matching record's fields in column order, also after the database
// is gone. The first bytes choose the criteria.
#include "app/core/ResultColumns.h"
#include "fuzz/PlainAds.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < zuneigo::plain::CriteriaBytes)
        return 0;
    const zuneigo::SearchCriteria c = zuneigo::plain::CriteriaFromBytes(data);

    auto db = std::make_unique<zuneigo::AdDatabase>();
    db->AppendText(std::string_view(reinterpret_cast<const char*>(data + zuneigo::plain::CriteriaBytes), size - zuneigo::plain::CriteriaBytes));
    const std::vector<std::size_t> matches = zuneigo::SearchAds(*db, c);
    std::vector<std::vector<std::string>> expected;
    for (std::size_t k : matches) {
        const auto fields = db->Record(k);
        expected.emplace_back();
        for (const auto& column : zuneigo::ResultColumns)
            expected.back().emplace_back(fields[column.Field]);
    }
    const zuneigo::ResultRows rows(*db, c);
    db.reset();
    if (rows.Count() != expected.size())
        std::abort();
    for (std::size_t r = 0; r < rows.Count(); ++r)
        for (int col = 0; col < zuneigo::ResultColumnCount; ++col)
            if (rows.Cell(r, col) != expected[r][static_cast<std::size_t>(col)])
                std::abort();
    return 0;
}
