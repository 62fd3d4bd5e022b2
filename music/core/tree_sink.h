// The library tree as the song model sees it: items appended as the last
// child of a parent, deleted with their children, expanded. The library
// view puts its tree control behind it; tests use RecordingTreeSink.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace virelo {

class SongGroup;

// A tree item handle; kNoTreeItem is "none" and, as a parent, the top level.
using TreeItem = std::uintptr_t;
inline constexpr TreeItem kNoTreeItem = 0;

class TreeSink {
 public:
  virtual ~TreeSink() = default;
  // Appends an item as the last child of parent (kNoTreeItem: a top-level
  // item). group is the SongGroup the item stands for, or nullptr.
  virtual TreeItem insertItem(TreeItem parent, const std::string& caption, SongGroup* group) = 0;
  // Deletes the item and everything under it.
  virtual void deleteItem(TreeItem item) = 0;
  virtual void expand(TreeItem item) = 0;
};

// Keeps the items it is given, in order, so that tests can read the tree.
class RecordingTreeSink : public TreeSink {
 public:
  TreeItem insertItem(TreeItem parent, const std::string& caption, SongGroup* group) override;
  void deleteItem(TreeItem item) override;
  void expand(TreeItem item) override;

  bool exists(TreeItem item) const { return nodes_.count(item) != 0; }
  // The children of an item (or the top-level items), in order.
  std::vector<TreeItem> children(TreeItem parent) const;
  std::string caption(TreeItem item) const;
  SongGroup* group(TreeItem item) const;
  bool expanded(TreeItem item) const;
  // The whole tree as text: one line per item, two spaces of indent per
  // level, "+" before the caption of an expanded item.
  std::string outline() const;

 private:
  struct Node {
    TreeItem parent = kNoTreeItem;
    std::string caption;
    SongGroup* group = nullptr;
    bool expanded = false;
    std::vector<TreeItem> children;
  };
  void outlineOf(TreeItem parent, int depth, std::string& out) const;

  std::map<TreeItem, Node> nodes_;
  std::vector<TreeItem> topLevel_;
  TreeItem next_ = 1;
};

}  // namespace virelo
