#include "ui/ResultListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <functional>
#include <queue>
#include <vector>

namespace liedspur {

namespace {

// How many of the longest texts are measured: the widest text is among them unless a
// short name is made of very wide letters only.
constexpr std::size_t measuredLongest = 200;

} // namespace

ResultListView::ResultListView(QWidget* parent) : QTreeView(parent) {
    setModel(&m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideNone);
    // The right button belongs to the window's own pop-up menus, opened on its release.
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

std::optional<ResultRow> ResultListView::rowAt(std::size_t position) const {
    return m_model.rowAt(position);
}

std::optional<ResultRow> ResultListView::selectedRow() const {
    if (!selectionModel())
        return std::nullopt;
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty())
        return std::nullopt;
    return m_model.rowAt(static_cast<std::size_t>(selected.constFirst().row()) + 1);
}

void ResultListView::selectFirstRow() {
    if (m_model.count() == 0)
        return;
    const QModelIndex first = m_model.index(0, 0);
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(first);
}

void ResultListView::fitTextColumns() {
    resizeColumnToContents(ResultModel::TitleColumn);
    resizeColumnToContents(ResultModel::FolderColumn);
}

int ResultListView::sizeHintForColumn(int column) const {
    if (column == ResultModel::NumberColumn || m_model.count() == 0)
        return QTreeView::sizeHintForColumn(column);
    const std::size_t count = m_model.count();
    std::vector<std::size_t> candidates;
    if (count <= measuredLongest) {
        candidates.resize(count);
        for (std::size_t row = 0; row < count; ++row)
            candidates[row] = row + 1;
    } else {
        // The longest texts by their length in bytes, kept in a small heap.
        using Entry = std::pair<std::size_t, std::size_t>; // length, position
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> longest;
        for (std::size_t position = 1; position <= count; ++position) {
            const std::size_t length =
                m_model.columnText(position, static_cast<ResultModel::Column>(column)).size();
            if (longest.size() < measuredLongest) {
                longest.emplace(length, position);
            } else if (length > longest.top().first) {
                longest.pop();
                longest.emplace(length, position);
            }
        }
        for (; !longest.empty(); longest.pop())
            candidates.push_back(longest.top().second);
        const QModelIndex top = indexAt(QPoint(0, 0));
        if (top.isValid()) {
            const int first = top.row();
            const int shown = viewport()->height() / std::max(1, rowHeight(top)) + 1;
            for (int row = first; row < std::min<int>(first + shown, int(count)); ++row)
                candidates.push_back(static_cast<std::size_t>(row) + 1);
        }
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = 0;
    for (const std::size_t position : candidates) {
        const QModelIndex index = m_model.index(static_cast<int>(position) - 1, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return width + 1;
}

int ResultListView::characterCode(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return 0;
    if (event.key() == Qt::Key_Backspace)
        return 8;
    const QString text = event.text();
    if (text.size() != 1)
        return 0;
    return text.at(0).unicode();
}

void ResultListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Plus && (event->modifiers() & Qt::KeypadModifier) &&
        (event->modifiers() & Qt::ControlModifier)) {
        emit fitColumnsRequested();
        return;
    }
    const int code = characterCode(*event);
    if (code != 0)
        emit characterTyped(code);
    QTreeView::keyPressEvent(event);
}

void ResultListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    // The right button selects the row under it and never clears the selection: the menu
    // it opens acts on the selected row.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
}

void ResultListView::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with the right button alone selects nothing either.
    if (event->buttons() == Qt::RightButton)
        return;
    QTreeView::mouseMoveEvent(event);
}

void ResultListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit listDoubleClicked();
}

void ResultListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        QTreeView::mouseReleaseEvent(event);
    emit buttonReleased(event->button());
}

} // namespace liedspur
