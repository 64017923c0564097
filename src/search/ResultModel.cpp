#include "search/ResultModel.h"

#include "base/DisplayText.h"

#include <algorithm>

namespace liedspur {

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultModel::clear() {
    if (m_rows.empty() && m_snapshots.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_snapshots.clear();
    endResetModel();
}

void ResultModel::assign(const ResultSet& rows) {
    beginResetModel();
    m_snapshots.assign(1, rows.snapshot);
    m_rows.clear();
    m_rows.reserve(rows.numbers.size());
    for (const std::uint32_t number : rows.numbers)
        m_rows.push_back({number, 0, rows.kind});
    endResetModel();
}

std::uint16_t ResultModel::snapshotSlot(const IndexPtr& snapshot) {
    const auto found = std::find(m_snapshots.begin(), m_snapshots.end(), snapshot);
    if (found != m_snapshots.end())
        return static_cast<std::uint16_t>(found - m_snapshots.begin());
    m_snapshots.push_back(snapshot);
    return static_cast<std::uint16_t>(m_snapshots.size() - 1);
}

void ResultModel::append(const ResultRow& row) {
    const int position = static_cast<int>(m_rows.size());
    const std::uint16_t slot = snapshotSlot(row.snapshot());
    beginInsertRows({}, position, position);
    m_rows.push_back({static_cast<std::uint32_t>(row.number()), slot, row.kind()});
    endInsertRows();
}

std::optional<ResultRow> ResultModel::rowAt(std::size_t position) const {
    if (position < 1 || position > m_rows.size())
        return std::nullopt;
    const Entry& entry = m_rows[position - 1];
    return ResultRow(m_snapshots[entry.snapshot], entry.kind, entry.number);
}

std::string_view ResultModel::columnText(std::size_t position, Column column) const {
    const Entry& entry = m_rows[position - 1];
    const IndexSnapshot& snapshot = *m_snapshots[entry.snapshot];
    if (entry.kind == RowKind::Folder)
        return column == TitleColumn ? folderRowText : snapshot.folder(entry.number);
    return column == TitleColumn ? snapshot.fileName(entry.number)
                                 : snapshot.folderPath(entry.number);
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
        return index.column() == NumberColumn ? QVariant(Qt::AlignCenter)
                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
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

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return section == NumberColumn ? QVariant(Qt::AlignCenter)
                                       : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
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
