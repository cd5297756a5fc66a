#include "app/gui/ResultListModel.h"

#include "app/core/Cp1252.h"

#include <QString>

#include <climits>

namespace zuneigo {

namespace {

QString Text(std::string_view cp1252)
{
    const std::u16string text = Cp1252ToUtf16(cp1252);
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

} // namespace

TResultListModel::TResultListModel(QObject* parent) : QAbstractTableModel(parent)
{
}

void TResultListModel::SetRows(ResultRows rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TResultListModel::rowCount(const QModelIndex& parent) const
{
    // A view counts rows in int; a larger result shows its first INT_MAX rows.
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(rows_.Count(), INT_MAX));
}

int TResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ResultColumnCount;
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.column() >= ResultColumnCount ||
        static_cast<std::size_t>(index.row()) >= rows_.Count())
        return {};
    return Text(rows_.ShownCell(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ResultColumnCount)
        return {};
    return Text(ResultColumns[static_cast<std::size_t>(section)].Caption);
}

} // namespace zuneigo
