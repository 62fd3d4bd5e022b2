#include "music/core/tree_sink.h"

#include <algorithm>

namespace virelo {

TreeItem RecordingTreeSink::insertItem(TreeItem parent, const std::string& caption, SongGroup* group) {
  std::vector<TreeItem>* siblings = &topLevel_;
  if (parent != kNoTreeItem) {
    auto it = nodes_.find(parent);
    if (it == nodes_.end()) return kNoTreeItem;
    siblings = &it->second.children;
  }
  TreeItem item = next_++;
  siblings->push_back(item);
  nodes_[item] = Node{parent, caption, group, false, {}};
  return item;
}

void RecordingTreeSink::deleteItem(TreeItem item) {
  auto it = nodes_.find(item);
  if (it == nodes_.end()) return;
  std::vector<TreeItem> children = it->second.children;
  for (TreeItem child : children) deleteItem(child);
  it = nodes_.find(item);
  std::vector<TreeItem>& siblings = it->second.parent == kNoTreeItem ? topLevel_ : nodes_[it->second.parent].children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
  nodes_.erase(item);
}

void RecordingTreeSink::expand(TreeItem item) {
  auto it = nodes_.find(item);
  if (it != nodes_.end()) it->second.expanded = true;
}

std::vector<TreeItem> RecordingTreeSink::children(TreeItem parent) const {
  if (parent == kNoTreeItem) return topLevel_;
  auto it = nodes_.find(parent);
  return it == nodes_.end() ? std::vector<TreeItem>{} : it->second.children;
}

std::string RecordingTreeSink::caption(TreeItem item) const {
  auto it = nodes_.find(item);
  return it == nodes_.end() ? std::string{} : it->second.caption;
}

SongGroup* RecordingTreeSink::group(TreeItem item) const {
  auto it = nodes_.find(item);
  return it == nodes_.end() ? nullptr : it->second.group;
}

bool RecordingTreeSink::expanded(TreeItem item) const {
  auto it = nodes_.find(item);
  return it != nodes_.end() && it->second.expanded;
}

std::string RecordingTreeSink::outline() const {
  std::string out;
  outlineOf(kNoTreeItem, 0, out);
  return out;
}

void RecordingTreeSink::outlineOf(TreeItem parent, int depth, std::string& out) const {
  for (TreeItem item : children(parent)) {
    const Node& node = nodes_.at(item);
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    if (node.expanded) out += '+';
    out += node.caption;
    out += '\n';
    outlineOf(item, depth + 1, out);
  }
}

}  // namespace virelo
