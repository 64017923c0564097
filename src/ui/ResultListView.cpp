#include "ui/ResultListView.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace liedspur {

namespace {

// Without widths, the longest texts in bytes are measured: the widest is among them unless a
// short name is made of very wide letters only.
constexpr std::size_t measuredLongest = 200;

TextColumn textColumn(int column) {
    return column == ResultModel::TitleColumn ? TextColumn::Title : TextColumn::Folder;
}

} // namespace

ResultListView::ResultListView(QWidget* parent) : QTableView(parent) {
    // The table's corner button would sit where a vertical header met this one.
    for (auto* corner : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        corner->hide();
    verticalHeader()->hide();
    setModel(&m_model);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTextElideMode(Qt::ElideNone);
    // The right button belongs to the window's own pop-up menus, opened on its release.
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    QHeaderView* top = horizontalHeader();
    top->setStretchLastSection(false);
    top->setSectionsMovable(false);
    top->setSectionsClickable(false);
    top->setHighlightSections(false);
    top->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A divider moved lays the list out at once, not on the table's timer, so that a fit
    // followed by one repaint shows its widths.
    disconnect(top, SIGNAL(sectionResized(int, int, int)), this,
               SLOT(columnResized(int, int, int)));
    connect(top, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    connect(&m_measurer, &TextMeasurer::measured, this, &ResultListView::widthsMeasured);
    updateRowHeight();
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_fitAgain = false;
        m_widest.reset();
    });
}

void ResultListView::setModel(QAbstractItemModel* model) {
    // The vertical header stays without a model: it would keep a section for every row and
    // go over all of them at every reset.
    horizontalHeader()->setModel(model);
    QAbstractItemView::setModel(model);
}

void ResultListView::setSelectionModel(QItemSelectionModel* selectionModel) {
    horizontalHeader()->setSelectionModel(selectionModel);
    QAbstractItemView::setSelectionModel(selectionModel);
}

void ResultListView::reset() {
    QTableView::reset();
    // At once, not on a timer: the scroll bar's range is what rows the next step can show,
    // and a layout later would paint the list a second time.
    doItemsLayout();
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
    m_fitAgain = count() > 0 && !(m_widths && m_widths->covers(m_model.result()));
    resizeColumnToContents(ResultModel::TitleColumn);
    resizeColumnToContents(ResultModel::FolderColumn);
}

void ResultListView::measureTexts(IndexPtr snapshot) {
    if (!snapshot || m_measuring.lock() == snapshot)
        return;
    m_widths.reset();
    m_widest.reset();
    m_measuring = snapshot;
    m_measurer.measure(std::move(snapshot), font());
}

void ResultListView::dropTextWidths() {
    m_measurer.stop();
    m_widths.reset();
    m_widest.reset();
    m_measuring.reset();
}

bool ResultListView::hasTextWidths(const IndexPtr& snapshot) const {
    return m_widths && m_widths->measured(snapshot);
}

void ResultListView::widthsMeasured(std::shared_ptr<const TextWidths> widths) {
    m_widths = std::move(widths);
    m_widest.reset();
    if (m_fitAgain && m_widths->covers(m_model.result()))
        fitTextColumns();
    emit textWidthsMeasured();
}

void ResultListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateRowHeight();
    QTableView::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    // Widths hold for the font they were measured in.
    if (IndexPtr snapshot = m_measuring.lock()) {
        m_measuring.reset();
        measureTexts(std::move(snapshot));
    }
}

int ResultListView::textMargin() const {
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

int ResultListView::cellWidth(const QString& text) const {
    return cellWidth(QFontMetricsF(font()), text);
}

int ResultListView::cellWidth(const QFontMetricsF& metrics, const QString& text) const {
    return static_cast<int>(std::ceil(metrics.horizontalAdvance(text))) + 2 * textMargin();
}

QString ResultListView::cellText(std::size_t position, int column) const {
    return m_model.data(m_model.index(static_cast<int>(position) - 1, column)).toString();
}

int ResultListView::sizeHintForColumn(int column) const {
    const std::size_t rows = count();
    if (rows == 0 || column < 0 || column >= ResultModel::ColumnCount)
        return 0;
    const QFontMetricsF metrics(font());
    const ResultSet& result = m_model.result();
    if (column != ResultModel::NumberColumn && m_widths && m_widths->covers(result)) {
        // Both columns at once: a pass over the rows costs more than the measuring.
        if (!m_widest)
            m_widest = m_widths->widest(result);
        const TextWidths::Widest& widest = (*m_widest)[std::size_t(textColumn(column))];
        // Kerning takes less than a line's height off a text: a row narrower than the widest
        // by more is not measured.
        const double within = metrics.height();
        int width = 0;
        double overEstimate = 0; // what measuring adds to a width: margins, kerning
        double unmeasured = widest.nextWidth;
        for (const std::size_t position : widest.positions) {
            const double estimate = m_widths->width(result, position, textColumn(column));
            if (position != widest.positions.front() &&
                estimate < m_widths->width(result, widest.positions.front(), textColumn(column)) -
                               within) {
                unmeasured = estimate;
                break;
            }
            const int measured = cellWidth(metrics, cellText(position, column));
            width = std::max(width, measured);
            overEstimate = std::max(overEstimate, measured - estimate);
        }
        // A row left unmeasured is narrower by its width than those measured; room for it in
        // case its kerning says otherwise.
        if (unmeasured > 0)
            width = std::max(width, int(std::ceil(unmeasured + overEstimate)));
        return width;
    }
    // Numbers ascend, so that the last has the most digits.
    std::vector<std::size_t> positions =
        column == ResultModel::NumberColumn
            ? std::vector<std::size_t>(1, rows)
            : longestTexts(result, textColumn(column), measuredLongest);
    const int first = firstShownRow();
    for (qint64 row = first; row < std::min<qint64>(qint64(rows), first + pageRows() + 1); ++row)
        positions.push_back(static_cast<std::size_t>(row) + 1);
    int width = 0;
    for (const std::size_t position : positions)
        width = std::max(width, cellWidth(metrics, cellText(position, column)));
    return width;
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
    QTableView::keyPressEvent(event);
}

void ResultListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QTableView::mousePressEvent(event);
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
    QTableView::mouseMoveEvent(event);
}

void ResultListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit listDoubleClicked();
}

void ResultListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        QTableView::mouseReleaseEvent(event);
    emit buttonReleased(event->button());
}

} // namespace liedspur
