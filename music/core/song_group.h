// A named group of song references: one node of the library tree. Groups
// refer to records; the collection owns them (its all-songs and recordings
// groups hold the records it owns).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "music/core/collection_kind.h"
#include "music/core/group_kind.h"
#include "music/core/song_record.h"
#include "music/core/tree_sink.h"

namespace virelo {

// Bytes of a group name as the list file stores them (NUL included).
constexpr std::size_t kGroupNameBytes = 64;

class SongGroup {
 public:
  // A group named by text (cut to 63 bytes); the rest of the name is zero.
  SongGroup(CollectionKind owner, GroupKind kind, std::string_view name);
  // A genre group: the genre number in the first four name bytes.
  static SongGroup forGenre(CollectionKind owner, std::int32_t genre);

  SongGroup(const SongGroup&) = delete;
  SongGroup& operator=(const SongGroup&) = delete;
  SongGroup(SongGroup&&) = default;
  SongGroup& operator=(SongGroup&&) = default;

  CollectionKind ownerKind() const { return owner_; }
  GroupKind kind() const { return kind_; }
  TreeItem treeItem() const { return treeItem_; }
  void setTreeItem(TreeItem item) { treeItem_ = item; }

  // The name as text (a genre group's name is its number, see genre()).
  std::string_view name() const;
  // All 64 name bytes, as the list file stores them.
  const char* nameBytes() const { return name_; }
  std::int32_t genre() const;

  // Appends a record unless it is already a member (then false).
  bool add(SongRecord* record);
  // false when the record is not a member.
  bool remove(const SongRecord* record);
  bool contains(const SongRecord* record) const;
  // Members in member order.
  const std::vector<SongRecord*>& members() const { return members_; }
  std::size_t size() const { return members_.size(); }
  bool empty() const { return members_.empty(); }
  // The 0-based member position, -1 when not a member.
  int indexOf(const SongRecord* record) const;

  // The shuffle order of the playback controller: member indexes ended by
  // -1, built for shuffleCount members; empty when none.
  std::int32_t shuffleCount = 0;
  std::vector<std::int32_t> shuffleOrder;

 private:
  friend class MusicCollection;
  // A new name (cut to 63 bytes, the rest zero); the collection keeps its
  // indexes in step.
  void setName(std::string_view name);
  // Appends a record known not to be a member (a new record).
  void appendNew(SongRecord* record);
  // Removes every member of the set, keeping the order of the rest.
  void removeAll(const std::unordered_set<const SongRecord*>& records);
  void clearMembers();
  void buildMemberSet() const;

  CollectionKind owner_;
  GroupKind kind_;
  TreeItem treeItem_ = kNoTreeItem;
  char name_[kGroupNameBytes] = {};
  std::vector<SongRecord*> members_;
  // Large groups answer membership and position questions from indexes:
  // the member set once it is first needed, positions until a removal.
  mutable std::unordered_set<const SongRecord*> memberSet_;
  mutable bool memberSetBuilt_ = false;
  mutable std::unordered_map<const SongRecord*, int> positions_;
  mutable bool positionsBuilt_ = false;
};

// Groups of one kind in creation order (the order the list file keeps).
using GroupChain = std::vector<std::unique_ptr<SongGroup>>;

}  // namespace virelo
