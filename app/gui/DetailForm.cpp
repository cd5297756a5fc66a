#include "app/gui/DetailForm.h"

namespace zuneigo {

TDetailForm::TDetailForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Person gefunden - Detailansicht"));
    resize(630, 417);
}

} // namespace zuneigo
