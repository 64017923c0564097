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
    const std::string directory = m_platform.system.applicationDirectory();
    if (answer == MessageAnswer::Yes) {
        if (const Status saved = replaceIndex(directory, FilesFound, FoldersFound); !saved) {
            showFileError(saved.error(), indexFileErrorTail);
            return;
        }
        m_platform.dialogs.showMessage({QStringLiteral("Neue Index-Datei gespeichert !"),
                                        QStringLiteral("Hinweis !"), MessageButtons::Ok,
                                        MessageIcon::Information});
        cmd_save->setEnabled(false);
    } else if (answer == MessageAnswer::No) {
        if (const Status saved = appendIndex(directory, m_foundSongs->songs(), FoldersFound);
            !saved)
            showFileError(saved.error(), indexFileErrorTail);
    }
}

} // namespace liedspur
