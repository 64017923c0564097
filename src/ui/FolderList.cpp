#include "FolderList.h"

#include "index/SystemError.h"

#include <QFile>
#include <QFileSystemModel>
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

FolderList::FolderList(QWidget* parent) : QTreeView(parent), m_model(new QFileSystemModel(this)) {
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    m_model->setRootPath(QString());
    setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The model fills in folders later; the current one is brought into view once it can be.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        const std::string folder = QFile::encodeName(loaded).toStdString();
        if (m_path.compare(0, folder.size(), folder) == 0)
            showCurrent();
    });
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
    const QModelIndex index = m_model->index(QFile::decodeName(m_path.c_str()));
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
    const std::string chosen = QFile::encodeName(m_model->filePath(current)).toStdString();
    if (normalized(chosen) == m_path)
        return;
    m_userMoving = true;
    if (!setPath(chosen))
        showCurrent();
    m_userMoving = false;
}

} // namespace liedspur
