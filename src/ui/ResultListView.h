#pragma once

#include "search/ResultList.h"
#include "search/ResultModel.h"
#include "search/TextWidths.h"
#include "ui/TextMeasurer.h"

#include <QTableView>

class QFontMetricsF;

#include <array>
#include <memory>
#include <optional>

namespace liedspur {

// The result list lv_1: a report view over the result rows, one whole row selected at a
// time. It reports the character of every key, double-clicks and button releases to its
// window and lets its own handling of them go on.
//
// Its cost does not grow with the rows: all rows are as high as one, the rows on screen
// follow from the scroll bar's value (a row number), and the view keeps nothing for a row.
// It is a table view for Qt's accessibility of tables, but lays out and paints the rows
// itself: its vertical header, which would hold a section for every row, holds none.
class ResultListView : public QTableView, public ResultList {
    Q_OBJECT

public:
    explicit ResultListView(QWidget* parent = nullptr);

    ResultModel& rows() { return m_model; }
    const ResultModel& rows() const { return m_model; }
    QHeaderView* header() const { return horizontalHeader(); }

    std::size_t count() const override { return m_model.count(); }
    std::optional<ResultRow> rowAt(std::size_t position) const override;
    std::optional<ResultRow> selectedRow() const override;

    // Row 1 becomes the current and selected row; an empty list keeps no selection.
    void selectFirstRow();
    // Sizes the title and folder columns to their widest texts.
    void fitTextColumns();

    // Measures every text of `snapshot` on a worker; fits use the widths from then on, and a
    // fit made before they came is made again.
    void measureTexts(IndexPtr snapshot);
    // The widths go and measuring stops: another index is about to be read.
    void dropTextWidths();
    bool hasTextWidths(const IndexPtr& snapshot) const;

    // The width a cell needs to show `text` whole, its margins included.
    int cellWidth(const QString& text) const;

    // Exact for the title and folder columns: with the widths, the widest texts by their
    // widths are measured; without them, the longest in bytes and the rows on screen.
    int sizeHintForColumn(int column) const override;
    int sizeHintForRow(int row) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void setModel(QAbstractItemModel* model) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;
    void reset() override;

    // The character a key event stands for, 0 for none: Backspace is 8, the keypad's keys
    // give the same codes as the main keyboard's, and a key with Control or Alt held gives
    // none.
    static int characterCode(const QKeyEvent& event);

signals:
    void characterTyped(int characterCode);
    void listDoubleClicked();
    void buttonReleased(Qt::MouseButton button);
    // Control + keypad plus: the columns are to be fitted.
    void fitColumnsRequested();
    void textWidthsMeasured();

protected:
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void changeEvent(QEvent* event) override;

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateRowHeight();
    int firstShownRow() const;
    // Rows that fit the viewport whole, at least one.
    int pageRows() const;
    // The row at viewport height `y`, before the first or past the last too.
    qint64 rowAtHeight(int y) const;
    void paintRow(QPainter& painter, const QStyleOptionViewItem& option, int row,
                  const QRect& dirty) const;
    int textMargin() const;
    int cellWidth(const QFontMetricsF& metrics, const QString& text) const;
    QString cellText(std::size_t position, int column) const;
    void widthsMeasured(std::shared_ptr<const TextWidths> widths);

    ResultModel m_model;
    TextMeasurer m_measurer;
    std::shared_ptr<const TextWidths> m_widths;
    // The widest rows of the rows shown, found at their first fit.
    mutable std::optional<std::array<TextWidths::Widest, 2>> m_widest;
    std::weak_ptr<const IndexSnapshot> m_measuring;
    // The last fit of these rows went without widths.
    bool m_fitAgain = false;
    int m_rowHeight = 1;
};

} // namespace liedspur
