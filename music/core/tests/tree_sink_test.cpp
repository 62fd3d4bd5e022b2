#include "music/core/tree_sink.h"

#include <gtest/gtest.h>

namespace virelo {
namespace {

TEST(RecordingTreeSink, AppendsInOrderAndDeletesWholeBranches) {
  RecordingTreeSink tree;
  TreeItem root = tree.insertItem(kNoTreeItem, "PC", nullptr);
  TreeItem all = tree.insertItem(root, "All", nullptr);
  TreeItem lists = tree.insertItem(root, "Lists", nullptr);
  TreeItem title = tree.insertItem(all, "Title", nullptr);
  tree.insertItem(title, "a", nullptr);
  tree.insertItem(title, "b", nullptr);
  tree.expand(root);
  EXPECT_EQ(tree.outline(), "+PC\n  All\n    Title\n      a\n      b\n  Lists\n");

  tree.deleteItem(all);
  EXPECT_FALSE(tree.exists(title));
  EXPECT_EQ(tree.outline(), "+PC\n  Lists\n");
  EXPECT_EQ(tree.children(root), std::vector<TreeItem>{lists});
  // A parent that is gone takes no children.
  EXPECT_EQ(tree.insertItem(all, "x", nullptr), kNoTreeItem);
}

}  // namespace
}  // namespace virelo
