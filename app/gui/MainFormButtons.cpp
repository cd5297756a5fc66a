// The bottom bar: the homepage button and the two picture buttons (about, exit).
#include "app/gui/MainForm.h"

#include "app/core/ServiceSettings.h"
#include "app/gui/AboutBox.h"
#include "app/gui/PictureBox.h"
#include "app/gui/Pictures.h"

#include <QDesktopServices>
#include <QToolButton>
#include <QUrl>

namespace zuneigo {

void TMainForm::BuildBottomBar()
{
    BottomBar = new QWidget(this);
    wwwBtn = new QToolButton(BottomBar);
    wwwBtn->setGeometry(5, 5, 137, 33);
    wwwBtn->setAutoRaise(true);
    wwwBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    wwwBtn->setIcon(QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("logo-small.gif")))));
    wwwBtn->setText(QString::fromStdString(ServiceHost()));
    wwwBtn->setToolTip(QStringLiteral("Auf zur Brekam Homepage..."));
    connect(wwwBtn, &QToolButton::clicked, this, [this] { wwwBtnClick(); });
    OpenUrl = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };

    PictureStrip = new QWidget(BottomBar);
    PictureStrip->resize(214, 41);
    auto make = [&](const char* picture, int x, const QString& hint) {
        auto* box = new TPictureBox(PictureStrip);
        box->SetPicture(LoadPicture(QString::fromLatin1(picture)));
        box->setGeometry(x, 4, 101, 30);
        box->setCursor(Qt::PointingHandCursor);
        box->setToolTip(hint);
        return box;
    };
    // The pressed pictures lie below the normal ones.
    const QString about = QString::fromUtf8("Informationen über das Programm");
    const QString exit = QStringLiteral("Hiermit verlassen Sie das Programm");
    ueberBtn2 = make("ueberbtn2.gif", 1, about);
    ueberbtn = make("ueberbtn.gif", 1, about);
    EndeBtnDown = make("endebtndown.gif", 105, exit);
    EndeBtn = make("endebtn.gif", 105, exit);
    ueberBtn2->hide();
    EndeBtnDown->hide();
    // A pressed picture's events are its normal picture's: the handlers sit on EndeBtn and
    // ueberbtn only, and a click on either picture is the one click.
    EndeBtn->SetPressedPicture(EndeBtnDown);
    ueberbtn->SetPressedPicture(ueberBtn2);

    EndeBtn->OnMouseDown = [this](Qt::MouseButton, int x, int y) { EndeBtnMouseDown(x, y); };
    EndeBtn->OnMouseMove = [this](int x, int y) { EndeBtnMouseMove(x, y); };
    EndeBtn->OnMouseUp = [this](Qt::MouseButton, int x, int y) { EndeBtnMouseUp(x, y); };
    EndeBtn->OnClick = [this] { EndeBtnClick(); };
    ueberbtn->OnMouseDown = [this](Qt::MouseButton, int x, int y) { ueberbtnMouseDown(x, y); };
    ueberbtn->OnMouseMove = [this](int x, int y) { ueberbtnMouseMove(x, y); };
    ueberbtn->OnMouseUp = [this](Qt::MouseButton, int x, int y) { ueberbtnMouseUp(x, y); };
    ueberbtn->OnClick = [this] { ueberbtnClick(); };
}

void TMainForm::ShowPicture(TPictureBox* normal, TPictureBox* pressed, bool pressedShown)
{
    pressed->setVisible(pressedShown);
    normal->setVisible(!pressedShown);
}

void TMainForm::EndeBtnMouseDown(int, int)
{
    ShowPicture(EndeBtn, EndeBtnDown, true);
    EndeBtnHeld = true;
}

void TMainForm::EndeBtnMouseMove(int x, int y)
{
    if (!EndeBtnHeld) return;
    const bool over = x >= 0 && x < EndeBtn->width() && y >= 0 && y < EndeBtn->height();
    ShowPicture(EndeBtn, EndeBtnDown, over);
}

void TMainForm::EndeBtnMouseUp(int, int)
{
    ShowPicture(EndeBtn, EndeBtnDown, false);
    EndeBtnHeld = false;
}

void TMainForm::EndeBtnClick()
{
    ShowPicture(EndeBtn, EndeBtnDown, false);
    EndeBtnHeld = false;
    close();
}

void TMainForm::ueberbtnMouseDown(int, int)
{
    ShowPicture(ueberbtn, ueberBtn2, true);
    ueberbtnHeld = true;
}

void TMainForm::ueberbtnMouseMove(int x, int y)
{
    if (!ueberbtnHeld) return;
    const bool over = x >= 0 && x < ueberbtn->width() && y >= 0 && y < ueberbtn->height();
    ShowPicture(ueberbtn, ueberBtn2, over);
}

void TMainForm::ueberbtnMouseUp(int, int)
{
    ShowPicture(ueberbtn, ueberBtn2, false);
    ueberbtnHeld = false;
}

void TMainForm::ueberbtnClick()
{
    // A fresh box for every click; nothing of it outlives the call.
    auto box = std::make_unique<TAboutBox>(this);
    ShowPicture(ueberbtn, ueberBtn2, false);
    ueberbtnHeld = false;
    box->exec();
}

void TMainForm::ueberBtn2Click()
{
    ueberbtnClick();
}

void TMainForm::wwwBtnClick()
{
    if (OpenUrl) OpenUrl(QString::fromStdString(HomepageUrl()));
}

} // namespace zuneigo
