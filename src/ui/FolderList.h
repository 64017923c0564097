#pragma once

#include "base/Result.h"

#include <QTreeView>

#include <chrono>
#include <string>

namespace liedspur {

class FolderTreeModel;

// The folder tree with one current folder: the folder a run starts from. Its path has no
// trailing "/" except for the root. The folders are opened and listed on threads of their
// own; the window's thread never waits on a file system.
class FolderList : public QTreeView {
    Q_OBJECT

public:
    // What a folder that does not answer in time counts as: a failure, or chosen after a
    // short wait, as a folder picked in the tree.
    enum class Silence { Fails, Chosen };

    explicit FolderList(QWidget* parent = nullptr);

    // How long a chosen folder may take to open, and the tree's folders to list.
    void setPatience(std::chrono::milliseconds choice, std::chrono::milliseconds reading,
                     std::chrono::milliseconds empty);

    const std::string& path() const { return m_path; }
    // Fails with the system's description when the folder cannot be opened, or does not
    // open in time and `silence` says that fails; the current folder then stays. The check
    // is made here, not by the tree's model, which loads later.
    Status setPath(const std::string& path, Silence silence = Silence::Fails);
    // The root, which is always there, without a check.
    void showRoot();

signals:
    void pathChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void moveTo(const std::string& path);
    void showCurrent();
    void userMoved(const QModelIndex& current);

    FolderTreeModel* m_model;
    std::string m_path;
    std::chrono::milliseconds m_choice{3000};
    bool m_showing = false;
    bool m_userMoving = false;
    bool m_keepCentered = false;
};

} // namespace liedspur
