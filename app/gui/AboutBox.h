#pragma once
// TAboutBox: the modal information window with the product's name, version and release.
#include <QDialog>

class QLabel;
class QPushButton;

namespace zuneigo {

class TBevelPanel;
class TPictureBox;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    TBevelPanel* Panel1 = nullptr;
    TPictureBox* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Release = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace zuneigo
