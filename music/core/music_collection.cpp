#include "music/core/music_collection.h"

#include <algorithm>
#include <cstring>

#include "music/core/library_services.h"
#include "music/core/music_collection_text.h"
#include "platform/win/codepage.h"

namespace virelo {
namespace {

constexpr GroupKind kAutomaticKinds[4] = {GroupKind::Title, GroupKind::Artist, GroupKind::Album, GroupKind::Genre};

const GroupChain& emptyChain() {
  static const GroupChain chain;
  return chain;
}

std::string_view tagOf(const SongRecord& record, GroupKind kind) {
  switch (kind) {
    case GroupKind::Title: return tagText(record.title);
    case GroupKind::Artist: return tagText(record.artist);
    default: return tagText(record.album);
  }
}

}  // namespace

MusicCollection::MusicCollection(LibraryServices& services)
    : services_(services),
      codePage_(win::GetACP()),
      allSongs_(CollectionKind::PcLibrary, GroupKind::AllSongs, {}),
      recordings_(CollectionKind::PcLibrary, GroupKind::Recordings, {}) {}

MusicCollection::~MusicCollection() = default;

int MusicCollection::chainIndex(GroupKind kind) const {
  int k = static_cast<int>(kind);
  return k >= 1 && k <= 5 ? k - 1 : -1;
}

const GroupChain& MusicCollection::chain(GroupKind kind) const {
  int i = chainIndex(kind);
  return i < 0 ? emptyChain() : chains_[i];
}

GroupChain& MusicCollection::chainOf(GroupKind kind) { return chains_[chainIndex(kind)]; }

// Songs ---------------------------------------------------------------------

SongRecord* MusicCollection::addSong(const SongRecord& record, SongGroup* targetList, bool copy) {
  if (hasListFile() && songCount() >= kMaxListFileSongs) return nullptr;
  auto owned = std::make_unique<SongRecord>(record);
  terminateTexts(*owned);
  if (isPlayer() && copy && !copyToPlayer(*owned)) return nullptr;
  SongRecord* song = owned.get();
  SongEntry& entry = songs_[song];
  entry.record = std::move(owned);
  allSongs_.appendNew(song);
  useNumber(song->fileNumber, +1);
  if (targetList) targetList->add(song);
  joinAutomaticGroups(entry);
  return song;
}

bool MusicCollection::removeSong(const SongRecord* record) {
  auto it = songs_.find(record);
  if (it == songs_.end() || !allSongs_.remove(record)) return false;
  if (isPlayer()) deleteSongFiles(*record);
  for (const auto& list : chainOf(GroupKind::UserList)) list->remove(record);
  leaveAutomaticGroups(it->second);
  useNumber(record->fileNumber, -1);
  songs_.erase(it);
  return true;
}

void MusicCollection::removeSongs(const std::unordered_set<const SongRecord*>& gone) {
  allSongs_.removeAll(gone);
  for (const auto& list : chainOf(GroupKind::UserList)) list->removeAll(gone);
  std::unordered_set<SongGroup*> touched;
  for (const SongRecord* song : gone) {
    auto it = songs_.find(song);
    if (it == songs_.end()) continue;
    for (SongGroup* group : it->second.groups)
      if (group) touched.insert(group);
  }
  std::unordered_set<const SongGroup*> emptied;
  for (SongGroup* group : touched) {
    group->removeAll(gone);
    if (group->empty()) emptied.insert(group);
  }
  for (GroupKind kind : kAutomaticKinds) {
    GroupChain& groups = chainOf(kind);
    for (const auto& group : groups) {
      if (!emptied.count(group.get())) continue;
      deleteTreeItem(group->treeItem());
      if (kind == GroupKind::Genre) {
        groupsByGenre_.erase(group->genre());
      } else {
        groupsByName_[chainIndex(kind) - 1].erase(foldedName(group->name(), codePage_));
      }
    }
    std::erase_if(groups, [&emptied](const auto& group) { return emptied.count(group.get()) != 0; });
  }
  for (const SongRecord* song : gone) {
    useNumber(song->fileNumber, -1);
    songs_.erase(song);
  }
}

bool MusicCollection::updateSong(SongRecord* record, const SongRecord& contents) {
  SongRecord updated = contents;
  terminateTexts(updated);
  if (recordingOwners_.count(record)) {
    *record = updated;
    return true;
  }
  auto it = songs_.find(record);
  if (it == songs_.end()) return false;
  SongEntry& entry = it->second;
  useNumber(record->fileNumber, -1);
  // Leave first, so that a group the song empties disappears before the
  // group it moves to is made.
  bool moves[4] = {};
  for (int i = 0; i < 4; ++i) {
    SongGroup* target = automaticGroup(kAutomaticKinds[i], updated, false);
    if (entry.groups[i] == target) continue;
    moves[i] = true;
    SongGroup* old = entry.groups[i];
    entry.groups[i] = nullptr;
    if (old && old->remove(record) && old->empty()) deleteGroup(old);
  }
  *record = updated;
  useNumber(record->fileNumber, +1);
  for (int i = 0; i < 4; ++i) {
    if (!moves[i]) continue;
    SongGroup* group = automaticGroup(kAutomaticKinds[i], *record, true);
    group->appendNew(record);
    entry.groups[i] = group;
  }
  return true;
}

SongRecord* MusicCollection::findDuplicate(const SongRecord& record, bool compareFullPath) const {
  std::string name = compareFullPath ? pathOf(record) : fileNamePartOf(record);
  for (SongRecord* song : allSongs_.members()) {
    if (song->durationMs != record.durationMs) continue;
    if (win::AnsiEqualNoCase(compareFullPath ? pathOf(*song) : fileNamePartOf(*song), name, codePage_)) return song;
  }
  return nullptr;
}

SongRecord* MusicCollection::songAt(int index) const {
  if (index < 0 || index >= songCount()) return nullptr;
  return allSongs_.members()[static_cast<std::size_t>(index)];
}

int MusicCollection::indexOf(const SongRecord* record) const { return allSongs_.indexOf(record); }

GroupStatistics MusicCollection::statistics(const SongGroup& group) {
  GroupStatistics s;
  for (const SongRecord* song : group.members()) {
    ++s.count;
    s.durationMs += song->durationMs;
    s.bytes += song->fileSize;
  }
  return s;
}

GroupStatistics MusicCollection::statistics(const GroupChain& chain) {
  GroupStatistics total;
  for (const auto& group : chain) {
    GroupStatistics s = statistics(*group);
    total.count += s.count;
    total.durationMs += s.durationMs;
    total.bytes += s.bytes;
  }
  return total;
}

bool MusicCollection::removeAllSongs() {
  if (!isPlayer()) return false;
  deleteAllLists();
  dropAutomaticGroups();
  for (const SongRecord* song : allSongs_.members()) deleteSongFiles(*song);
  freeSongs();
  return true;
}

void MusicCollection::freeSongs() {
  allSongs_.clearMembers();
  songs_.clear();
  std::fill(numberUse_.begin(), numberUse_.end(), 0);
  lowestFreeNumber_ = 1;
}

// Recordings and CD tracks ----------------------------------------------------

SongRecord* MusicCollection::addRecording(const SongRecord& record) {
  auto owned = std::make_unique<SongRecord>(record);
  terminateTexts(*owned);
  SongRecord* song = owned.get();
  recordingOwners_.emplace(song, std::move(owned));
  recordings_.appendNew(song);
  return song;
}

bool MusicCollection::removeRecording(const SongRecord* record) {
  auto it = recordingOwners_.find(record);
  if (it == recordingOwners_.end() || !recordings_.remove(record)) return false;
  deleteFileAndLyrics(pathOf(*record));
  recordingOwners_.erase(it);
  return true;
}

void MusicCollection::removeAllRecordings() {
  for (const SongRecord* song : recordings_.members()) deleteFileAndLyrics(pathOf(*song));
  recordings_.clearMembers();
  recordingOwners_.clear();
}

SongRecord* MusicCollection::addCdTrack(const SongRecord& record) {
  auto owned = std::make_unique<SongRecord>(record);
  terminateTexts(*owned);
  SongRecord* song = owned.get();
  songs_[song].record = std::move(owned);
  allSongs_.appendNew(song);
  return song;
}

// User lists ------------------------------------------------------------------

bool MusicCollection::isValidListName(const std::string& name) const {
  return !name.empty() && name.size() < kGroupNameBytes && !findList(name);
}

SongGroup* MusicCollection::addList(const std::string& name) {
  if (kind_ == CollectionKind::FlashPlayer || kind_ == CollectionKind::AudioCd) return nullptr;
  GroupChain& lists = chainOf(GroupKind::UserList);
  if (lists.size() >= static_cast<std::size_t>(kMaxListFileSongs)) return nullptr;
  lists.push_back(std::make_unique<SongGroup>(kind_, GroupKind::UserList, name));
  SongGroup* list = lists.back().get();
  showGroup(*list);
  return list;
}

SongGroup* MusicCollection::findList(const std::string& name) const {
  for (const auto& list : chain(GroupKind::UserList))
    if (win::AnsiEqualNoCase(list->name(), name, codePage_)) return list.get();
  return nullptr;
}

bool MusicCollection::addToList(const std::string& name, SongRecord* record) {
  SongGroup* list = findList(name);
  return list && list->add(record);
}

bool MusicCollection::deleteList(const std::string& name) {
  SongGroup* list = findList(name);
  if (!list) return false;
  deleteGroup(list);
  return true;
}

void MusicCollection::deleteAllLists() {
  GroupChain& lists = chainOf(GroupKind::UserList);
  for (const auto& list : lists) deleteTreeItem(list->treeItem());
  lists.clear();
}

bool MusicCollection::renameList(SongGroup& list, const std::string& name) {
  for (const auto& own : chain(GroupKind::UserList)) {
    if (own.get() != &list) continue;
    list.setName(name);
    return true;
  }
  return false;
}

// Automatic groups ------------------------------------------------------------

SongGroup* MusicCollection::automaticGroup(GroupKind kind, const SongRecord& record, bool create) {
  if (kind == GroupKind::Genre) {
    std::int32_t genre = record.genre;  // a packed field: copied, never bound
    auto it = groupsByGenre_.find(genre);
    if (it != groupsByGenre_.end()) return it->second;
    if (!create) return nullptr;
    GroupChain& genres = chainOf(kind);
    genres.push_back(std::make_unique<SongGroup>(SongGroup::forGenre(kind_, genre)));
    SongGroup* group = genres.back().get();
    groupsByGenre_.emplace(genre, group);
    showGroup(*group);
    return group;
  }
  auto& index = groupsByName_[chainIndex(kind) - 1];
  std::string_view text = tagOf(record, kind);
  std::string key = foldedName(text, codePage_);
  auto it = index.find(key);
  if (it != index.end()) return it->second;
  if (!create) return nullptr;
  GroupChain& groups = chainOf(kind);
  groups.push_back(std::make_unique<SongGroup>(kind_, kind, text));
  SongGroup* group = groups.back().get();
  index.emplace(std::move(key), group);
  showGroup(*group);
  return group;
}

void MusicCollection::joinAutomaticGroups(SongEntry& entry) {
  for (int i = 0; i < 4; ++i) {
    SongGroup* group = automaticGroup(kAutomaticKinds[i], *entry.record, true);
    group->appendNew(entry.record.get());
    entry.groups[i] = group;
  }
}

void MusicCollection::leaveAutomaticGroups(SongEntry& entry) {
  for (SongGroup*& group : entry.groups) {
    if (group && group->remove(entry.record.get()) && group->empty()) deleteGroup(group);
    group = nullptr;
  }
}

void MusicCollection::deleteGroup(SongGroup* group) {
  deleteTreeItem(group->treeItem());
  GroupKind kind = group->kind();
  if (kind == GroupKind::Genre) {
    auto it = groupsByGenre_.find(group->genre());
    if (it != groupsByGenre_.end() && it->second == group) groupsByGenre_.erase(it);
  } else if (kind != GroupKind::UserList) {
    auto& index = groupsByName_[chainIndex(kind) - 1];
    auto it = index.find(foldedName(group->name(), codePage_));
    if (it != index.end() && it->second == group) index.erase(it);
  }
  GroupChain& groups = chainOf(kind);
  auto it = std::find_if(groups.begin(), groups.end(), [group](const auto& g) { return g.get() == group; });
  if (it != groups.end()) groups.erase(it);
}

void MusicCollection::dropAutomaticGroups() {
  for (GroupKind kind : kAutomaticKinds) {
    for (const auto& group : chainOf(kind)) deleteTreeItem(group->treeItem());
    chainOf(kind).clear();
  }
  for (auto& index : groupsByName_) index.clear();
  groupsByGenre_.clear();
  for (auto& entry : songs_) std::fill(std::begin(entry.second.groups), std::end(entry.second.groups), nullptr);
}

}  // namespace virelo
