#pragma once

#include "search/ResultList.h"
#include "search/ResultModel.h"

#include <QTreeView>

namespace liedspur {

// The result list lv_1: a report view over the result rows, one whole row selected at a
// time. It reports the character of every key, double-clicks and button releases to its
// window and lets its own handling of them go on.
class ResultListView : public QTreeView, public ResultList {
    Q_OBJECT

public:
    explicit ResultListView(QWidget* parent = nullptr);

    ResultModel& rows() { return m_model; }
    const ResultModel& rows() const { return m_model; }

    std::size_t count() const override { return m_model.count(); }
    std::optional<ResultRow> rowAt(std::size_t position) const override;
    std::optional<ResultRow> selectedRow() const override;

    // Row 1 becomes the current and selected row; an empty list keeps no selection.
    void selectFirstRow();
    // Sizes the title and folder columns to their contents.
    void fitTextColumns();

    // Measured over the rows on screen and the rows with the longest texts, so that a
    // million rows are measured in a few milliseconds.
    int sizeHintForColumn(int column) const override;

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ResultModel m_model;
};

} // namespace liedspur
