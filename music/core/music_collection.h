// A collection of songs: the library on the PC, the contents of a player or
// the tracks of an audio CD. It owns its records, keeps their groupings (all
// songs, user lists, automatic groups by title, artist, album and genre,
// recordings), draws itself as one branch of the library tree, and reads
// and writes its list file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "music/core/collection_kind.h"
#include "music/core/group_kind.h"
#include "music/core/song_group.h"
#include "music/core/song_record.h"
#include "music/core/tree_sink.h"

namespace virelo {

class LibraryServices;

// Member count and sums over a group or a chain of groups.
struct GroupStatistics {
  std::int64_t count = 0;
  std::int64_t durationMs = 0;
  std::int64_t bytes = 0;
};

class MusicCollection {
 public:
  explicit MusicCollection(LibraryServices& services);
  ~MusicCollection();
  MusicCollection(const MusicCollection&) = delete;
  MusicCollection& operator=(const MusicCollection&) = delete;

  // The tree it draws into, or nullptr while not bound to a view.
  void bindTree(TreeSink* tree) { tree_ = tree; }
  TreeSink* tree() const { return tree_; }

  // Sets the kind and the folders of the kind's layout, creating the
  // player's folders (or the PC library's DATA folder) when missing.
  void setup(CollectionKind kind, char driveLetter);
  // Builds the tree branch (when bound) and fills the collection from the
  // list file, the recordings folder or a walk of the flash player; ends by
  // expanding the root. Starts from an empty collection.
  void load(const std::string& rootCaption);
  // Writes the list file (PC library and disk player; other kinds have none
  // and succeed). The old list file stays intact when the write fails.
  bool save();
  // Frees all groups and records; deletes the tree items when asked.
  void clear(bool removeTreeItems);

  // Adds a copy of the record (to targetList too, when given) and to its
  // automatic groups; a player copies the file first when asked. The new
  // record, or nullptr when refused or when the copy failed. A collection
  // with a list file refuses a song beyond kMaxListFileSongs, so that every
  // count and index of its list file fits.
  SongRecord* addSong(const SongRecord& record, SongGroup* targetList, bool copyToPlayer);
  // Unlinks the record everywhere and frees it; on a player its files are
  // deleted too. false when it is not a song of this collection.
  bool removeSong(const SongRecord* record);
  // Takes new contents for a song (the ID3 editor): when title, artist,
  // album or genre changed it leaves its old automatic groups (emptied ones
  // disappear) and joins the new ones. false when it is not a song here.
  bool updateSong(SongRecord* record, const SongRecord& contents);
  // The first song with the same duration and name (full path, or the
  // file-name part), compared without regard to case; nullptr when none.
  SongRecord* findDuplicate(const SongRecord& record, bool compareFullPath) const;

  SongRecord* songAt(int index) const;
  int indexOf(const SongRecord* record) const;
  int songCount() const { return static_cast<int>(allSongs_.size()); }

  static GroupStatistics statistics(const SongGroup& group);
  static GroupStatistics statistics(const GroupChain& chain);

  // Players only: deletes every song with its files, all user lists and all
  // automatic groups with their tree items.
  bool removeAllSongs();

  // Recordings (disk player): records appended to the recordings group.
  SongRecord* addRecording(const SongRecord& record);
  // Deletes the recording's lyric file and file, then frees it.
  bool removeRecording(const SongRecord* record);
  void removeAllRecordings();

  // Audio CD: appends to the all-songs group only.
  SongRecord* addCdTrack(const SongRecord& record);

  // Not empty, shorter than 64 bytes, and no user list of that name (any
  // letter case).
  bool isValidListName(const std::string& name) const;
  // A new, empty user list at the end of the chain and under the lists
  // branch; nullptr for a kind without lists (flash player, audio CD) or
  // when the list file could hold no more. The caller checks the name.
  SongGroup* addList(const std::string& name);
  SongGroup* findList(const std::string& name) const;
  bool addToList(const std::string& name, SongRecord* record);
  // Deletes the first list of that name with its tree item (its songs stay).
  bool deleteList(const std::string& name);
  void deleteAllLists();
  // Renames a user list of this collection (stored zero-filled, cut to 63
  // bytes); the caller checks the name with isValidListName.
  bool renameList(SongGroup& list, const std::string& name);

