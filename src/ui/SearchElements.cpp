#include "ui/SearchElements.h"

#include "ui/Frame.h"
#include "ui/Place.h"
#include "ui/ResultListView.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace liedspur {

SearchElements::SearchElements(QWidget* central) {
    Frame1 = new Frame("Frame1", QStringLiteral(" Suchoptionen "), central,
                       twipsRect(120, 120, 10335, 1095));
    txt_suchen = place(new QLineEdit(Frame1), "txt_suchen", {240, 240, 9855, 285});
    cmd_suchen = place(new QPushButton(QStringLiteral("&Suche Starten"), Frame1), "cmd_suchen",
                       {6480, 600, 1575, 375});
    cmd_suchen->setDefault(true);
    chk_MitOrdner = place(new QCheckBox(QStringLiteral("Nur in Ordner suchen"), Frame1),
                          "chk_MitOrdner", {240, 720, 1935, 255});
    lbl_info = place(new QLabel(Frame1), "lbl_info", {3960, 750, 315, 195});
    chk_genau = place(new QCheckBox(QStringLiteral("Genaue Suche"), Frame1), "chk_genau",
                      {2280, 750, 1455, 195});
    cmd_Alle = place(new QPushButton(QStringLiteral("&Alle Zeigen"), Frame1), "cmd_Alle",
                     {8520, 600, 1575, 375});

    lv_1 = place(new ResultListView(central), "lv_1", {120, 1320, 10335, 4335});

    QWidget::setTabOrder(txt_suchen, cmd_suchen);
    QWidget::setTabOrder(cmd_suchen, chk_MitOrdner);
    QWidget::setTabOrder(chk_MitOrdner, chk_genau);
    QWidget::setTabOrder(chk_genau, cmd_Alle);
    QWidget::setTabOrder(cmd_Alle, lv_1);
}

void SearchElements::setDesignValues() {
    txt_suchen->setText(QStringLiteral("SuchText hier eingeben"));
    chk_MitOrdner->setChecked(false);
    chk_genau->setChecked(false);
    lbl_info->setText(QStringLiteral("Info:"));
    lbl_info->adjustSize();
    lv_1->header()->resizeSection(ResultModel::TitleColumn, twipsToPixels(4000));
    lv_1->header()->resizeSection(ResultModel::FolderColumn, twipsToPixels(4000));
    lv_1->header()->resizeSection(ResultModel::NumberColumn, twipsToPixels(655));
}

} // namespace liedspur
