#include "player/PlayerLocation.h"

#include "base/DisplayText.h"
#include "base/FileDescriptor.h"
#include "base/TextFile.h"
#include "index/IndexFiles.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <fcntl.h>

namespace liedspur {

namespace {

const QString notFoundTitle = QStringLiteral("WinAmp nicht gefunden");

// Whether the file opens for reading. Only a regular file counts: a folder, a FIFO or a
// device is no program. A NUL byte would cut the path short wherever it is handed on.
bool opensForReading(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    return openRegularFile(path, O_RDONLY).ok();
}

bool endsInPlayerName(std::string_view path) {
    if (path.size() < playerFileName.size())
        return false;
    const std::string_view tail = path.substr(path.size() - playerFileName.size());
    return std::equal(tail.begin(), tail.end(), playerFileName.begin(), [](char a, char b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

} // namespace

PlayerLocation::PlayerLocation(Platform platform) : m_platform(platform) {}

FileDialogRequest PlayerLocation::playerDialog() {
    FileDialogRequest dialog{
        QStringLiteral("Bitte WinAmp.Exe auswählen"),
        QStringLiteral("WinAmp.Exe"),
        QString::fromLatin1(playerFileName.data(), qsizetype(playerFileName.size())),
        "/",
        m_lastChoice,
        false};
    // Where our adapter came with the program, the dialog opens on it: one click confirms it.
    // Only the name field is filled in, so a Cancel still leaves no choice.
    if (const std::string shipped = m_platform.system.shippedPlayer(); !shipped.empty()) {
        const std::size_t slash = shipped.rfind('/');
        dialog.initialFolder = slash == 0 ? "/" : shipped.substr(0, slash);
        if (dialog.fileName.empty())
            dialog.fileName = shipped.substr(slash + 1);
    }
    return dialog;
}

bool PlayerLocation::FindPlayer() {
    const std::string settingsFile =
        indexfiles::path(m_platform.system.applicationDirectory(), indexfiles::settings);
    for (;;) {
        if (const Result<std::string> line = readShortFirstLine(settingsFile, PATH_MAX);
            line && opensForReading(line.value())) {
            m_playerPath = line.value() + " ";
            return true;
        }

        m_platform.dialogs.showMessage(
            {QStringLiteral("WinAmp.exe nicht gefunden ! Bitte manuell auswählen !"), notFoundTitle,
             MessageButtons::Ok, MessageIcon::Information});
        std::string choice;
        for (;;) {
            // A Cancel in the dialog leaves its previous file name as the result.
            if (std::optional<std::string> chosen = m_platform.dialogs.showOpenFile(playerDialog()))
                m_lastChoice = std::move(*chosen);
            choice = m_lastChoice;
            if (endsInPlayerName(choice))
                break;
            const MessageAnswer answer = m_platform.dialogs.showMessage(
                {QStringLiteral("WinAmp.exe nicht gefunden ! "), notFoundTitle,
                 MessageButtons::RetryCancel, MessageIcon::None});
            if (answer != MessageAnswer::Retry) {
                m_platform.system.endProgram();
                return false;
            }
        }

        if (const Status written =
                writeFileAtomically(settingsFile, choice + std::string(indexfiles::lineEnd));
            !written) {
            m_platform.dialogs.showMessage(
                {QStringLiteral("Der Pfad von WinAmp kann nicht gespeichert werden !\n") +
                     displayText(written.error().description),
                 QStringLiteral("Fehler beim Speichern"), MessageButtons::Ok,
                 MessageIcon::Critical});
            m_platform.system.endProgram();
            return false;
        }
        // Read back what was written, so a choice that cannot be opened is asked for again.
    }
}

} // namespace liedspur
