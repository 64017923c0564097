#pragma once

#include "base/BackgroundCall.h"
#include "base/LineTable.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QTimer>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace liedspur {

// The file system's folders as a tree under "/", each folder listed when it is first
// opened, in the scan's name order. Listings are read on threads of their own: a folder
// that takes long shows a row "wird gelesen …", one that does not answer in time shows as
// empty, and each fills in when its listing comes. Names stay the bytes the file system
// gives and are shown with replacement characters where they are not UTF-8, so every
// folder can be chosen. Hidden folders are left out unless a path asks for one.
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // How long a listing may take before its folder shows as being read, and as empty.
    void setPatience(std::chrono::milliseconds reading, std::chrono::milliseconds empty);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // "/" for the root, otherwise the path without a trailing "/"; empty for a row that
    // stands for a listing still being read.
    std::string path(const QModelIndex& index) const;
    // The folder at `path` (absolute, without a trailing "/"), which the caller knows to be
    // there: the folders on the way are added as they are named, before their listings come.
    QModelIndex indexOf(const std::string& path);

private:
    struct Node;
    struct Listing {
        Node* node;
        BackgroundCall<LineTable> call;
        std::chrono::steady_clock::time_point since;
    };

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    void list(Node* node);
    void lookAtListings();
    void fill(Node* node, const LineTable& names);
    void showReading(Node* node, bool reading);
    // Inserts new children of `node` at `row` with one notice to the views.
    void insert(Node* node, int row, std::vector<std::unique_ptr<Node>> folders);
    // The child of `node` named `name`, added when the node does not show it (yet).
    Node* child(Node* node, const std::string& name);

    std::unique_ptr<Node> m_top; // not shown; its one child is "/"
    QIcon m_folderIcon;
    std::vector<Listing> m_listings;
    QTimer m_listingsTimer;
    std::chrono::milliseconds m_reading{1000};
    std::chrono::milliseconds m_empty{10000};
};

} // namespace liedspur
