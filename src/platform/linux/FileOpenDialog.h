#pragma once

#include "base/Result.h"
#include "platform/Dialogs.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace liedspur {

// The file-open dialog: one folder's subfolders and files in the scan's name order, a file
// name and a filter. Folder and file names are kept as the bytes the file system gives, and
// shown with replacement characters where they are not UTF-8, so that every folder can be
// entered and every file chosen. Folders are listed on a thread of their own: one on a share
// that does not answer within a few seconds counts as one that cannot be listed.
class FileOpenDialog : public QDialog {
    Q_OBJECT

public:
    FileOpenDialog(const FileDialogRequest& request, QWidget* parent = nullptr);

    // The folder shown: absolute, ending in "/".
    const std::string& folder() const { return m_folder; }
    // Shows `folder` when it can be listed; the folder shown stays otherwise.
    Status showFolder(const std::string& folder);
    // Opens an entry of the list: a folder is shown, a file is chosen.
    void openEntry(QListWidgetItem* item);
    // What "Öffnen" does: the named file is chosen, or the named folder shown.
    void openNamed();

    // The full path chosen, once the dialog was accepted.
    const std::string& chosen() const { return m_chosen; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The bytes of the name in the file name field: those of the entry it came from, if it
    // still reads the same.
    std::string nameBytes() const;

    FileDialogRequest m_request;
    std::string m_folder;
    std::string m_chosen;
    std::string m_pickedBytes;
    QString m_pickedText;
    QLineEdit* m_location;
    QListWidget* m_entries;
    QLineEdit* m_fileName;
};

} // namespace liedspur
