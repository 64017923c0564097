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
    enum class State { Unlisted, Listing, Listed };

    std::string name;
    Node* parent = nullptr;
    int row = 0;
    State state = State::Unlisted;
    // The row that stands for a listing being read, as the last child of its folder.
    bool placeholder = false;
    // Its listing did not come in time: shown as empty until it comes.
    bool silent = false;
    std::vector<std::unique_ptr<Node>> children;

    static std::unique_ptr<Node> make(std::string name, Node* parent) {
        auto node = std::make_unique<Node>();
        node->name = std::move(name);
        node->parent = parent;
        return node;
    }
    void renumber() {
        for (std::size_t i = 0; i < children.size(); ++i)
            children[i]->row = static_cast<int>(i);
    }
    bool showsReading() const { return !children.empty() && children.back()->placeholder; }
    // The children that are folders, without the placeholder.
    std::size_t folderCount() const { return children.size() - showsReading(); }
};

namespace {

using Clock = std::chrono::steady_clock;

// The names of the folders in `path` and of links to folders, hidden ones left out. Only a
// link, or an entry whose kind the listing does not tell, is looked at on its own.
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
    m_top->children.push_back(Node::make("/", m_top.get()));
    m_top->state = Node::State::Listed;
    m_listingsTimer.setInterval(20);
    connect(&m_listingsTimer, &QTimer::timeout, this, &FolderTreeModel::lookAtListings);
}

// Listings still being read are left to their threads.
FolderTreeModel::~FolderTreeModel() = default;

void FolderTreeModel::setPatience(std::chrono::milliseconds reading,
                                  std::chrono::milliseconds empty) {
    m_reading = reading;
    m_empty = empty;
}

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
    const Node* node = nodeOf(index);
    if (role == Qt::DisplayRole)
        return node->placeholder ? QStringLiteral("wird gelesen …") : displayText(node->name);
    if (role == Qt::DecorationRole && !node->placeholder)
        return m_folderIcon;
    return {};
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    if (index.isValid() && nodeOf(index)->placeholder)
        return Qt::ItemNeverHasChildren;
    return QAbstractItemModel::flags(index);
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    if (node->placeholder)
        return false;
    // Until a folder is opened it may hold subfolders; looking would cost a listing each.
    if (node->state == Node::State::Unlisted)
        return true;
    return !node->children.empty() || (node->state == Node::State::Listing && !node->silent);
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    return node->state == Node::State::Unlisted && !node->placeholder;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    list(nodeOf(parent));
}

std::string FolderTreeModel::path(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    if (node == m_top.get() || node->placeholder)
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
    if (node->state != Node::State::Unlisted || node->placeholder)
        return;
    node->state = Node::State::Listing;
    std::string folder = path(indexOf(node));
    m_listings.push_back(
        {node, BackgroundCall<LineTable>([folder] { return subfoldersOf(folder); }), Clock::now()});
    m_listingsTimer.start();
}

void FolderTreeModel::lookAtListings() {
    const auto now = Clock::now();
    // What comes is filled in after the look: the views may ask for listings meanwhile.
    std::vector<std::pair<Node*, LineTable>> answered;
    std::vector<Node*> late, slow;
    for (auto listing = m_listings.begin(); listing != m_listings.end();) {
        Node* node = listing->node;
        if (listing->call.ready()) {
            answered.emplace_back(node, std::move(*listing->call.take()));
            listing = m_listings.erase(listing);
            continue;
        }
        if (now - listing->since >= m_empty && !node->silent)
            late.push_back(node);
        else if (now - listing->since >= m_reading && !node->silent && node->children.empty())
            slow.push_back(node);
        ++listing;
    }
    if (m_listings.empty())
        m_listingsTimer.stop();
    for (Node* node : slow)
        showReading(node, true);
    for (Node* node : late) {
        node->silent = true;
        showReading(node, false);
        const QModelIndex index = indexOf(node);
        emit dataChanged(index, index); // its opener goes
    }
    for (const auto& [node, names] : answered)
        fill(node, names);
}

void FolderTreeModel::showReading(Node* node, bool reading) {
    if (node->showsReading() == reading)
        return;
    const QModelIndex index = indexOf(node);
    const int row = static_cast<int>(node->children.size()) - !reading;
    if (reading) {
        beginInsertRows(index, row, row);
        node->children.push_back(Node::make({}, node));
        node->children.back()->placeholder = true;
        node->renumber();
        endInsertRows();
    } else {
        beginRemoveRows(index, row, row);
        node->children.pop_back();
        endRemoveRows();
    }
}

void FolderTreeModel::insert(Node* node, int row, std::vector<std::unique_ptr<Node>> folders) {
    if (folders.empty())
        return;
    beginInsertRows(indexOf(node), row, row + static_cast<int>(folders.size()) - 1);
    node->children.insert(node->children.begin() + row, std::make_move_iterator(folders.begin()),
                          std::make_move_iterator(folders.end()));
    node->renumber();
    endInsertRows();
}

void FolderTreeModel::fill(Node* node, const LineTable& names) {
    node->state = Node::State::Listed;
    node->silent = false;
    showReading(node, false);
    // Folders a path named before the listing came stay; the others join them in name order.
    LineTable all;
    const std::size_t known = node->children.size();
    for (const auto& folder : node->children)
        all.append(folder->name);
    for (std::size_t line = 1; line <= names.size(); ++line) {
        const std::string_view name = names.line(line);
        if (std::none_of(node->children.begin(), node->children.end(),
                         [&](const auto& folder) { return folder->name == name; }))
            all.append(name);
    }
    if (all.size() == known) {
        // The view drew an opener for a folder that may have held subfolders.
        const QModelIndex index = indexOf(node);
        emit dataChanged(index, index);
        return;
    }
    int row = 0;
    std::vector<std::unique_ptr<Node>> run;
    for (const std::size_t line : nameOrder(all)) {
        if (line > known) {
            run.push_back(Node::make(std::string(all.line(line)), node));
            continue;
        }
        const int size = static_cast<int>(run.size());
        insert(node, row, std::move(run));
        run.clear();
        row += size + 1;
    }
    insert(node, row, std::move(run));
}

FolderTreeModel::Node* FolderTreeModel::child(Node* node, const std::string& name) {
    for (const auto& folder : node->children)
        if (!folder->placeholder && folder->name == name)
            return folder.get();
    // Named before the listing came, or a hidden folder, or one made since the listing:
    // put in its place in name order.
    list(node);
    LineTable names;
    for (std::size_t i = 0; i < node->folderCount(); ++i)
        names.append(node->children[i]->name);
    names.append(name);
    const std::vector<std::size_t> order = nameOrder(names);
    const int row =
        static_cast<int>(std::find(order.begin(), order.end(), names.size()) - order.begin());
    std::vector<std::unique_ptr<Node>> added;
    added.push_back(Node::make(name, node));
    Node* folder = added.back().get();
    insert(node, row, std::move(added));
    return folder;
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
        if (end > start)
            node = child(node, path.substr(start, end - start));
        start = end + 1;
    }
    return indexOf(node);
}

} // namespace liedspur
