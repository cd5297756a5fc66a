#include "ui/widgets/RxSpinEdit.h"

#include "base/IntText.h"

#include <cmath>

namespace zuneigo {

TRxSpinEdit::TRxSpinEdit(QWidget* parent) : QLineEdit(parent)
{
    setText("0");
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!changing_ && OnChange)
            OnChange(this);
    });
}

TRxSpinEdit::~TRxSpinEdit() = default;

void TRxSpinEdit::SetValueType(TValueType v) { valueType_ = v; }
void TRxSpinEdit::SetButtonKind(TSpinButtonKind v) { buttonKind_ = v; }

long double TRxSpinEdit::GetValue() const
{
    if (const auto value = TryStrToInt(text().toStdString()))
        return *value;
    return std::trunc(minValue_);
}

long double TRxSpinEdit::CheckValue(long double value) const
{
    if (minValue_ == maxValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    if (value <= maxValue_)
        return value;
    return maxValue_;
}

void TRxSpinEdit::SetValue(long double value)
{
    setText(QString::number(static_cast<long long>(std::nearbyint(CheckValue(value)))));
}

void TRxSpinEdit::UpClick() { SetValue(GetValue() + increment_); }
void TRxSpinEdit::DownClick() { SetValue(GetValue() - increment_); }

} // namespace zuneigo
