#include "ui/ResultListView.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>

// The list's coordinates, scrolling and painting: every row is as high as one, and the first
// row shown is the vertical scroll bar's value.

namespace liedspur {

namespace {

int clampToInt(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

QStyleOptionViewItem::ViewItemPosition cellPosition(int visual, int sections) {
    if (sections == 1)
        return QStyleOptionViewItem::OnlyOne;
    if (visual == 0)
        return QStyleOptionViewItem::Beginning;
    return visual == sections - 1 ? QStyleOptionViewItem::End : QStyleOptionViewItem::Middle;
}

} // namespace

int ResultListView::sizeHintForRow(int) const {
    return m_rowHeight;
}

int ResultListView::firstShownRow() const {
    return verticalScrollBar()->value();
}

int ResultListView::pageRows() const {
    return std::max(1, viewport()->height() / m_rowHeight);
}

qint64 ResultListView::rowAtHeight(int y) const {
    return firstShownRow() + static_cast<qint64>(std::floor(double(y) / m_rowHeight));
}

QModelIndex ResultListView::indexAt(const QPoint& point) const {
    const qint64 row = rowAtHeight(point.y());
    if (point.y() < 0 || row >= qint64(count()))
        return {};
    const int column = horizontalHeader()->logicalIndexAt(point.x());
    if (column < 0)
        return {};
    return m_model.index(static_cast<int>(row), column);
}

QRect ResultListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != &m_model)
        return {};
    const QHeaderView* top = horizontalHeader();
    const qint64 y = qint64(index.row() - firstShownRow()) * m_rowHeight;
    return QRect(top->sectionViewportPosition(index.column()), clampToInt(y),
                 top->sectionSize(index.column()), m_rowHeight);
}

void ResultListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != &m_model)
        return;
    const int row = index.row();
    const int first = firstShownRow();
    const int page = pageRows();
    int top = first;
    switch (hint) {
    case EnsureVisible:
        if (row < first)
            top = row;
        else if (row >= first + page)
            top = row - page + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - page + 1;
        break;
    case PositionAtCenter:
        top = row - page / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
}

void ResultListView::updateRowHeight() {
    // As high as an item view's row of one line of text.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Ag");
    m_rowHeight =
        std::max(1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, {}, this).height());
}

void ResultListView::updateGeometries() {
    QHeaderView* top = horizontalHeader();
    const int headerHeight =
        top->isHidden()
            ? 0
            : std::clamp(top->sizeHint().height(), top->minimumHeight(), top->maximumHeight());
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    top->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);

    const int page = pageRows();
    verticalScrollBar()->setRange(0, std::max(0, clampToInt(qint64(count())) - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, top->length() - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setSingleStep(
        std::max(area.width() / (ResultModel::ColumnCount + 1), 2));
    QAbstractItemView::updateGeometries();
}

void ResultListView::scrollContentsBy(int dx, int dy) {
    horizontalHeader()->setOffset(horizontalScrollBar()->value());
    viewport()->scroll(dx, clampToInt(qint64(dy) * m_rowHeight));
}

QModelIndex ResultListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = clampToInt(qint64(count()));
    if (rows == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return m_model.index(0, 0);
    int row = current.row();
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= pageRows();
        break;
    case MovePageDown:
        row += pageRows();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        // Whole rows are selected: left and right scroll sideways.
        horizontalScrollBar()->triggerAction(action == MoveLeft
                                                 ? QAbstractSlider::SliderSingleStepSub
                                                 : QAbstractSlider::SliderSingleStepAdd);
        return current;
    }
    return m_model.index(std::clamp(row, 0, rows - 1), current.column());
}

int ResultListView::horizontalOffset() const {
    return horizontalHeader()->offset();
}

int ResultListView::verticalOffset() const {
    return clampToInt(qint64(firstShownRow()) * m_rowHeight);
}

bool ResultListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void ResultListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const qint64 rows = qint64(count());
    const QRect area = rect.normalized();
    const qint64 top = rowAtHeight(area.top()), bottom = rowAtHeight(area.bottom());
    if (!selectionModel() || bottom < 0 || top >= rows)
        return;
    const QItemSelection selection(
        m_model.index(static_cast<int>(std::max<qint64>(top, 0)), 0),
        m_model.index(static_cast<int>(std::min(bottom, rows - 1)), ResultModel::ColumnCount - 1));
    selectionModel()->select(selection, command);
}

QRegion ResultListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = firstShownRow();
    const int last = first + pageRows();
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), first), bottom = std::min(range.bottom(), last);
        if (top <= bottom)
            region += QRect(0, (top - first) * m_rowHeight, viewport()->width(),
                            (bottom - top + 1) * m_rowHeight);
    }
    return region;
}

void ResultListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect dirty = event->rect();
    const int first = firstShownRow();
    const qint64 end = std::min<qint64>(qint64(count()), qint64(first) + pageRows() + 1);
    for (int row = std::max<int>(first, clampToInt(rowAtHeight(dirty.top()))); row < end; ++row) {
        if ((row - first) * m_rowHeight > dirty.bottom())
            break;
        paintRow(painter, option, row, dirty);
    }
}

void ResultListView::paintRow(QPainter& painter, const QStyleOptionViewItem& base, int row,
                              const QRect& dirty) const {
    const QHeaderView* top = horizontalHeader();
    const int y = (row - firstShownRow()) * m_rowHeight;
    QStyleOptionViewItem option = base;
    const bool selected = selectionModel()->isSelected(m_model.index(row, 0));
    if (selected)
        option.state |= QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                               : QPalette::Inactive;
    painter.setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const int margin = textMargin();
    const int sections = top->count();
    for (int visual = 0; visual < sections; ++visual) {
        const int column = top->logicalIndex(visual);
        const int x = top->sectionViewportPosition(column), width = top->sectionSize(column);
        if (top->isSectionHidden(column) || width <= 0 || x > dirty.right() ||
            x + width <= dirty.left())
            continue;
        QStyleOptionViewItem cell = option;
        cell.rect = QRect(x, y, width, m_rowHeight);
        cell.viewItemPosition = cellPosition(visual, sections);
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, &painter, this);
        style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, &painter, this);
        // The text as an item delegate places it, drawn in one pass: the delegate lays every
        // text out three times, which made the rows on screen cost more than a search.
        const QModelIndex index = m_model.index(row, column);
        const Qt::Alignment alignment = ResultModel::alignment(column);
        const QRect text = alignment & Qt::AlignHCenter ? cell.rect.adjusted(margin, 0, -margin, 0)
                                                        : cell.rect.adjusted(margin, 0, 0, 0);
        painter.drawText(text, int(alignment) | Qt::TextSingleLine, m_model.data(index).toString());
    }
    // The focus frame goes round the whole row, as the selection does.
    if (row != currentIndex().row() || !(hasFocus() || viewport()->hasFocus()))
        return;
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.state |= QStyle::State_KeyboardFocusChange;
    focus.backgroundColor =
        option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
    focus.rect = QRect(-top->offset(), y, top->length(), m_rowHeight);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

} // namespace liedspur
