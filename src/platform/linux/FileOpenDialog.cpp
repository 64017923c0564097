#include "platform/linux/FileOpenDialog.h"

#include "base/BackgroundCall.h"
#include "base/DisplayText.h"
#include "base/NameOrder.h"
#include "base/SystemError.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace liedspur {

namespace {

constexpr int bytesRole = Qt::UserRole;
constexpr int isFolderRole = Qt::UserRole + 1;

// How long the dialog waits for a folder on a share that may have stopped answering.
constexpr std::chrono::milliseconds patience{3000};

// Keeps the dialog painted while it waits; the user's input waits with it.
void serveEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

// The kind of what is at `path`: 0 missing, 1 a folder, 2 something else; none when the
// file system does not answer.
std::optional<int> kindOf(const std::string& path) {
    BackgroundCall<int> call([path] {
        struct stat info {};
        return ::stat(path.c_str(), &info) != 0 ? 0 : S_ISDIR(info.st_mode) ? 1 : 2;
    });
    return call.waitServing(patience, serveEvents);
}

struct FolderEntries {
    int error = 0;
    LineTable folders;
    LineTable files;
};

// Only a link, or an entry whose kind the listing does not tell, is looked at on its own.
FolderEntries entriesOf(const std::string& path, const QString& filterFileName) {
    FolderEntries entries;
    DIR* directory = ::opendir(path.c_str());
    if (!directory) {
        entries.error = errno;
        return entries;
    }
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat info {};
        const bool unknown = entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
        if (unknown && ::fstatat(::dirfd(directory), entry->d_name, &info, 0) != 0)
            continue;
        const bool regular = unknown ? S_ISREG(info.st_mode) : entry->d_type == DT_REG;
        if (unknown ? S_ISDIR(info.st_mode) : entry->d_type == DT_DIR)
            entries.folders.append(entry->d_name);
        else if (regular &&
                 (filterFileName.isEmpty() ||
                  displayText(entry->d_name).compare(filterFileName, Qt::CaseInsensitive) == 0))
            entries.files.append(entry->d_name);
    }
    ::closedir(directory);
    return entries;
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

FileOpenDialog::FileOpenDialog(const FileDialogRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setWindowTitle(request.title);
    m_location = new QLineEdit(this);
    m_location->setReadOnly(true);
    auto* up = new QToolButton(this);
    up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up->setToolTip(QStringLiteral("Übergeordneter Ordner"));
    m_entries = new QListWidget(this);
    m_fileName = new QLineEdit(this);
    auto* open = new QPushButton(QStringLiteral("Ö&ffnen"), this);
    open->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    auto* type = new QComboBox(this);
    type->addItem(request.filterLabel.isEmpty() ? QStringLiteral("Alle Dateien (*)")
                                                : request.filterLabel);

    auto* grid = new QGridLayout(this);
    auto* lookIn = new QLabel(QStringLiteral("Suchen &in:"), this);
    lookIn->setBuddy(m_entries);
    grid->addWidget(lookIn, 0, 0);
    grid->addWidget(m_location, 0, 1);
    grid->addWidget(up, 0, 2);
    grid->addWidget(m_entries, 1, 0, 1, 3);
    auto* nameLabel = new QLabel(QStringLiteral("Datei&name:"), this);
    nameLabel->setBuddy(m_fileName);
    grid->addWidget(nameLabel, 2, 0);
    grid->addWidget(m_fileName, 2, 1);
    grid->addWidget(open, 2, 2);
    auto* typeLabel = new QLabel(QStringLiteral("Datei&typ:"), this);
    typeLabel->setBuddy(type);
    grid->addWidget(typeLabel, 3, 0);
    grid->addWidget(type, 3, 1);
    grid->addWidget(cancel, 3, 2);
    resize(560, 380);

    connect(up, &QToolButton::clicked, this, [this] {
        std::string parentFolder = m_folder.substr(0, m_folder.size() - 1);
        // A parent that cannot be listed leaves the dialog where it is.
        showFolder(parentFolder.substr(0, parentFolder.rfind('/') + 1)).ignoreError();
    });
    connect(m_entries, &QListWidget::itemDoubleClicked, this, &FileOpenDialog::openEntry);
    // A file the user moves to becomes the file name; the first current entry, which the
    // list picks itself on getting the focus, does not.
    connect(m_entries, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item, QListWidgetItem* previous) {
                if (!item || !previous || item->data(isFolderRole).toBool())
                    return;
                m_pickedBytes = item->data(bytesRole).toByteArray().toStdString();
                m_pickedText = item->text();
                m_fileName->setText(m_pickedText);
            });
    connect(open, &QPushButton::clicked, this, &FileOpenDialog::openNamed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // A full path as the file name opens its folder, as the common dialog does.
    std::string name = request.fileName;
    std::string folder = request.initialFolder;
    if (const auto slash = name.rfind('/'); slash != std::string::npos && name.front() == '/') {
        folder = name.substr(0, slash + 1);
        name = name.substr(slash + 1);
    }
    // The root can be listed wherever a dialog can open at all.
    if (!showFolder(folder) && !showFolder(request.initialFolder))
        showFolder("/").ignoreError();
    m_pickedBytes = name;
    m_pickedText = displayText(name);
    m_fileName->setText(m_pickedText);
    m_fileName->setFocus();
}

Status FileOpenDialog::showFolder(const std::string& folder) {
    const std::string path = withSlash(folder);
    if (path.front() != '/')
        return systemError(ENOENT, path);
    BackgroundCall<FolderEntries> listing(
        [path, filter = m_request.filterFileName] { return entriesOf(path, filter); });
    const std::optional<FolderEntries> entries = listing.waitServing(patience, serveEvents);
    if (!entries)
        return systemError(ETIMEDOUT, path);
    if (entries->error != 0)
        return systemError(entries->error, path);
    const LineTable& folders = entries->folders;
    const LineTable& files = entries->files;

    m_folder = path;
    m_location->setText(displayText(path));
    m_entries->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const auto& [names, isFolderList] : {std::pair{&folders, true}, {&files, false}}) {
        for (const std::size_t line : nameOrder(*names)) {
            const std::string_view name = names->line(line);
            auto* item = new QListWidgetItem(isFolderList ? folderIcon : fileIcon,
                                             displayText(name), m_entries);
            item->setData(bytesRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
            item->setData(isFolderRole, isFolderList);
        }
    }
    return success();
}

void FileOpenDialog::openEntry(QListWidgetItem* item) {
    if (!item)
        return;
    const std::string name = item->data(bytesRole).toByteArray().toStdString();
    if (item->data(isFolderRole).toBool()) {
        // A folder that cannot be listed, gone or without permission, is not entered.
        showFolder(m_folder + name).ignoreError();
        return;
    }
    m_pickedBytes = name;
    m_pickedText = item->text();
    m_fileName->setText(m_pickedText);
    openNamed();
}

std::string FileOpenDialog::nameBytes() const {
    const QString text = m_fileName->text();
    if (text == m_pickedText)
        return m_pickedBytes;
    return text.toStdString();
}

void FileOpenDialog::openNamed() {
    const std::string name = nameBytes();
    if (name.empty())
        return;
    const std::string path = name.front() == '/' ? name : m_folder + name;
    // A name on a share that does not answer counts as one that is not there.
    const int kind = kindOf(path).value_or(0);
    if (kind == 1) {
        if (showFolder(path))
            m_fileName->clear();
        return;
    }
    if (!m_request.acceptNonExisting && kind == 0)
        return;
    m_chosen = path;
    accept();
}

void FileOpenDialog::keyPressEvent(QKeyEvent* event) {
    // Enter on an entry of the list opens that entry, not the file name below.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_entries->hasFocus() && m_entries->currentItem()) {
        openEntry(m_entries->currentItem());
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace liedspur
