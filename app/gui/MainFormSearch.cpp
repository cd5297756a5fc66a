// The search and its result list: the search over the downloaded database, the rows of
// the matches, and a row opened in the detail window.
#include "app/gui/MainForm.h"

#include "app/core/AdSearch.h"
#include "app/core/ResultColumns.h"
#include "app/gui/DetailForm.h"
#include "app/gui/FormHelpers.h"
#include "app/gui/MessageBox.h"
#include "app/gui/ResultListModel.h"
#include "base/IntText.h"
#include "ui/widgets/LongLineEdit.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeView>

#include <cmath>
#include <functional>
#include <limits>

namespace zuneigo {

namespace {

// Hands the list's key presses and its double-clicks on a row to the window's handlers
// without taking them from the list. A double-click elsewhere (the header, a scroll bar,
// the corner between the bars, below the last row) reaches the list too, and opens nothing.
class ListEvents : public QObject {
public:
    ListEvents(QAbstractItemView* list, std::function<void(QKeyEvent*)> key, std::function<void()> doubleClick)
        : QObject(list),
          list_(list),
          key_(std::move(key)),
          doubleClick_(std::move(doubleClick))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched == list_) {
            key_(static_cast<QKeyEvent*>(event));
        } else if (event->type() == QEvent::MouseButtonDblClick && watched == list_->viewport()) {
            if (list_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid())
                doubleClick_();
        }
        return false;
    }

private:
    QAbstractItemView* list_;
    std::function<void(QKeyEvent*)> key_;
    std::function<void()> doubleClick_;
};

QString Latin(const std::string& ascii)
{
    return QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()));
}

} // namespace

std::int32_t TMainForm::SpinValue(const TRxSpinEdit* field)
{
    const long double value = std::trunc(field->GetValue());
    // A typed number beyond the 32-bit range reads as the nearest end, not as garbage.
    if (value >= static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<long double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void TMainForm::SetupResultList()
{
    ResultList = new TResultListModel(ListView1);
    ListView1->setModel(ResultList);
    // Report style: a flat list of rows of equal height, so the view never measures them.
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSortingEnabled(false);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsMovable(false);
    for (int c = 0; c < ResultColumnCount; ++c)
        ListView1->setColumnWidth(c, ResultColumns[static_cast<std::size_t>(c)].Width);

    auto* events = new ListEvents(
        ListView1, [this](QKeyEvent* e) { ListView1KeyDown(e->key(), e->modifiers()); },
        [this] { ListView1DblClick(); });
    ListView1->installEventFilter(events);
    ListView1->viewport()->installEventFilter(events);
}

void TMainForm::SearchBtnClick()
{
    SearchCriteria criteria;
    criteria.SearcherIsMan = Bimann->isChecked();
    criteria.SearcherSeeksMan = SuMann->isChecked();
    criteria.VonAge = SpinValue(VonAge);
    criteria.BisAge = SpinValue(BisAge);
    criteria.UmKreis = SpinValue(UmKreis);
    criteria.Position = {Shape2->x(), Shape2->y()};

    ResultList->SetRows(ResultRows(Database, criteria));
    ShowResultDots();
    ShowMessage(this, QMessageBox::Information, QStringLiteral("Suche beendet"),
                Latin(SearchDoneText(ResultList->Rows().Count())), QMessageBox::Ok);
}

void TMainForm::ListView1DblClick()
{
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty() || DetailForm == nullptr)
        return;
    const int row = selected.first().row();
    const ResultRows& rows = ResultList->Rows();
    // The whole field, not the list's shortened cell.
    auto cell = [&](int column) { return Cp1252Text(rows.Cell(static_cast<std::size_t>(row), column)); };

    // A text field converts its start now and the rest only if it is copied; the bytes stay
    // with it even when a later search replaces the rows.
    auto text = [&](TLongLineEdit* field, int column) {
        const std::string_view bytes = rows.Cell(static_cast<std::size_t>(row), column);
        field->SetLongText(Cp1252Text(bytes.substr(0, TLongLineEdit::ShownLength)), static_cast<qsizetype>(bytes.size()),
                           [cell = rows.KeepCell(static_cast<std::size_t>(row), column)] { return Cp1252Text(cell.Text()); });
    };

    TDetailForm& d = *DetailForm;
    text(d.NameEd, ColName);
    d.AlterEd->setText(cell(ColAge));
    d.GrossEd->setText(cell(ColHeight));
    d.GewEd->setText(cell(ColWeight));
    d.ShowSmoker(cell(ColSmoker));
    text(d.HaareEd, ColHair);
    text(d.AugenEd, ColEyes);
    text(d.MakeEd, ColActivities);
    text(d.TitleEd, ColTitle);
    text(d.emailEd, ColContact);
    // The search lists only records whose position converts.
    auto position = [&](int column) { return StrToIntDef(rows.Cell(static_cast<std::size_t>(row), column), 0); };
    d.Shape2->move(position(ColPosX), position(ColPosY));
    d.exec();
}

void TMainForm::ListView1KeyDown(int key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ListView1DblClick();
}

} // namespace zuneigo
