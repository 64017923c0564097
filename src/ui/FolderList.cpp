#include "ui/FolderList.h"

#include "base/SystemError.h"
#include "ui/FolderTreeModel.h"

#include <QHeaderView>

#include <cerrno>
#include <dirent.h>

namespace liedspur {

namespace {

std::string normalized(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

FolderList::FolderList(QWidget* parent) : QTreeView(parent), m_model(new FolderTreeModel(this)) {
    setModel(m_model);
    header()->hide();
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { userMoved(current); });
}

Status FolderList::setPath(const std::string& path) {
    if (path.empty() || path.front() != '/')
        return systemError(ENOENT, path);
    DIR* directory = ::opendir(path.c_str());
    if (!directory)
        return systemError(errno, path);
    ::closedir(directory);
    const std::string next = normalized(path);
    const bool changed = next != m_path;
    m_path = next;
    showCurrent();
    if (changed)
        emit pathChanged();
    return success();
}

void FolderList::showCurrent() {
    const QModelIndex index = m_model->indexOf(m_path);
    if (!index.isValid())
        return;
    m_showing = true;
    setCurrentIndex(index);
    // A folder set from outside is brought to the middle, with its subfolders in view; one
    // the user clicks stays where it is.
    scrollTo(index, m_userMoving ? EnsureVisible : PositionAtCenter);
    expand(index);
    m_showing = false;
}

void FolderList::userMoved(const QModelIndex& current) {
    if (m_showing || !current.isValid())
        return;
    const std::string chosen = m_model->path(current);
    if (normalized(chosen) == m_path)
        return;
    m_userMoving = true;
    if (!setPath(chosen))
        showCurrent();
    m_userMoving = false;
}

} // namespace liedspur
