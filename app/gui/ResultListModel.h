#pragma once
// The result list's model: the rows of one search, shown in the twelve columns of the
// search. The view asks only for the rows it shows, so 100,000 matches fill at once.
#include "app/core/ResultColumns.h"

#include <QAbstractTableModel>

namespace zuneigo {

class TResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TResultListModel(QObject* parent = nullptr);

    // Replaces every row.
    void SetRows(ResultRows rows);
    const ResultRows& Rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    ResultRows rows_;
};

} // namespace zuneigo
