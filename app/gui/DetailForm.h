#pragma once
// TDetailForm: the read-only view of one found ad, filled by the main window from a row of
// the result list and shown modally. One instance lives as long as the program; every
// display reuses it.
#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace zuneigo {

class TLongLineEdit;
class TPictureBox;
class TRxSpinEdit;

class TDetailForm : public QDialog {
    Q_OBJECT
public:
    explicit TDetailForm(QWidget* parent = nullptr);

    TLongLineEdit* NameEd = nullptr;
    TRxSpinEdit* AlterEd = nullptr;
    TRxSpinEdit* GrossEd = nullptr;
    TRxSpinEdit* GewEd = nullptr;
    QWidget* Panel4 = nullptr; // "Die Person ist:"
    QRadioButton* Raucher = nullptr;
    QRadioButton* NRaucher = nullptr;
    TLongLineEdit* HaareEd = nullptr;
    TLongLineEdit* AugenEd = nullptr;
    TLongLineEdit* MakeEd = nullptr;
    TLongLineEdit* TitleEd = nullptr;
    TLongLineEdit* emailEd = nullptr;
    QScrollArea* ScrollBox2 = nullptr;
    TPictureBox* Image2 = nullptr;
    QWidget* Shape2 = nullptr; // the ad's place of residence
    QPushButton* OKBtn = nullptr;

    // Shows the smoker field of an ad: "1" smoker, "0" non-smoker, anything else neither.
    void ShowSmoker(const QString& flag);
};

} // namespace zuneigo