  CollectionKind kind() const { return kind_; }
  const std::string& listFilePath() const { return listFilePath_; }
  const std::string& systemFolder() const { return systemFolder_; }
  const std::string& recordingsFolder() const { return recordingsFolder_; }
  const std::string& musicFolder() const { return musicFolder_; }
  char driveLetter() const { return driveLetter_; }

  SongGroup& allSongs() { return allSongs_; }
  const SongGroup& allSongs() const { return allSongs_; }
  SongGroup& recordings() { return recordings_; }
  const SongGroup& recordings() const { return recordings_; }
  // The chain of a group kind 1..5 (user lists, title, artist, album, genre).
  const GroupChain& chain(GroupKind kind) const;
  const GroupChain& userLists() const { return chain(GroupKind::UserList); }

  // Tree items of the branch (kNoTreeItem when not drawn).
  TreeItem rootItem() const { return rootItem_; }
  TreeItem allSongsItem() const { return allSongs_.treeItem(); }
  TreeItem recordingsItem() const { return recordings_.treeItem(); }
  TreeItem listsItem() const { return listsItem_; }
  // The branch under which groups of kind 1..5 appear.
  TreeItem branchItem(GroupKind kind) const;

  // The songs a list file may hold (counts are 16-bit).
  static constexpr int kMaxListFileSongs = 32767;

 private:
  // The automatic groups a song belongs to, by kind (title .. genre).
  struct SongEntry {
    std::unique_ptr<SongRecord> record;
    SongGroup* groups[4] = {};
  };

  bool isPlayer() const { return kind_ == CollectionKind::DiskPlayer || kind_ == CollectionKind::FlashPlayer; }
  bool hasListFile() const { return kind_ == CollectionKind::PcLibrary || kind_ == CollectionKind::DiskPlayer; }
  GroupChain& chainOf(GroupKind kind);
  int chainIndex(GroupKind kind) const;

  void buildTreeBranch(const std::string& rootCaption);
  std::string captionOf(const SongGroup& group) const;
  TreeItem insertTreeItem(TreeItem parent, const std::string& caption, SongGroup* group);
  void deleteTreeItem(TreeItem item);
  void showGroup(SongGroup& group);

  void loadListFile();
  void removeSongsWithoutFile();
  // What removeSong does for each of many songs, in one pass (a library
  // whose disk is gone loses every song at once). Not for players: no files.
  void removeSongs(const std::unordered_set<const SongRecord*>& gone);
  void scanRecordings();
  void scanFlashPlayer();

  bool copyToPlayer(SongRecord& record);
  int smallestUnusedNumber() const;
  void useNumber(std::int32_t number, int delta);
  void deleteSongFiles(const SongRecord& record);
  void deleteFileAndLyrics(const std::string& path);

  void joinAutomaticGroups(SongEntry& entry);
  void leaveAutomaticGroups(SongEntry& entry);
  SongGroup* automaticGroup(GroupKind kind, const SongRecord& record, bool create);
  void deleteGroup(SongGroup* group);
  void dropAutomaticGroups();
  void freeSongs();

  LibraryServices& services_;
  // The machine's ANSI code page, for comparing names; it does not change
  // while the program runs, and asking the machine each time costs.
  unsigned codePage_;
  CollectionKind kind_ = CollectionKind::PcLibrary;
  TreeSink* tree_ = nullptr;
  char driveLetter_ = 0;
  std::string listFilePath_;
  std::string systemFolder_;
  std::string recordingsFolder_;
  std::string musicFolder_;

  SongGroup allSongs_;
  SongGroup recordings_;
  GroupChain chains_[5];  // user lists, title, artist, album, genre

  TreeItem rootItem_ = kNoTreeItem;
  TreeItem listsItem_ = kNoTreeItem;
  TreeItem branchItems_[4] = {};  // title, artist, album, genre

  // Indexes over what the chains hold, so that no operation scans them:
  // owners and automatic groups by record, the automatic groups by folded
  // name or genre number, and how many songs use each player file number.
  std::unordered_map<const SongRecord*, SongEntry> songs_;
  std::unordered_map<const SongRecord*, std::unique_ptr<SongRecord>> recordingOwners_;
  std::unordered_map<std::string, SongGroup*> groupsByName_[3];  // title, artist, album
  std::unordered_map<std::int32_t, SongGroup*> groupsByGenre_;
  std::vector<std::uint32_t> numberUse_;  // index n: songs stored as number n (1..limit+1)
  mutable std::size_t lowestFreeNumber_ = 1;
};

}  // namespace virelo
