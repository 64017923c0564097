#include "ui/SearchActions.h"

#include "search/Search.h"
#include "ui/ResultListView.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>

namespace liedspur {

namespace {

constexpr int numberColumnWidth = 800; // twips

// Waits with the hourglass for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

SearchActions::SearchActions(const SearchElements& elements, const SearchIndexPtr& searchIndex)
    : SearchElements(elements), m_searchIndex(searchIndex) {}

bool SearchActions::folderMode() const {
    return chk_MitOrdner->isChecked();
}

void SearchActions::selectSearchText() {
    txt_suchen->setFocus();
    txt_suchen->setSelection(0, static_cast<int>(txt_suchen->text().size()));
}

void SearchActions::showNoResult(const QString& message) {
    txt_suchen->setFocus();
    txt_suchen->setText(message);
    txt_suchen->setSelection(0, static_cast<int>(message.size()));
}

void SearchActions::setInfo(const char* caption, std::size_t count) {
    lbl_info->setText(QString::fromUtf8(caption) + QString::number(count));
    lbl_info->adjustSize();
}

void SearchActions::cmd_suchen_Click() {
    const std::string text = txt_suchen->text().toStdString();
    m_searchTerm = prepareSearchTerm(text, chk_genau->isChecked());
    if (folderMode()) {
        SearchFolders();
        return;
    }
    if (isBlankSearchText(text))
        return;
    lv_1->rows().clear();
    setInfo("Info: Gefundene Files = ", lv_1->count());
    lv_1->rows().assign(searchSongs(*m_searchIndex, m_searchTerm));
    if (lv_1->count() == 0) {
        showNoResult(QStringLiteral("Keine passenden Songs gefunden"));
        return;
    }
    setInfo("Info: Gefundene Files = ", lv_1->count());
    focusFilledList();
}

void SearchActions::SearchFolders() {
    if (isBlankSearchText(txt_suchen->text().toStdString()))
        return;
    lv_1->rows().clear();
    setInfo("Info: Gefundene Ordner = ", lv_1->count());
    lv_1->rows().assign(searchFolders(*m_searchIndex, m_searchTerm));
    if (lv_1->count() == 0) {
        showNoResult(QStringLiteral("Keine passenden Ordner gefunden"));
        return;
    }
    focusFilledList();
    setInfo("Info: Gefundene Ordner = ", lv_1->count());
}

void SearchActions::cmd_Alle_Click() {
    if (folderMode()) {
        ShowAllFolders();
        return;
    }
    showListing(listAllSongs, "Info: Gefundene Songs = ", "Info: Gefundene Files = ");
}

void SearchActions::ShowAllFolders() {
    showListing(listAllFolders, "Info: Gefundene Ordner = ", "Info: Gefundene Ordner = ");
}

void SearchActions::showListing(ResultSet (*list)(const IndexPtr&), const char* whileListing,
                                const char* listed) {
    lv_1->rows().clear();
    setInfo(whileListing, lv_1->count());
    {
        WaitCursor wait;
        lv_1->rows().assign(list(m_searchIndex->snapshot()));
    }
    focusFilledList();
    setInfo(listed, lv_1->count());
}

void SearchActions::chk_MitOrdner_Click() {
    lv_1->rows().clear();
    if (folderMode())
        setInfo("Info: Gefundene Ordner = ", lv_1->count());
    else
        setInfo("Info: Gefundene Songs = ", lv_1->count());
}

void SearchActions::focusFilledList() {
    lv_1->setFocus();
    // Row 1 selected, so that Space, "#", a double-click or a menu acts on it at once.
    lv_1->selectFirstRow();
    FitColumns();
}

void SearchActions::FitColumns() {
    lv_1->fitTextColumns();
    lv_1->header()->resizeSection(ResultModel::NumberColumn, twipsToPixels(numberColumnWidth));
    // Lets the window repaint once, with all three widths; commands that come meanwhile wait
    // for this one.
    QCoreApplication::processEvents();
}

} // namespace liedspur
