#pragma once
// Small builders shared by the windows: the font, captions, radio pairs, spin fields.
#include <QFont>
#include <QString>

#include <string_view>

class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace zuneigo {

class TRxSpinEdit;

// The windows' font: a sans-serif face 11 pixels high (8 point on a 96-dpi screen).
QFont WindowFont();

// A caption with its top-left corner at (x, y), as wide as its text.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y);

// Every window levels a caption with the text of the field on its row: the caption sits
// CaptionDrop below the top of a 21-high field, and a 17-high radio strip on such a row
// RadioStripDrop below the row's top, so its captions line up too.
inline constexpr int CaptionDrop = 4;
inline constexpr int RadioStripDrop = 2;

// The caption of the row whose fields start at rowY.
QLabel* MakeFieldCaption(QWidget* parent, const QString& text, int x, int rowY);

// Two radio buttons that exclude each other and nothing else: a borderless strip of
// width x 17 at (x, y), the buttons at 0 and 120, each 113 wide. first starts checked
// when firstChecked is true, second otherwise. Every arrow key switches to the other one.
QWidget* MakeRadioPair(QWidget* parent, int x, int y, int width, const QString& first, const QString& second,
                       bool firstChecked, QRadioButton*& firstButton, QRadioButton*& secondButton);

// A whole-number spin field 21 high.
TRxSpinEdit* MakeSpin(QWidget* parent, int x, int y, int width, int minValue, int maxValue, int value);

// A text edit 21 high without length limit, its text kept on one line.
QLineEdit* MakeEdit(QWidget* parent, int x, int y, int width, const QString& text);

// Windows-1252 text as the widgets show it.
QString Cp1252Text(std::string_view cp1252);

// Lights up the tab under the mouse pointer.
void HotTrackTabs(QTabWidget* tabs);

// Moves a window so that its frame sits in the middle of its screen's free area.
void CenterOnScreen(QWidget* window);

} // namespace zuneigo
