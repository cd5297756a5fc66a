// The main window as a frame: building it, its size and resizing, start and close.
#include "app/gui/MainForm.h"

#include "app/client/ServiceClient.h"
#include "app/gui/BevelPanel.h"
#include "app/gui/FormHelpers.h"
#include "app/gui/MessageBox.h"
#include "app/gui/Pictures.h"
#include "app/gui/StatusBar.h"
#include "http/HttpCli.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

namespace zuneigo {

namespace {
constexpr int ClientWidth = 630;
constexpr int ClientHeight = 478;
constexpr int BottomBarHeight = 41;
constexpr int StatusBarHeight = 19;
constexpr int HeaderHeight = 33;
constexpr int PanelWidth = 401;
constexpr int Panel9Height = 177;
} // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Brekam Zuneigo 1.0"));
    setFont(WindowFont());
    resize(ClientWidth, ClientHeight);
    HttpCli1 = std::make_unique<THttpCli>();
    BuildFrame();
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::BuildFrame()
{
    PageControl1 = new QTabWidget(this);
    HotTrackTabs(PageControl1);
    PageControl1->setIconSize(QSize(16, 16));
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    PageControl1->addTab(TabSheet1, QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("tab-suchen.gif")))),
                         QStringLiteral("Person suchen"));
    PageControl1->addTab(TabSheet2, QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("tab-eintragen.gif")))),
                         QStringLiteral("Person eintragen"));
    TabSheet1->installEventFilter(this);

    auto header = [](QWidget* page, const QString& caption) {
        auto* strip = new TBevelPanel(page);
        strip->setGeometry(0, 0, page->width(), HeaderHeight);
        QLabel* label = MakeLabel(strip, caption, 16, 10);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->adjustSize();
        return strip;
    };
    SearchHeader = header(TabSheet1, QStringLiteral("Person suchen - Suchen Sie einfach nach Ihrem Traumpartner"));
    EntryHeader = header(TabSheet2, QString::fromUtf8("Person hinzufügen - Lassen Sie sich doch einfach finden, "
                                                      "indem Sie Ihre Daten hier eintragen"));

    BuildSearchTab();
    BuildEntryTab();
    BuildMaps();
    BuildBottomBar();
    BuildStatusBar();
    SetEntryTabOrder();
    PageControl1->setCurrentIndex(0);
    LayoutPages();
}

void TMainForm::BuildSearchTab()
{
    SearchLeft = new QWidget(TabSheet1);
    SearchLeft->setGeometry(0, HeaderHeight, PanelWidth, Panel9Height);
    Panel9 = new QWidget(SearchLeft);
    Panel9->setGeometry(0, 0, PanelWidth, Panel9Height);
    BuildSearchPanel();
    ListView1 = new QTreeView(SearchLeft);
    ListView1->setGeometry(0, Panel9Height, PanelWidth, 179);
    SetupResultList();
}

void TMainForm::FormCreate()
{
    Database.Clear();
    UmKreisChange();
    // The client's fixed settings, the password joined from its pieces among them.
    ApplyServiceSettings(*HttpCli1);
}

void TMainForm::FormDestroy()
{
    Database.Clear();
}

bool TMainForm::FormCloseQuery()
{
    const int answer = ShowMessage(this, QMessageBox::Information, QStringLiteral("Programm beenden"),
                                   QStringLiteral("Hiermit beenden Sie das Programm! Alle nicht gespeicherten "
                                                  "Daten gehen verloren!"),
                                   QMessageBox::Ok | QMessageBox::Cancel);
    return answer == QMessageBox::Ok;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (Closing || !FormCloseQuery()) {
        event->setAccepted(Closing);
        return;
    }
    // A request waiting in a handler below this one is cut off, so its wait returns and
    // the program can end; the handler then shows nothing.
    Closing = true;
    AbortRequest(*HttpCli1);
    event->accept();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    // Every start opens centred, whatever the desktop's manager would choose.
    CenterOnScreen(this);
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    // The tab area takes every change; the bars keep their heights.
    PageControl1->setGeometry(0, 0, w, std::max(0, h - BottomBarHeight - StatusBarHeight));
    BottomBar->setGeometry(0, h - BottomBarHeight - StatusBarHeight, w, BottomBarHeight);
    PictureStrip->move(w - PictureStrip->width(), 0);
    StatusBar1->setGeometry(0, h - StatusBarHeight, w, StatusBarHeight);
    LayoutPages();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TabSheet1 && event->type() == QEvent::Resize) LayoutPages();
    return QWidget::eventFilter(watched, event);
}

void TMainForm::LayoutPages()
{
    // Both pages have the size of the tab area's page; the second may not be laid out yet.
    const QSize page = TabSheet1->size();
    SearchHeader->setGeometry(0, 0, page.width(), HeaderHeight);
    EntryHeader->setGeometry(0, 0, page.width(), HeaderHeight);
    const int leftHeight = std::max(Panel9Height, page.height() - HeaderHeight);
    SearchLeft->setGeometry(0, HeaderHeight, PanelWidth, leftHeight);
    ListView1->setGeometry(0, Panel9Height, PanelWidth, leftHeight - Panel9Height);
}

} // namespace zuneigo
