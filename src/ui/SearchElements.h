#pragma once

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace liedspur {

class ResultListView;

// The main window's elements at their designed places in the window's client area.
struct SearchElements {
    QGroupBox* Frame1 = nullptr;
    QLineEdit* txt_suchen = nullptr;
    QPushButton* cmd_suchen = nullptr;
    QCheckBox* chk_MitOrdner = nullptr;
    QLabel* lbl_info = nullptr;
    QCheckBox* chk_genau = nullptr;
    QPushButton* cmd_Alle = nullptr;
    ResultListView* lv_1 = nullptr;

    // Places the elements in `central` and sets the tab order.
    explicit SearchElements(QWidget* central);
    // The texts, states and column widths the window starts with, also when it is shown
    // anew.
    void setDesignValues();
};

} // namespace liedspur
