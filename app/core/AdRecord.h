#pragma once
// One ad is 14 consecutive lines of the database, one value per line. The same order
// is used for the query keys T1 to T14 of a submission (field i is key i + 1).

namespace zuneigo {

enum AdField : int {
    Name = 0,
    IsMan = 1,    // "1" man, "0" woman
    SeeksMan = 2, // "1" seeks a man, "0" seeks a woman
    Age = 3,
    Height = 4,
    Weight = 5,
    Smoker = 6, // "1" smoker, "0" non-smoker
    Hair = 7,
    Eyes = 8,
    Activities = 9,
    Title = 10,
    Contact = 11,
    PosX = 12, // top-left corner of the residence marker, map pixels
    PosY = 13
};

inline constexpr int AdFieldCount = 14;

// The text form of a radio button's state in a record or a query.
inline const char* FlagText(bool selected) { return selected ? "1" : "0"; }

} // namespace zuneigo
