#include "ui/FolderTreeModel.h"

#include "base/DisplayText.h"
#include "base/NameOrder.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace liedspur {

struct FolderTreeModel::Node {
    std::string name;
    Node* parent = nullptr;
    int row = 0;
    bool listed = false;
    std::vector<std::unique_ptr<Node>> children;

    void renumber() {
        for (std::size_t i = 0; i < children.size(); ++i)
            children[i]->row = static_cast<int>(i);
    }
};

namespace {

// The names of the folders in `path` and of links to folders, hidden ones left out.
LineTable subfoldersOf(const std::string& path) {
    LineTable names;
    DIR* directory = ::opendir(path.c_str());
    if (!directory)
        return names;
    const int directoryFd = ::dirfd(directory);
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat info {};
        const bool isFolder =
            entry->d_type == DT_DIR ||
            ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
             ::fstatat(directoryFd, entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode));
        if (isFolder)
            names.append(entry->d_name);
    }
    ::closedir(directory);
    return names;
}

std::string childPath(const std::string& parent, const std::string& name) {
    return parent == "/" ? "/" + name : parent + "/" + name;
}

} // namespace

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_top(std::make_unique<Node>()),
      m_folderIcon(QApplication::style()->standardIcon(QStyle::SP_DirIcon)) {
    auto root = std::make_unique<Node>();
    root->name = '/';
    root->parent = m_top.get();
    m_top->children.push_back(std::move(root));
    m_top->listed = true;
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_top.get();
}

QModelIndex FolderTreeModel::indexOf(const Node* node) const {
    if (node == m_top.get())
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return indexOf(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return displayText(nodeOf(index)->name);
    if (role == Qt::DecorationRole)
        return m_folderIcon;
    return {};
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    // Until a folder is opened it may hold subfolders; looking would cost a listing each.
    return !node->listed || !node->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    return !nodeOf(parent)->listed;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    list(nodeOf(parent));
}

std::string FolderTreeModel::path(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    if (node == m_top.get())
        return {};
    std::vector<const Node*> chain;
    for (; node->parent != m_top.get(); node = node->parent)
        chain.push_back(node);
    std::string result = "/";
    for (auto at = chain.rbegin(); at != chain.rend(); ++at)
        result = childPath(result, (*at)->name);
    return result;
}

void FolderTreeModel::list(Node* node) {
    if (node->listed)
        return;
    node->listed = true;
    const LineTable names = subfoldersOf(path(indexOf(node)));
    if (names.empty()) {
        // The view drew an opener for a folder that may have held subfolders.
        const QModelIndex index = indexOf(node);
        emit dataChanged(index, index);
        return;
    }
    beginInsertRows(indexOf(node), 0, static_cast<int>(names.size()) - 1);
    for (const std::size_t line : nameOrder(names)) {
        auto folder = std::make_unique<Node>();
        folder->name = names.line(line);
        folder->parent = node;
        node->children.push_back(std::move(folder));
    }
    node->renumber();
    endInsertRows();
}

FolderTreeModel::Node* FolderTreeModel::child(Node* node, const std::string& name) {
    list(node);
    for (const auto& folder : node->children)
        if (folder->name == name)
            return folder.get();
    struct stat info {};
    const std::string folderPath = childPath(path(indexOf(node)), name);
    if (::stat(folderPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return nullptr;
    // A hidden folder, or one made since the listing: put in its place in name order.
    LineTable names;
    for (const auto& folder : node->children)
        names.append(folder->name);
    names.append(name);
    const std::vector<std::size_t> order = nameOrder(names);
    const int row =
        static_cast<int>(std::find(order.begin(), order.end(), names.size()) - order.begin());
    beginInsertRows(indexOf(node), row, row);
    auto folder = std::make_unique<Node>();
    folder->name = name;
    folder->parent = node;
    Node* added = folder.get();
    node->children.insert(node->children.begin() + row, std::move(folder));
    node->renumber();
    endInsertRows();
    return added;
}

QModelIndex FolderTreeModel::indexOf(const std::string& path) {
    if (path.empty() || path.front() != '/')
        return {};
    Node* node = m_top->children.front().get();
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start) {
            node = child(node, path.substr(start, end - start));
            if (!node)
                return {};
        }
        start = end + 1;
    }
    return indexOf(node);
}

} // namespace liedspur
