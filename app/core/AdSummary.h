#pragma once
// What the search needs of one record, read once when the record is loaded: whether the
// two gender fields are exactly "1" or "0", and the age and position as converted by the
// integer rules (or that they do not convert). The search then reads 8 bytes per ad
// instead of walking its text.
#include <cstdint>
#include <string_view>

namespace zuneigo {

// The search's fields of a record at full width.
struct AdSearchFields {
    std::uint8_t Flags = 0; // AdSummary's flags
    std::int32_t Age = 0;
    std::int32_t PosX = 0;
    std::int32_t PosY = 0;
};

// The same in 8 bytes, so a million ads are 8 MB to search. Values beyond 16 bits (which
// no sensible ad has) are not kept: such a record is marked Wide and the search reads its
// text again.
struct AdSummary {
    enum : std::uint8_t {
        IsManOne = 1,       // field IsMan is exactly "1"
        IsManZero = 2,      // ... exactly "0"
        SeeksManOne = 4,    // field SeeksMan is exactly "1"
        SeeksManZero = 8,   // ... exactly "0"
        AgeValid = 16,      // Age converts
        PositionValid = 32, // PosX and PosY both convert
        Wide = 64,          // a converted value does not fit 16 bits; the others are 0
    };
    // No initializers: the database sizes its summaries before the threads of the load
    // write each one, and zeroing them first would touch every page twice.
    std::uint8_t Flags;
    std::int16_t Age;
    std::int16_t PosX;
    std::int16_t PosY;
};

// recordText: the 14 lines of one record with their breaks (the last one may be missing).
AdSearchFields ReadSearchFields(std::string_view recordText);
AdSummary SummarizeRecord(std::string_view recordText);

} // namespace zuneigo
