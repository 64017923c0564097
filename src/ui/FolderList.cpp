#include "ui/FolderList.h"

#include "base/BackgroundCall.h"
#include "base/SystemError.h"
#include "ui/FolderTreeModel.h"
#include "ui/Waiting.h"

#include <QHeaderView>
#include <QScrollBar>

#include <cerrno>
#include <dirent.h>

namespace liedspur {

namespace {

constexpr std::chrono::milliseconds silentChoice{250};

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
    // The listings on the way to a folder set from outside come after it is shown: they
    // would push it out of sight, until the user takes over.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_keepCentered)
            scrollTo(currentIndex(), PositionAtCenter);
    });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { m_keepCentered = false; });
}

void FolderList::mousePressEvent(QMouseEvent* event) {
    m_keepCentered = false;
    QTreeView::mousePressEvent(event);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    m_keepCentered = false;
    QTreeView::keyPressEvent(event);
}

void FolderList::setPatience(std::chrono::milliseconds choice, std::chrono::milliseconds reading,
                             std::chrono::milliseconds empty) {
    m_choice = choice;
    m_model->setPatience(reading, empty);
}

Status FolderList::setPath(const std::string& path, Silence silence) {
    if (path.empty() || path.front() != '/')
        return systemError(ENOENT, path);
    BackgroundCall<int> opening([path] {
        DIR* directory = ::opendir(path.c_str());
        if (!directory)
            return errno;
        ::closedir(directory);
        return 0;
    });
    // A folder picked in the tree was there when it was listed: it is only given the time in
    // which a folder that cannot be opened says so.
    const std::optional<int> opened = waitServingEvents(
        opening, silence == Silence::Fails ? m_choice : std::min(m_choice, silentChoice));
    if (!opened && silence == Silence::Fails)
        return systemError(ETIMEDOUT, path);
    if (opened && *opened != 0)
        return systemError(*opened, path);
    moveTo(path);
    return success();
}

void FolderList::showRoot() {
    moveTo("/");
}

void FolderList::moveTo(const std::string& path) {
    const std::string next = normalized(path);
    const bool changed = next != m_path;
    m_path = next;
    showCurrent();
    if (changed)
        emit pathChanged();
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
    m_keepCentered = !m_userMoving;
    expand(index);
    m_showing = false;
}

void FolderList::userMoved(const QModelIndex& current) {
    if (m_showing || !current.isValid())
        return;
    const std::string chosen = m_model->path(current);
    if (chosen.empty() || normalized(chosen) == m_path)
        return;
    m_userMoving = true;
    if (!setPath(chosen, Silence::Chosen))
        showCurrent();
    m_userMoving = false;
}

} // namespace liedspur
