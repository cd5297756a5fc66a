#include "app/gui/AboutBox.h"

#include "app/gui/BevelPanel.h"
#include "app/gui/FormHelpers.h"
#include "app/gui/PictureBox.h"
#include "app/gui/Pictures.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace zuneigo {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont());
    setFixedSize(298, 213);
    setModal(true);

    Panel1 = new TBevelPanel(this);
    Panel1->setGeometry(8, 8, 281, 161);
    ProgramIcon = new TPictureBox(Panel1);
    ProgramIcon->SetAutoSize(false);
    ProgramIcon->setGeometry(8, 16, 33, 33);
    ProgramIcon->SetPicture(LoadPicture(QStringLiteral("logo.gif")));
    ProductName = MakeLabel(Panel1, QStringLiteral("Brekam Zuneigo"), 56, 16);
    QFont bold = ProductName->font();
    bold.setBold(true);
    ProductName->setFont(bold);
    ProductName->adjustSize();
    Version = MakeLabel(Panel1, QStringLiteral("Version 1.0.0.0"), 88, 40);
    Copyright = MakeLabel(Panel1, QStringLiteral("Brekam Software"), 8, 80);
    Comments = new QLabel(QString::fromUtf8("Ein Programm von Brekam Software. Fragen und Anregungen "
                                            "an info@brekam.example"),
                          Panel1);
    Comments->setGeometry(8, 96, 257, 33);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Release = MakeLabel(Panel1, QStringLiteral("Release (dd.mm.yyyy) : 25.08.2001"), 8, 136);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(107, 180, 83, 25);
    OKButton->setIcon(QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("check.gif")))));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOnScreen(this);
}

} // namespace zuneigo
