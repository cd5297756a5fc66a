// The download and the submission against servers of the test's own, directly and through
// the proxy fields: messages, the search button, the query on the wire, a second action
// refused while one waits, and the progress panel.
#include "ClientWindow.h"
#include "app/core/ServiceSettings.h"
#include "http/HttpCli.h"
#include "tests/http/HttpPeers.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include <set>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

const std::string DownloadError = "e |Fehler: Konnte Datei nicht herunterladen...";
const std::string SubmitError = "e |Fehler: Konnte die Anzeige nicht eintragen...";
const std::string Submitted = "i Ok|Die Anzeige wurde erfolgreich eingetragen...";

std::vector<std::string> Downloaded(int n)
{
    return {"i Ok|Datei wurde herunterladen. (" + std::to_string(n) + " Anzeigen). Sie k\xC3\xB6nnen jetzt die Suche starten."};
}

std::string Lines(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "Zeile " + std::to_string(i) + "\r\n";
    return text;
}

std::string Ok(const std::string& body) { return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body; }
void UseService(const ScriptedPeer& server) { SetServiceHost("127.0.0.1:" + std::to_string(server.Port())); }
QString Local(int port) { return QString::fromStdString("127.0.0.1:" + std::to_string(port)); }

} // namespace

TEST(Network, DownloadsDirectAndThroughTheProxyField)
{
    TinyProxy tinyproxy;
    const struct {
        const char* what;
        std::vector<PeerStep> steps;
        QString proxy;
        std::vector<std::string> messages;
        std::size_t records;
    } rows[] = {
        {"two ads", {Recv(), Send(Ok(Lines(28)))}, "", Downloaded(2), 2},
        {"empty document", {Recv(), Send(Ok(""))}, "", Downloaded(0), 0},
        {"27 lines", {Recv(), Send(Ok(Lines(27)))}, "", Downloaded(1), 1},
        {"404", {Recv(), Send("HTTP/1.0 404 Not Found\r\n\r\nweg")}, "", {DownloadError}, 0},
        {"closed without an answer", {Recv()}, "", Downloaded(0), 0},
        {"through tinyproxy", {Recv(), Send(Ok(Lines(42)))}, Local(tinyproxy.Port()), Downloaded(3), 3},
        {"proxy host not found", {Recv(), Send(Ok(Lines(28)))}, "proxy.invalid", {DownloadError}, 0}};
    // One window for all: each download counts its own document only.
    ClientWindow w;
    TMainForm& f = w.Form();
    for (const auto& row : rows) {
        ScriptedPeer server({row.steps});
        UseService(server);
        f.Proxy2Ed->setText(row.proxy);
        f.DownBtnClick();
        EXPECT_EQ(w.TakeMessages(), row.messages) << row.what;
        EXPECT_EQ(f.Database.RecordCount(), row.records) << row.what;
        EXPECT_EQ(f.SearchBtn->isEnabled(), row.messages[0] != DownloadError) << row.what;
    }
}

