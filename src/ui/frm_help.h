#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

namespace liedspur {

// The key-bindings window: what the result list's keys and mouse do in each mode.
class frm_help : public QWidget {
    Q_OBJECT

public:
    explicit frm_help(QWidget* parent = nullptr);

    void Form_Load();

private:
    void fitToTexts();

    QGroupBox* Frame1 = nullptr;
    QLabel* lbl_FileSearch_1 = nullptr;
    QLabel* lbl_filesearch_2 = nullptr;
    QLabel* lbl_filesearch_3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace liedspur
