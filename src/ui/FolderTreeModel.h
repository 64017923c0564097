#pragma once

#include <QAbstractItemModel>
#include <QIcon>

#include <memory>
#include <string>
#include <vector>

namespace liedspur {

// The file system's folders as a tree under "/", each folder listed when it is first
// opened, in the scan's name order. Names stay the bytes the file system gives and are
// shown with replacement characters where they are not UTF-8, so every folder can be
// chosen. Hidden folders are left out unless a path asks for one.
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // "/" for the root, otherwise the path without a trailing "/".
    std::string path(const QModelIndex& index) const;
    // The folder at `path` (absolute, without a trailing "/"), listing the folders on the
    // way; invalid when there is none.
    QModelIndex indexOf(const std::string& path);

private:
    struct Node;

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    void list(Node* node);
    // The child of `node` named `name`, added when it is a folder the listing left out.
    Node* child(Node* node, const std::string& name);

    std::unique_ptr<Node> m_top; // not shown; its one child is "/"
    QIcon m_folderIcon;
};

} // namespace liedspur
