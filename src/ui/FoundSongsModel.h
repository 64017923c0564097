#pragma once

#include "base/LineTable.h"

#include <QAbstractListModel>

#include <string_view>

namespace liedspur {

// The songs a run found, as bytes in one buffer. Songs are collected at full speed and
// shown in batches, so that a run of many songs does not pay for a view update each.
class FoundSongsModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void clear();
    // Collected now, shown at the next publish().
    void append(std::string_view fullPath) { m_songs.append(fullPath); }
    void publish();

    // Every song collected, shown or not, in the order found.
    const LineTable& songs() const { return m_songs; }

private:
    LineTable m_songs;
    std::size_t m_shown = 0;
};

} // namespace liedspur
