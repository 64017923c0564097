#pragma once

#include "search/ResultRow.h"
#include "search/ResultSet.h"

#include <QAbstractTableModel>

#include <optional>
#include <string_view>

namespace liedspur {

// The rows of the result list for its three columns "Song-Titel", "Ordner", "Lft.Nr.:".
// Texts are bytes; they are decoded only for display.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TitleColumn, FolderColumn, NumberColumn, ColumnCount };

    explicit ResultModel(QObject* parent = nullptr);

    // Removes every row.
    void clear();
    // Replaces all rows with `rows`, in one reset.
    void assign(ResultSet rows);

    std::size_t count() const { return m_rows.size(); }
    const ResultSet& result() const { return m_rows; }
    // The row at `position`, 1 being the first.
    std::optional<ResultRow> rowAt(std::size_t position) const;

    // index() and flags() without the base class's range checks through virtual calls: the
    // list view asks both for every row when it lays out millions of them.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The numbers centred, the texts at the left.
    static Qt::Alignment alignment(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    ResultSet m_rows;
};

} // namespace liedspur
