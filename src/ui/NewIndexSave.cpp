#include "ui/NewIndex.h"

#include "index/IndexSaver.h"
#include "ui/FoundSongsModel.h"

#include <QPushButton>

namespace liedspur {

namespace {

const char* const indexFileErrorTail = " beim erstellen/schreiben der Index-Datei !";

} // namespace

void NewIndex::cmd_save_Click() {
    const MessageAnswer answer = m_platform.dialogs.showMessage(
        {QStringLiteral(">Ja< = Alten Index ersetzen   >Nein< = An alten Index anhängen !"),
         QStringLiteral("Ersetzen oder Anhängen ??"), MessageButtons::YesNoCancel,
         MessageIcon::None});
    if (answer != MessageAnswer::Yes && answer != MessageAnswer::No)
        return;
    const std::string directory = m_platform.system.applicationDirectory();
    const Result<SaveOutcome> saved =
        answer == MessageAnswer::Yes ? replaceIndex(directory, FilesFound, FoldersFound)
                                     : appendIndex(directory, m_foundSongs->songs(), FoldersFound);
    // Only a save that left the old index fails; one that happened is never shown as failed.
    if (!saved) {
        showFileError(saved.error(), indexFileErrorTail);
        return;
    }
    if (saved.value() == SaveOutcome::Pending) {
        // Saved, but not all in place: a second press must not add the run again.
        m_platform.dialogs.showMessage(
            {QStringLiteral("Die neue Index-Datei ist gespeichert, wird aber erst beim "
                            "nächsten Laden vollständig übernommen !"),
             QStringLiteral("Hinweis !"), MessageButtons::Ok, MessageIcon::Information});
        cmd_save->setEnabled(false);
    } else if (answer == MessageAnswer::Yes) {
        m_platform.dialogs.showMessage({QStringLiteral("Neue Index-Datei gespeichert !"),
                                        QStringLiteral("Hinweis !"), MessageButtons::Ok,
                                        MessageIcon::Information});
        cmd_save->setEnabled(false);
    }
}

} // namespace liedspur
