// The two network actions: downloading the ad database and submitting the user's own ad,
// both through the window's one HTTP client. Each waits in the client while the windows
// stay live, so either can be pressed again while one runs; the busy client then refuses
// the second, which leaves the running request alone (see FetchDocument).
#include "app/gui/MainForm.h"

#include "app/client/ServiceClient.h"
#include "app/core/Cp1252.h"
#include "app/core/ServiceSettings.h"
#include "app/core/SubmitUrl.h"
#include "app/gui/MessageBox.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zuneigo {

namespace {

std::string Typed(const QLineEdit* edit)
{
    return Utf16ToCp1252(edit->text().toStdU16String());
}

} // namespace

void TMainForm::DownBtnClick()
{
    // Only the request that runs shows progress; a refused one leaves the bar to it.
    const bool starts = HttpCli1->RequestState() == hsReady;
    SearchBtn->setEnabled(false);
    Database.Clear();
    bool done = false;
    try {
        FetchDatabase(*HttpCli1, DatabaseUrl(), Typed(Proxy2Ed), Database, [this](int percent) {
            SetProStatus(percent);
        });
        done = true;
    } catch (...) {
        // Every failure ends in the one message below.
    }
    // The window closed while the request waited: nobody is left to tell.
    if (Closing)
        return;
    if (starts)
        SetProStatus(0);
    if (!done) {
        ShowMessage(this, QMessageBox::Critical, QString(),
                    QStringLiteral("Fehler: Konnte Datei nicht herunterladen..."), QMessageBox::Ok);
        return;
    }
    SearchBtn->setEnabled(true);
    ShowMessage(this, QMessageBox::Information, QStringLiteral("Ok"),
                QString::fromUtf8("Datei wurde herunterladen. (%1 Anzeigen). Sie können jetzt die Suche starten.")
                    .arg(static_cast<qulonglong>(Database.RecordCount())),
                QMessageBox::Ok);
}

void TMainForm::SubmitBtnClick()
{
    const AdValues ad = {
        Typed(NameEd),
        FlagText(bMann->isChecked()),
        FlagText(SMann->isChecked()),
        std::to_string(SpinValue(AlterEd)),
        std::to_string(SpinValue(GrossEd)),
        std::to_string(SpinValue(GewEd)),
        FlagText(Raucher->isChecked()),
        Typed(HaareEd),
        Typed(AugenEd),
        Typed(MakeEd),
        Typed(TitleEd),
        Typed(emailEd),
        std::to_string(Shape1->x()),
        std::to_string(Shape1->y())};
    bool done = false;
    try {
        FetchDocument(*HttpCli1, BuildSubmitUrl(SubmitUrlPrefix(), ad), Typed(ProxyEdit));
        done = true;
    } catch (...) {
        // Every failure ends in the one message below.
    }
    if (Closing)
        return;
    if (!done) {
        ShowMessage(this, QMessageBox::Critical, QString(),
                    QStringLiteral("Fehler: Konnte die Anzeige nicht eintragen..."), QMessageBox::Ok);
        return;
    }
    ShowMessage(this, QMessageBox::Information, QStringLiteral("Ok"),
                QStringLiteral("Die Anzeige wurde erfolgreich eingetragen..."), QMessageBox::Ok);
}

} // namespace zuneigo
