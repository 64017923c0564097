#include "ui/NewIndex.h"

#include "base/DisplayText.h"
#include "index/IndexRun.h"
#include "ui/FolderList.h"
#include "ui/FoundSongsModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace liedspur {

namespace {

const char* const tempFileErrorTail = " beim erstellen/schreiben der Temp-Datei !";

} // namespace

void NewIndex::EnableAfterRun() {
    for (QWidget* element :
         {static_cast<QWidget*>(Drive_Index), static_cast<QWidget*>(Dir_index),
          static_cast<QWidget*>(cmd_NewIndex), static_cast<QWidget*>(chk_MitOrdner),
          static_cast<QWidget*>(cmd_back), static_cast<QWidget*>(cmd_fertig)})
        element->setEnabled(true);
    if (IsNetworkPresent())
        cmd_net->setEnabled(true);
}

void NewIndex::cmd_NewIndex_Click() {
    if (cmd_abbruch->isEnabled())
        return;
    // Disabling the focused element moves the focus on; it comes back after the run.
    const QPointer<QWidget> focusBefore = focusWidget();
    txt_file->clear();
    txt_ordner->clear();
    m_foundSongs->clear();
    FoldersEntered = 0;
    FilesFound = 0;
    m_cancelFlag = false;
    m_songsChanged = m_folderChanged = m_foldersLabelChanged = false;
    Timer1->start();
    cmd_abbruch->setEnabled(true);
    for (QWidget* element :
         {static_cast<QWidget*>(Drive_Index), static_cast<QWidget*>(Dir_index),
          static_cast<QWidget*>(cmd_NewIndex), static_cast<QWidget*>(chk_MitOrdner),
          static_cast<QWidget*>(cmd_save), static_cast<QWidget*>(cmd_back),
          static_cast<QWidget*>(cmd_fertig), static_cast<QWidget*>(cmd_net)})
        element->setEnabled(false);
    setCursor(Qt::WaitCursor);
    FoldersFound = 0;

    m_lastYield = std::chrono::steady_clock::now() - m_yieldInterval;
    ListingReadAhead::Limits limits;
    limits.answer = m_patience.runFolder;
    limits.answerOnSilentMount = m_patience.runFolderOnSilentMount;
    IndexRun run(limits);
    const Result<ScanEnd, RunFailure> end =
        run.run(m_platform.system.applicationDirectory(), Dir_index->path(), *this);
    FilesFound = run.counters().filesFound;
    FoldersFound = run.counters().foldersFound;
    FoldersEntered = run.counters().foldersEntered;
    showProgress();

    EnableAfterRun();
    Timer1->stop();
    unsetCursor();
    bild1->hide();
    if (focusBefore && focusBefore->isEnabled())
        focusBefore->setFocus();
    if (!end) {
        cmd_abbruch->setEnabled(false);
        if (end.error().startFolder)
            showFolderError(end.error().error);
        else
            showFileError(end.error().error, tempFileErrorTail);
        return;
    }
    // A cancel that came after the scan's last look at the flag counts all the same.
    if (!m_cancelFlag) {
        m_platform.dialogs.showMessage(
            {QStringLiteral("Fertig ! Anzahl Files = ") + QString::number(FilesFound),
             QStringLiteral("Hinweis"), MessageButtons::Ok, MessageIcon::Information});
        lbl_files->setText(QStringLiteral("Gefundene Files: ") + QString::number(FilesFound));
        lbl_files->adjustSize();
        lbl_ordner->setText(QStringLiteral("Anzahl untersuchte Ordner: ") +
                            QString::number(FoldersEntered + 1));
        lbl_ordner->adjustSize();
    } else {
        m_platform.dialogs.showMessage({QStringLiteral("Abbruch durch Benutzer !!"),
                                        QStringLiteral("Hinweis"), MessageButtons::Ok,
                                        MessageIcon::Information});
    }
    cmd_abbruch->setEnabled(false);
    if (FilesFound > 0)
        cmd_save->setEnabled(true);
}

void NewIndex::cmd_abbruch_Click() {
    m_cancelFlag = true;
}

void NewIndex::Timer1_Timer() {
    QCoreApplication::processEvents();
    bild1->setHidden(!bild1->isHidden());
}

void NewIndex::yield() {
    if (std::chrono::steady_clock::now() - m_lastYield < m_yieldInterval)
        return;
    showProgress();
    QCoreApplication::processEvents();
    m_lastYield = std::chrono::steady_clock::now();
}

bool NewIndex::includeSubfolders() {
    return chk_MitOrdner->isChecked();
}

void NewIndex::folderListed(std::string_view, const ScanCounters& counters) {
    FoldersFound = counters.foldersFound;
    m_foldersLabelEntered = counters.foldersEntered;
    m_foldersLabelChanged = true;
}

void NewIndex::songFound(std::string_view fullPath, const ScanCounters& counters) {
    m_foundSongs->append(fullPath);
    m_lastSong.assign(fullPath);
    FilesFound = counters.filesFound;
    m_songsChanged = true;
}

void NewIndex::folderEntered(std::string_view path, const ScanCounters& counters) {
    m_lastFolder.assign(path);
    FoldersEntered = counters.foldersEntered;
    m_folderChanged = true;
}

void NewIndex::stoppedOnCancel() {
    EnableAfterRun();
    cmd_abbruch->setEnabled(false);
}

// The elements show the scan's state whenever the window gets to paint; between those
// moments nothing could show the many updates in between.
void NewIndex::showProgress() {
    if (m_foldersLabelChanged) {
        m_foldersLabelChanged = false;
        lbl_ordner->setText(QStringLiteral("Anzahl untersuchte Ordner: ") +
                            QString::number(m_foldersLabelEntered + 1));
        lbl_ordner->adjustSize();
    }
    if (m_folderChanged) {
        m_folderChanged = false;
        txt_ordner->setText(displayText(m_lastFolder));
    }
    if (m_songsChanged) {
        m_songsChanged = false;
        txt_file->setText(displayText(m_lastSong));
        m_foundSongs->publish();
        // The view lays out new rows only on a timer of its own, which the next rows
        // would undo before it paints: laid out now, it paints them at this yield.
        lst_GefundeneFiles->doItemsLayout();
        lbl_files->setText(QStringLiteral("Gefundene Files: ") + QString::number(FilesFound));
        lbl_files->adjustSize();
    }
}

} // namespace liedspur
