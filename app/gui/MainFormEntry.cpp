// The entry tab: the fields of one's own ad, its map and the submit button.
#include "app/gui/MainForm.h"

#include "app/gui/FormHelpers.h"
#include "app/gui/Pictures.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

namespace zuneigo {

void TMainForm::BuildEntryTab()
{
    QWidget* p = TabSheet2;
    constexpr int CaptionX = 8;
    constexpr int FieldX = 152;
    constexpr int EditWidth = 241;
    constexpr int SpinWidth = 121;
    auto caption = [&](const char* text, int y) { MakeFieldCaption(p, QString::fromUtf8(text), CaptionX, y); };

    caption("Name/Nickname::", 48);
    NameEd = MakeEdit(p, FieldX, 48, EditWidth, QStringLiteral("Jonas"));
    caption("Du bist:", 72);
    MakeRadioPair(p, FieldX, 72 + RadioStripDrop, 249, QStringLiteral("ein Mann"), QStringLiteral("eine Frau"), true, bMann, BFrau);
    caption("Du suchst:", 96);
    MakeRadioPair(p, FieldX, 96 + RadioStripDrop, 249, QStringLiteral("ein Mann"), QStringLiteral("eine Frau"), false, SMann, SFrau);
    caption("Dein Alter:", 120);
    AlterEd = MakeSpin(p, FieldX, 120, SpinWidth, 1, 200, 20);
    MakeFieldCaption(p, QStringLiteral("Jahre"), 280, 120);
    caption("Deine Größe", 144);
    GrossEd = MakeSpin(p, FieldX, 144, SpinWidth, 50, 290, 185);
    MakeFieldCaption(p, QStringLiteral("cm"), 280, 144);
    caption("Dein Gewicht", 168);
    GewEd = MakeSpin(p, FieldX, 168, SpinWidth, 10, 1000, 79);
    MakeFieldCaption(p, QStringLiteral("Kg"), 280, 168);
    caption("Du bist:", 192);
    MakeRadioPair(p, FieldX, 192 + RadioStripDrop, 249, QStringLiteral("Raucher"), QStringLiteral("Nichtraucher"), false, Raucher,
                  NRaucher);
    caption("Zu deinen Haaren:", 216);
    HaareEd = MakeEdit(p, FieldX, 216, EditWidth, QStringLiteral("kurz, dunkles rot"));
    caption("Zu deinen Augen:", 240);
    AugenEd = MakeEdit(p, FieldX, 240, EditWidth, QStringLiteral("blau"));
    caption("Was du so machst:", 264);
    MakeEd = MakeEdit(p, FieldX, 264, EditWidth, QString::fromUtf8("Programmieren, Kino, Musik hören"));
    caption("Titel der Anzeige:", 288);
    TitleEd = MakeEdit(p, FieldX, 288, EditWidth, QString::fromUtf8("Suche nettes Mädchen"));
    caption("Kontaktinfo/E-Mail-Adresse:", 312);
    emailEd = MakeEdit(p, FieldX, 312, EditWidth, QStringLiteral("jonas@example.org"));

    SubmitBtn = new QPushButton(QStringLiteral("Daten &eintragen"), p);
    SubmitBtn->setGeometry(8, 344, 137, 25);
    QIcon check;
    check.addPixmap(QPixmap::fromImage(LoadPicture(QStringLiteral("check.gif"))), QIcon::Normal);
    check.addPixmap(QPixmap::fromImage(LoadPicture(QStringLiteral("check-disabled.gif"))), QIcon::Disabled);
    SubmitBtn->setIcon(check);
    SubmitBtn->setIconSize(QSize(18, 19));
    connect(SubmitBtn, &QPushButton::clicked, this, [this] { SubmitBtnClick(); });
    MakeFieldCaption(p, QStringLiteral("Proxy (optional):"), 160, 344);
    ProxyEdit = MakeEdit(p, 248, 344, 121, QString());
}

void TMainForm::SetEntryTabOrder()
{
    // The fields first, then the radio pairs, as the ad is usually filled in.
    QWidget* order[] = {NameEd, AlterEd, GrossEd, GewEd, bMann, BFrau, SMann, SFrau, Raucher, NRaucher,
                        HaareEd, AugenEd, MakeEd, TitleEd, emailEd, ScrollBox1, SubmitBtn, ProxyEdit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

} // namespace zuneigo
