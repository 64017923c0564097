#include "ui/FoundSongsModel.h"

#include "base/DisplayText.h"

#include <climits>

namespace liedspur {

int FoundSongsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(std::min<std::size_t>(m_shown, INT_MAX));
}

QVariant FoundSongsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return displayText(m_songs.line(static_cast<std::size_t>(index.row()) + 1));
}

void FoundSongsModel::clear() {
    beginResetModel();
    m_songs = LineTable();
    m_shown = 0;
    endResetModel();
}

void FoundSongsModel::publish() {
    const std::size_t total = std::min<std::size_t>(m_songs.size(), INT_MAX);
    if (total <= m_shown)
        return;
    beginInsertRows({}, static_cast<int>(m_shown), static_cast<int>(total - 1));
    m_shown = total;
    endInsertRows();
}

} // namespace liedspur
