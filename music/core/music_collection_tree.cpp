// The collection's branch of the library tree.
#include "music/core/genre_names.h"
#include "music/core/library_services.h"
#include "music/core/music_collection.h"

namespace virelo {
namespace {

constexpr int kAllSongsText = 61209;
constexpr int kRecordingsText = 61214;
constexpr int kListsText = 61205;
constexpr int kTitleText = 61210;
constexpr int kArtistText = 61211;
constexpr int kAlbumText = 61213;
constexpr int kGenreText = 61212;

}  // namespace

TreeItem MusicCollection::insertTreeItem(TreeItem parent, const std::string& caption, SongGroup* group) {
  return tree_ ? tree_->insertItem(parent, caption, group) : kNoTreeItem;
}

void MusicCollection::deleteTreeItem(TreeItem item) {
  if (tree_ && item != kNoTreeItem) tree_->deleteItem(item);
}

void MusicCollection::buildTreeBranch(const std::string& rootCaption) {
  if (!tree_) return;
  auto text = [this](int number) {
    const char* t = services_.text(number);
    return std::string(t ? t : "");
  };
  if (kind_ == CollectionKind::AudioCd) {
    rootItem_ = insertTreeItem(kNoTreeItem, rootCaption, &allSongs_);
    allSongs_.setTreeItem(rootItem_);
    return;
  }
  rootItem_ = insertTreeItem(kNoTreeItem, rootCaption, nullptr);
  if (rootItem_ == kNoTreeItem) return;
  allSongs_.setTreeItem(insertTreeItem(rootItem_, text(kAllSongsText), &allSongs_));
  if (kind_ == CollectionKind::DiskPlayer)
    recordings_.setTreeItem(insertTreeItem(rootItem_, text(kRecordingsText), &recordings_));
  if (kind_ == CollectionKind::PcLibrary || kind_ == CollectionKind::DiskPlayer)
    listsItem_ = insertTreeItem(rootItem_, text(kListsText), nullptr);
  TreeItem all = allSongs_.treeItem();
  if (all == kNoTreeItem) return;
  const int branchTexts[4] = {kTitleText, kArtistText, kAlbumText, kGenreText};
  for (int i = 0; i < 4; ++i) branchItems_[i] = insertTreeItem(all, text(branchTexts[i]), nullptr);
}

TreeItem MusicCollection::branchItem(GroupKind kind) const {
  switch (kind) {
    case GroupKind::UserList: return listsItem_;
    case GroupKind::Title: return branchItems_[0];
    case GroupKind::Artist: return branchItems_[1];
    case GroupKind::Album: return branchItems_[2];
    case GroupKind::Genre: return branchItems_[3];
    default: return kNoTreeItem;
  }
}

std::string MusicCollection::captionOf(const SongGroup& group) const {
  std::string caption;
  if (group.kind() == GroupKind::Genre) {
    const char* name = GenreName(group.genre());
    caption = name ? name : "";
  } else {
    caption = std::string(group.name());
  }
  return caption.empty() ? "NULL" : caption;
}

void MusicCollection::showGroup(SongGroup& group) {
  TreeItem parent = branchItem(group.kind());
  if (parent != kNoTreeItem) group.setTreeItem(insertTreeItem(parent, captionOf(group), &group));
}

}  // namespace virelo
