#pragma once
// TMainForm: the program's main window. Two tab pages (the search with its map and result
// list, the entry of one's own ad), a bottom bar with the homepage button and the two
// picture buttons, and a status bar with an owner-drawn progress panel. It owns the ad
// database and the program's one HTTP client.
#include "app/core/AdDatabase.h"

#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPainter;
class QString;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QToolButton;
class QTreeView;

namespace zuneigo {

class TAboutBox;
class TBevelPanel;
class TDetailForm;
class THttpCli;
class TPictureBox;
class TRxSpinEdit;
class TShape;
class TStatusBar;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Frame
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr; // "Person suchen"
    QWidget* TabSheet2 = nullptr; // "Person eintragen"
    TBevelPanel* SearchHeader = nullptr;
    TBevelPanel* EntryHeader = nullptr;
    QWidget* BottomBar = nullptr;
    QWidget* PictureStrip = nullptr;

    // Search tab
    QWidget* SearchLeft = nullptr; // Panel9 above ListView1, 401 wide
    QWidget* Panel9 = nullptr;
    QRadioButton* Bimann = nullptr;
    QRadioButton* BiFrau = nullptr;
    QRadioButton* SuMann = nullptr;
    QRadioButton* SuFrau = nullptr;
    TRxSpinEdit* VonAge = nullptr;
    TRxSpinEdit* BisAge = nullptr;
    TRxSpinEdit* UmKreis = nullptr;
    QPushButton* DownBtn = nullptr;
    QLineEdit* Proxy2Ed = nullptr;
    QPushButton* SearchBtn = nullptr;
    QTreeView* ListView1 = nullptr;
    QScrollArea* ScrollBox2 = nullptr;
    TPictureBox* Image2 = nullptr;
    QWidget* Shape2 = nullptr; // search marker
    QWidget* Shape3 = nullptr; // radius circle

    // Entry tab
    QLineEdit* NameEd = nullptr;
    QRadioButton* bMann = nullptr;
    QRadioButton* BFrau = nullptr;
    QRadioButton* SMann = nullptr;
    QRadioButton* SFrau = nullptr;
    TRxSpinEdit* AlterEd = nullptr;
    TRxSpinEdit* GrossEd = nullptr;
    TRxSpinEdit* GewEd = nullptr;
    QRadioButton* Raucher = nullptr;
    QRadioButton* NRaucher = nullptr;
    QLineEdit* HaareEd = nullptr;
    QLineEdit* AugenEd = nullptr;
    QLineEdit* MakeEd = nullptr;
    QLineEdit* TitleEd = nullptr;
    QLineEdit* emailEd = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TPictureBox* Image1 = nullptr;
    QWidget* Shape1 = nullptr; // residence marker
    QPushButton* SubmitBtn = nullptr;
    QLineEdit* ProxyEdit = nullptr;

    // Bottom bar
    QToolButton* wwwBtn = nullptr;
    TPictureBox* ueberbtn = nullptr;
    TPictureBox* ueberBtn2 = nullptr;
    TPictureBox* EndeBtn = nullptr;
    TPictureBox* EndeBtnDown = nullptr;
    bool EndeBtnHeld = false;
    bool ueberbtnHeld = false;

    // Status bar
    TStatusBar* StatusBar1 = nullptr;
    int ProgressPercent = 0;
    QRect ProgressRect; // where panel 1 was last drawn; empty until then

    // Closing: set once the user confirmed the close. A request that waited was cut off
    // then, and the network actions show no message any more.
    bool Closing = false;

    TDetailForm* DetailForm = nullptr; // set by the creator; null in tests that need none
    std::unique_ptr<THttpCli> HttpCli1;
    AdDatabase Database;

    // Lifecycle
    void FormCreate();
    void FormDestroy();
    // True when the user confirms closing.
    bool FormCloseQuery();

    // Map and radius; (x, y) relative to the control clicked.
    void Image1MouseDown(int x, int y);
    void Image2MouseDown(int x, int y);
    void Shape3MouseDown(int x, int y);
    void UmKreisChange();
    void RecentreCircle();

    // Bottom bar; (x, y) relative to the normal picture.
    void EndeBtnClick();
    void EndeBtnMouseDown(int x, int y);
    void EndeBtnMouseMove(int x, int y);
    void EndeBtnMouseUp(int x, int y);
    void ueberbtnClick();
    void ueberBtn2Click();
    void ueberbtnMouseDown(int x, int y);
    void ueberbtnMouseMove(int x, int y);
    void ueberbtnMouseUp(int x, int y);
    void wwwBtnClick();
    // Opens an address in the desktop's browser; tests replace it to see the calls.
    std::function<void(const QString& url)> OpenUrl;

    // Status bar
    void StatusBar1DrawPanel(TStatusBar* statusBar, int panel, QPainter& painter, const QRect& rect);
    void SetProStatus(int value);
    void SBarPaintMore();

    // Defined with the search and the network actions.
    void SearchBtnClick();
    void ListView1DblClick();
    void ListView1KeyDown(int key, Qt::KeyboardModifiers shift);
    void SetupResultList();
    void DownBtnClick();
    void SubmitBtnClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildFrame();
    void BuildSearchTab();
    void BuildSearchPanel();
    void BuildEntryTab();
    void SetEntryTabOrder();
    void BuildMaps();
    void BuildBottomBar();
    void BuildStatusBar();
    void LayoutPages();
    void ShowPicture(TPictureBox* normal, TPictureBox* pressed, bool pressedShown);

public:
    // Search, result list and network actions
    class TResultListModel* ResultList = nullptr; // ListView1's rows
    // A spin field's value as a whole number: its text read as an integer, the field's
    // minimum when the text is not a number.
    static std::int32_t SpinValue(const TRxSpinEdit* field);

public:
    // The matches of the result list as dots on the search map, the selected row's ringed.
    class TResultDotLayer* ResultDotLayer = nullptr; // over Image2, under Shape2 and Shape3
    // After a search has filled the list: its rows' dots replace the earlier ones.
    void ShowResultDots();
    // After the list's selection moved.
    void ShowSelectedDot();
};

} // namespace zuneigo
