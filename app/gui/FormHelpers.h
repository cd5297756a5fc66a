#pragma once
// Small builders shared by the windows: the font, captions, radio pairs, spin fields.
#include <QFont>
#include <QString>

class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace zuneigo {

class TRxSpinEdit;

// The windows' font: a sans-serif face 11 pixels high (8 point on a 96-dpi screen).
QFont WindowFont();

// A caption with its top-left corner at (x, y), as wide as its text.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y);

// Two radio buttons that exclude each other and nothing else: a borderless strip of
// width x 17 at (x, y), the buttons at 0 and 120, each 113 wide. first starts checked
// when firstChecked is true, second otherwise.
QWidget* MakeRadioPair(QWidget* parent, int x, int y, int width, const QString& first, const QString& second,
                       bool firstChecked, QRadioButton*& firstButton, QRadioButton*& secondButton);

// A whole-number spin field 21 high.
TRxSpinEdit* MakeSpin(QWidget* parent, int x, int y, int width, int minValue, int maxValue, int value);

// A text edit 21 high without length limit.
QLineEdit* MakeEdit(QWidget* parent, int x, int y, int width, const QString& text);

// Moves a window so that its frame sits in the middle of its screen's free area.
void CenterOnScreen(QWidget* window);

} // namespace zuneigo
