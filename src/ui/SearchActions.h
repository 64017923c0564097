#pragma once

#include "search/ResultSet.h"
#include "search/SearchIndex.h"
#include "ui/SearchElements.h"

#include <QString>

#include <cstddef>
#include <string>

namespace liedspur {

// The search options' commands: the song and folder searches, the full listings and the
// mode switch, each filling the result list lv_1 and the count line lbl_info.
class SearchActions : private SearchElements {
public:
    // `searchIndex` is the main window's index in use, read at each command.
    SearchActions(const SearchElements& elements, const SearchIndexPtr& searchIndex);

    void cmd_suchen_Click();
    void SearchFolders();
    void cmd_Alle_Click();
    void ShowAllFolders();
    void chk_MitOrdner_Click();
    void FitColumns();

    // Focus to the search field with its whole text selected.
    void selectSearchText();
    // True while the list holds folder rows (chk_MitOrdner set).
    bool folderMode() const;

private:
    void showNoResult(const QString& message);
    void setInfo(const char* caption, std::size_t count);
    // The list after a search or listing: focus, row 1 selected, columns fitted.
    void focusFilledList();
    // A whole table into the list, its count line saying `whileListing` until it is shown.
    void showListing(ResultSet (*list)(const IndexPtr&), const char* whileListing,
                     const char* listed);

    const SearchIndexPtr& m_searchIndex;
    std::string m_searchTerm; // SearchTerm
};

} // namespace liedspur
