#pragma once
// TDetailForm: the read-only view of one found ad, filled by the main window from a row of
// the result list and shown modally.
#include <QDialog>

namespace zuneigo {

class TDetailForm : public QDialog {
    Q_OBJECT
public:
    explicit TDetailForm(QWidget* parent = nullptr);
};

} // namespace zuneigo
