#pragma once
// How a spin field's text and its number convert into each other, by value type.
#include "ui/widgets/RxSpinEdit.h"

#include <QLocale>
#include <QString>

#include <optional>

namespace zuneigo {

// The number a text stands for, or nothing when it does not convert.
// vtInteger: a decimal integer (blanks and a sign may lead); vtHex: hexadecimal digits,
// a sign may lead; vtFloat: a number in the locale's format, without group separators.
std::optional<long double> ParseSpinText(const QString& text, TValueType type, const QLocale& locale);

// The text of a number: vtInteger and vtHex round to the nearest whole number (halves to
// the even neighbour); vtFloat writes fixed-point with `decimals` decimals from at most 15
// significant digits, in the locale's decimal separator.
QString FormatSpinValue(long double value, TValueType type, int decimals, const QLocale& locale);

// Nearest whole number; a half goes to the even neighbour.
long double RoundHalfEven(long double value);

// Whether a typed character may go into a field of this type holding `text`.
bool SpinCharAllowed(QChar c, TValueType type, const QString& text, const QLocale& locale);

} // namespace zuneigo
