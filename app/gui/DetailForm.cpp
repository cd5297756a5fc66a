#include "app/gui/DetailForm.h"

#include "app/core/MapScale.h"
#include "app/gui/BevelPanel.h"
#include "app/gui/FormHelpers.h"
#include "app/gui/PictureBox.h"
#include "app/gui/Pictures.h"
#include "app/gui/Shape.h"
#include "ui/widgets/LongLineEdit.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

namespace zuneigo {

namespace {

constexpr int FieldX = 152;
constexpr int FieldWidth = 241;

// A field's text never fits its width: any length shows at once.
TLongLineEdit* ReadOnlyEdit(QWidget* parent, const QString& caption, int y)
{
    MakeFieldCaption(parent, caption, 8, y);
    auto* edit = new TLongLineEdit(parent);
    edit->setGeometry(FieldX, y, FieldWidth, 21);
    return edit;
}

TRxSpinEdit* ReadOnlySpin(QWidget* parent, const QString& caption, int y, int width, int low, int high)
{
    MakeFieldCaption(parent, caption, 8, y);
    TRxSpinEdit* spin = MakeSpin(parent, FieldX, y, width, low, high, low);
    spin->SetReadOnly(true);
    return spin;
}

// A radio button that shows a state but takes no input.
QRadioButton* Indicator(QWidget* parent, const QString& caption, int x)
{
    auto* button = new QRadioButton(caption, parent);
    button->setGeometry(x, 0, 113, 17);
    button->setAutoExclusive(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAttribute(Qt::WA_TransparentForMouseEvents);
    return button;
}

} // namespace

TDetailForm::TDetailForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Person gefunden - Detailansicht"));
    setFont(WindowFont());
    setFixedSize(630, 417);
    setModal(true);

    auto* header = new TBevelPanel(this);
    header->setGeometry(0, 0, width(), 33);
    QLabel* caption = MakeLabel(header, QStringLiteral("Person gefunden - Dies sind die eingetragenen Daten der gefundenen Person"), 16, 10);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    caption->adjustSize();

    NameEd = ReadOnlyEdit(this, QStringLiteral("Name/Nickname::"), 48);
    AlterEd = ReadOnlySpin(this, QStringLiteral("Alter:"), 72, 121, 1, 200);
    GrossEd = ReadOnlySpin(this, QString::fromUtf8("Größe"), 96, 121, 50, 290);
    GewEd = ReadOnlySpin(this, QStringLiteral("Gewicht"), 120, 121, 10, 1000);
    MakeFieldCaption(this, QStringLiteral("Die Person ist:"), 8, 144);
    Panel4 = new QWidget(this);
    Panel4->setGeometry(FieldX, 144 + RadioStripDrop, 249, 17);
    Raucher = Indicator(Panel4, QStringLiteral("Raucher"), 0);
    NRaucher = Indicator(Panel4, QStringLiteral("Nichtraucher"), 120);
    HaareEd = ReadOnlyEdit(this, QStringLiteral("Zu den Haaren:"), 168);
    AugenEd = ReadOnlyEdit(this, QStringLiteral("Zu den Augen:"), 192);
    MakeEd = ReadOnlyEdit(this, QStringLiteral("Was die Person so macht:"), 216);
    TitleEd = ReadOnlyEdit(this, QStringLiteral("Titel der Anzeige:"), 240);
    emailEd = ReadOnlyEdit(this, QStringLiteral("Kontaktinfo/E-Mail-Adresse:"), 264);

    MakeLabel(this, QStringLiteral("Ihr Wohnort (einfach an die Stelle klicken):"), 408, 48);
    ScrollBox2 = new QScrollArea(this);
    ScrollBox2->setGeometry(408, 64, 201, 265);
    ScrollBox2->setWidgetResizable(false);
    Image2 = new TPictureBox;
    Image2->SetPicture(LoadPicture(QStringLiteral("map.gif")));
    if (Image2->Picture().isNull())
        Image2->resize(MapWidth, MapHeight);
    ScrollBox2->setWidget(Image2);
    auto* marker = new TShape(Image2);
    marker->SetPen(Qt::black, 1);
    marker->SetBrush(Qt::red);
    marker->setGeometry(136, 120, MarkerSize, MarkerSize);
    Shape2 = marker;

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 351, width(), 2);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(242, 360, 137, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TDetailForm::ShowSmoker(const QString& flag)
{
    Raucher->setChecked(flag == QLatin1String("1"));
    NRaucher->setChecked(flag == QLatin1String("0"));
}

} // namespace zuneigo
