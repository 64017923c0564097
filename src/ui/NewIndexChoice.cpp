#include "ui/NewIndex.h"

#include "base/DisplayText.h"
#include "ui/FolderList.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>

#include <utility>

namespace liedspur {

namespace {

const char* const networkFileName = "Bitte Nicht Ändern !";
constexpr std::size_t networkFileNameCharacters = 20;

// The bytes of `path` less its last `count` UTF-8 characters, or none when it is shorter.
std::optional<std::string> withoutLastCharacters(const std::string& path, std::size_t count) {
    std::size_t end = path.size();
    std::size_t cut = 0;
    while (cut < count && end > 0) {
        --end;
        if ((static_cast<unsigned char>(path[end]) & 0xC0) != 0x80)
            ++cut;
    }
    if (cut < count)
        return std::nullopt;
    return path.substr(0, end);
}

} // namespace

void NewIndex::fillDrives() {
    // From the mount table: no drive is asked anything until the user chooses it.
    const QSignalBlocker blocker(Drive_Index);
    for (const Drive& drive : m_platform.system.drives()) {
        QString text = displayText(drive.rootPath);
        if (!drive.label.isEmpty())
            text += QStringLiteral("  [") + drive.label + QLatin1Char(']');
        Drive_Index->addItem(text, QByteArray::fromStdString(drive.rootPath));
    }
}

std::string NewIndex::drive() const {
    return Drive_Index->currentData().toByteArray().toStdString();
}

void NewIndex::setDrive(const std::string& rootPath) {
    const int index = Drive_Index->findData(QByteArray::fromStdString(rootPath));
    if (index >= 0)
        Drive_Index->setCurrentIndex(index);
}

bool NewIndex::eventFilter(QObject* watched, QEvent* event) {
    // While a chosen drive is opened or its failure told, events run: a focus that comes
    // meanwhile is no new start of the user's and must not replace the drive to go back to.
    if (watched == Drive_Index && event->type() == QEvent::FocusIn && !m_changingDrive)
        Drive_Index_GotFocus();
    return QDialog::eventFilter(watched, event);
}

void NewIndex::Drive_Index_GotFocus() {
    SavedDrive = drive();
    SavedFolder = Dir_index->path();
}

void NewIndex::Drive_Index_Change() {
    struct Changing {
        bool& flag;
        const bool before = std::exchange(flag, true);
        ~Changing() { flag = before; }
    } changing{m_changingDrive};
    const Status moved = Dir_index->setPath(drive());
    if (moved)
        return;
    showFolderError(moved.error());
    // Setting the drive back runs this handler again for the saved drive.
    setDrive(SavedDrive);
    if (SavedFolder.empty())
        return;
    if (const Status restored = Dir_index->setPath(SavedFolder); !restored)
        showFolderError(restored.error());
}

void NewIndex::Dir_index_Change() {
    lbl_path->setText(displayText(Dir_index->path()));
}

void NewIndex::cmd_net_Click() {
    FileDialogRequest request;
    request.title = QStringLiteral("Ordner im Netzwerk Auswählen");
    request.initialFolder = m_platform.system.networkFolder();
    request.fileName = networkFileName;
    request.acceptNonExisting = true;
    const std::optional<std::string> chosen = m_platform.dialogs.showOpenFile(request);
    if (!chosen)
        return;
    const std::optional<std::string> folder =
        withoutLastCharacters(*chosen, networkFileNameCharacters);
    if (!folder || folder->empty())
        return;
    // A folder the list cannot show changes nothing and is not reported; one on a share
    // that does not answer is taken, and the run meets it.
    Dir_index->setPath(*folder, FolderList::Silence::Chosen).ignoreError();
}

void NewIndex::showFolderError(const Error& error) {
    m_platform.dialogs.showMessage(
        {QStringLiteral("Fehler: > ") + displayText(error.description) + QStringLiteral(" < "),
         QStringLiteral("Fehler !!"), MessageButtons::Ok, MessageIcon::Critical});
}

} // namespace liedspur