TEST(Network, SubmissionOnTheWire)
{
    ScriptedPeer server({{Recv(), Send(Ok("<html>Fehler im Skript</html>"))}});
    UseService(server);
    TinyProxy tinyproxy;
    const struct {
        const char* what;
        std::function<void(TMainForm&)> change; // to the defaults
        std::vector<std::string> parts;         // of the request
    } rows[] = {
        {"defaults", [](TMainForm&) {}, {"GET /kelto/addkelto.cgi?T1=", "&T2=1&T3=0&T4=20&T5=185&T6=79&T7=0&T8=kurz%2C+dunkles+rot&T9=blau&", "&T10=Programmieren%2C+Kino%2C+Musik+h%F6ren&T11=Suche+nettes+M%E4dchen&", "&T13=136&T14=120 HTTP/1.0\r\n"}},
        {"corner marker", [](TMainForm& f) { f.Image1MouseDown(0, 0); }, {"&T13=%2D4&T14=%2D4 "}},
        {"age emptied", [](TMainForm& f) { f.AlterEd->setText(""); }, {"&T4=1&"}},
        {"plus and blank", [](TMainForm& f) { f.NameEd->setText(QString::fromUtf8("Max+Moritz M\xC3\xBCller")); }, {"?T1=Max%2BMoritz+M%FCller&"}},
        {"empty title", [](TMainForm& f) { f.TitleEd->setText(""); }, {"&T11=&T12="}},
        {"entry tab's proxy", [&](TMainForm& f) { f.ProxyEdit->setText(Local(tinyproxy.Port())); }, {"\r\nVia: "}}};
    int connection = 0;
    for (const auto& row : rows) {
        ClientWindow w;
        row.change(w.Form());
        w.Form().SubmitBtnClick();
        const std::string request = server.Captured(connection++);
        for (const std::string& part : row.parts)
            EXPECT_NE(request.find(part), std::string::npos) << row.what << ": " << request;
        EXPECT_EQ(w.TakeMessages(), std::vector<std::string>{Submitted}) << row.what;
    }
    ClientWindow w;
    for (const char* status : {"404 Not Found", "500 Internal Server Error"}) {
        ScriptedPeer failing({{Recv(), Send(std::string("HTTP/1.0 ") + status + "\r\n\r\nFehler")}});
        UseService(failing);
        w.Form().SubmitBtnClick();
        EXPECT_EQ(w.TakeMessages(), std::vector<std::string>{SubmitError}) << status;
    }
}

TEST(Network, SecondActionWhileOneWaitsIsRefused)
{
    TempDir dir;
    const std::string release = dir.File("release");
    ClientWindow w;
    TMainForm& f = w.Form();
    // The download holds its second record back while a download and a submission are pressed.
    ScriptedPeer server({{Recv(), Send("HTTP/1.0 200 OK\r\n\r\n" + Lines(14)), WaitFile(release), Send(Lines(14))}});
    UseService(server);
    {
        WhileWaiting press([&] {
            if (f.HttpCli1->RequestState() != hsWaitingBody)
                return false;
            f.DownBtnClick();
            f.SubmitBtnClick();
            EXPECT_FALSE(f.SearchBtn->isEnabled());
            EXPECT_EQ(f.Database.RecordCount(), 0u);
            WriteFile(release, "");
            return true;
        });
        f.DownBtnClick();
    }
    std::vector<std::string> expected = {DownloadError, SubmitError};
    expected.push_back(Downloaded(2)[0]);
    EXPECT_EQ(w.TakeMessages(), expected);
    EXPECT_EQ(f.Database.RecordCount(), 2u);
    EXPECT_TRUE(f.SearchBtn->isEnabled());
}

TEST(Network, ProgressPanelFollowsADownloadWithALength)
{
    const std::string body = Lines(1400);
    const std::size_t third = body.size() / 3;
    for (const bool length : {true, false}) {
        const std::string header = "HTTP/1.0 200 OK\r\n" +
            (length ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") + "\r\n";
        ScriptedPeer server({{Recv(), Send(header + body.substr(0, third)), Sleep(0.6), Send(body.substr(third, third)),
                              Sleep(0.6), Send(body.substr(2 * third))}});
        UseService(server);
        ClientWindow w;
        std::set<int> seen;
        WhileWaiting watch([&] { return seen.insert(w.Form().ProgressPercent), false; });
        w.Form().DownBtnClick();
        EXPECT_EQ(w.TakeMessages(), Downloaded(100));
        EXPECT_EQ(w.Form().ProgressPercent, 0);
        // A share between the ends was shown; without a length nothing was.
        EXPECT_EQ(seen.lower_bound(1) != seen.lower_bound(100), length) << *seen.rbegin();
        EXPECT_EQ(*seen.rbegin() == 0, !length);
    }
}
