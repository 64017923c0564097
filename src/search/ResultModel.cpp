#include "search/ResultModel.h"

#include "base/DisplayText.h"

namespace liedspur {

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultModel::clear() {
    if (m_rows.size() == 0 && !m_rows.snapshot)
        return;
    beginResetModel();
    // The rows' snapshot goes with them, and with it the index they came from, if no longer
    // in use.
    m_rows = ResultSet();
    endResetModel();
}

void ResultModel::assign(ResultSet rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

std::optional<ResultRow> ResultModel::rowAt(std::size_t position) const {
    if (position < 1 || position > m_rows.size())
        return std::nullopt;
    return m_rows.row(position);
}

QModelIndex ResultModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || static_cast<std::size_t>(row) >= m_rows.size() ||
        column < 0 || column >= ColumnCount)
        return {};
    return createIndex(row, column);
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(alignment(index.column()));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const ResultRow row = *rowAt(static_cast<std::size_t>(index.row()) + 1);
    switch (index.column()) {
    case TitleColumn:
        return displayText(row.itemText());
    case FolderColumn:
        return displayText(row.folder());
    case NumberColumn:
        return QString::number(row.number());
    default:
        return {};
    }
}

Qt::Alignment ResultModel::alignment(int column) {
    return column == NumberColumn ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(alignment(section));
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return QStringLiteral("Song-Titel");
    case FolderColumn:
        return QStringLiteral("Ordner");
    case NumberColumn:
        return QStringLiteral("Lft.Nr.:");
    default:
        return {};
    }
}

} // namespace liedspur
