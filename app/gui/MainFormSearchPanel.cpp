// The search tab's upper panel: who searches whom, the age range, the radius, the
// download and the search buttons.
#include "app/gui/MainForm.h"

#include "app/gui/FormHelpers.h"
#include "app/gui/Pictures.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zuneigo {

void TMainForm::BuildSearchPanel()
{
    QWidget* p = Panel9;
    MakeLabel(p, QStringLiteral("Du bist:"), 8, 10);
    MakeRadioPair(p, 152, 8, 241, QStringLiteral("ein Mann"), QStringLiteral("eine Frau"), true, Bimann, BiFrau);
    MakeLabel(p, QStringLiteral("Du suchst:"), 8, 34);
    MakeRadioPair(p, 152, 32, 241, QStringLiteral("ein Mann"), QStringLiteral("eine Frau"), false, SuMann, SuFrau);
    MakeLabel(p, QStringLiteral("Im Alter von:"), 8, 60);
    VonAge = MakeSpin(p, 96, 56, 73, 1, 200, 18);
    MakeLabel(p, QStringLiteral("bis"), 176, 60);
    BisAge = MakeSpin(p, 200, 56, 73, 1, 200, 20);
    MakeLabel(p, QStringLiteral("Jahren"), 280, 60);
    MakeLabel(p, QStringLiteral("Im Umkreis von: "), 8, 84);
    UmKreis = MakeSpin(p, 96, 80, 73, 0, 1000, 150);
    MakeLabel(p, QStringLiteral("km"), 176, 84);
    UmKreis->OnChange = [this](TRxSpinEdit*) { UmKreisChange(); };

    DownBtn = new QPushButton(QStringLiteral("&Datenbank herunterladen"), p);
    DownBtn->setGeometry(8, 112, 161, 25);
    DownBtn->setIcon(QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("download.gif")))));
    connect(DownBtn, &QPushButton::clicked, this, [this] { DownBtnClick(); });
    // Between the download button and its field, clear of both.
    MakeFieldCaption(p, QStringLiteral("Proxy (optional):"), 171, 116);
    Proxy2Ed = MakeEdit(p, 256, 116, 121, QString());
    SearchBtn = new QPushButton(QStringLiteral("&Suchen..."), p);
    SearchBtn->setGeometry(8, 144, 161, 25);
    SearchBtn->setEnabled(false);
    connect(SearchBtn, &QPushButton::clicked, this, [this] { SearchBtnClick(); });

    setTabOrder(Bimann, BiFrau);
    setTabOrder(BiFrau, SuMann);
    setTabOrder(SuMann, SuFrau);
    setTabOrder(SuFrau, VonAge);
    setTabOrder(VonAge, BisAge);
    setTabOrder(BisAge, UmKreis);
    setTabOrder(UmKreis, DownBtn);
    setTabOrder(DownBtn, Proxy2Ed);
    setTabOrder(Proxy2Ed, SearchBtn);
    // The window opens with the keyboard on the first stop, so no key is lost.
    Bimann->setFocus(Qt::OtherFocusReason);
}

} // namespace zuneigo
