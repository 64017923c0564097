#pragma once

#include "base/Result.h"

#include <QTreeView>

#include <string>

namespace liedspur {

class FolderTreeModel;

// The folder tree with one current folder: the folder a run starts from. Its path has no
// trailing "/" except for the root.
class FolderList : public QTreeView {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    const std::string& path() const { return m_path; }
    // Fails with the system's description when the folder cannot be listed; the current
    // folder then stays. The check is made here, not by the tree's model, which loads later.
    Status setPath(const std::string& path);

signals:
    void pathChanged();

private:
    void showCurrent();
    void userMoved(const QModelIndex& current);

    FolderTreeModel* m_model;
    std::string m_path;
    bool m_showing = false;
    bool m_userMoving = false;
};

} // namespace liedspur
