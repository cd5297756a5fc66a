#include "app/gui/ResultListModel.h"

#include "app/gui/FormHelpers.h"

#include <QString>

#include <climits>

namespace zuneigo {

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
    return Cp1252Text(rows_.ShownCell(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ResultColumnCount)
        return {};
    return Cp1252Text(ResultColumns[static_cast<std::size_t>(section)].Caption);
}

} // namespace zuneigo
