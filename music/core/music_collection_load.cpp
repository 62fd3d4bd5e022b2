// Setting a collection up, loading, saving and clearing it.
#include <atomic>
#include <cctype>

#include "music/core/file_utils.h"
#include "music/core/library_services.h"
#include "music/core/list_file.h"
#include "music/core/music_collection.h"
#include "music/core/music_collection_text.h"
#include "music/core/record_builder.h"
#include "music/core/walk_folder.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"

namespace virelo {

void MusicCollection::setup(CollectionKind kind, char driveLetter) {
  kind_ = kind;
  codePage_ = win::GetACP();
  driveLetter_ = 0;
  listFilePath_.clear();
  systemFolder_.clear();
  recordingsFolder_.clear();
  musicFolder_.clear();
  numberUse_.clear();
  lowestFreeNumber_ = 1;
  allSongs_.owner_ = kind;
  allSongs_.setName(services_.text(61209) ? services_.text(61209) : "");
  recordings_.owner_ = kind;
  recordings_.setName(services_.text(61214) ? services_.text(61214) : "");

  std::string drive = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)))) + ":\\";
  switch (kind) {
    case CollectionKind::PcLibrary: {
      std::string data = programFolder() + "DATA\\";
      listFilePath_ = data + kListFileName;
      makeFolder(data, false);
      break;
    }
    case CollectionKind::DiskPlayer:
      driveLetter_ = drive[0];
      systemFolder_ = drive + "SYSTEM\\";
      recordingsFolder_ = drive + "REC\\";
      musicFolder_ = drive + "SYSTEM\\MP3\\";
      listFilePath_ = systemFolder_ + kListFileName;
      makeFolder(systemFolder_, true);
      makeFolder(musicFolder_, true);
      makeFolder(recordingsFolder_, false);
      // The smallest free number is never above the song limit + 1.
      numberUse_.assign(static_cast<std::size_t>(kMaxListFileSongs) + 2, 0);
      break;
    case CollectionKind::FlashPlayer:
      driveLetter_ = drive[0];
      listFilePath_ = drive;
      musicFolder_ = drive;
      break;
    case CollectionKind::AudioCd: break;
  }
}

void MusicCollection::load(const std::string& rootCaption) {
  clear(true);
  buildTreeBranch(rootCaption);
  switch (kind_) {
    case CollectionKind::PcLibrary:
      loadListFile();
      removeSongsWithoutFile();
      break;
    case CollectionKind::DiskPlayer:
      loadListFile();
      scanRecordings();
      break;
    case CollectionKind::FlashPlayer: scanFlashPlayer(); break;
    case CollectionKind::AudioCd: break;
  }
  if (tree_ && rootItem_ != kNoTreeItem) tree_->expand(rootItem_);
}

void MusicCollection::loadListFile() {
  ListFileContents contents;
  if (!readListFile(listFilePath_, contents)) return;
  songs_.reserve(contents.songs.size());
  for (const SongRecord& record : contents.songs) addSong(record, nullptr, false);
  for (const ListFileList& stored : contents.userLists) {
    addList(stored.name);
    // Members go to the list found by the name: the first of that name.
    SongGroup* list = findList(stored.name);
    if (!list) continue;
    for (std::uint16_t index : stored.members)
      if (SongRecord* song = songAt(index)) list->add(song);
  }
}

void MusicCollection::removeSongsWithoutFile() {
  FileSizeLookup sizes(codePage_);
  std::unordered_set<const SongRecord*> gone;
  for (const SongRecord* song : allSongs_.members())
    if (sizes.sizeOf(pathOf(*song)) == 0) gone.insert(song);
  if (!gone.empty()) removeSongs(gone);
}

void MusicCollection::scanRecordings() {
  win::WIN32_FIND_DATAA entry{};
  win::HANDLE find = win::FindFirstFileA((recordingsFolder_ + "*.*").c_str(), &entry);
  if (find == win::INVALID_HANDLE_VALUE) return;
  do {
    if (entry.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string path = recordingsFolder_ + entry.cFileName;
    if (recordingKind(path) == 0) continue;
    SongRecord record{};
    if (BuildSongRecord(path, record)) addRecording(record);
  } while (win::FindNextFileA(find, &entry));
  win::FindClose(find);
}

void MusicCollection::scanFlashPlayer() {
  const std::vector<std::string> mp3{".mp3"};
  std::atomic<bool> cancel{false};
  WalkResult walk = WalkFolder(musicFolder_, &mp3, cancel, nullptr);
  for (const std::string& path : walk.paths) {
    SongRecord record{};
    if (BuildSongRecord(path, record)) addSong(record, nullptr, false);
  }
}

bool MusicCollection::save() {
  if (!hasListFile()) return true;
  const GroupChain* sections[kListFileSections] = {&chains_[0], &chains_[1], &chains_[2], &chains_[3], &chains_[4]};
  return saveListFile(listFilePath_, buildListFile(allSongs_, sections), kind_ == CollectionKind::DiskPlayer);
}

void MusicCollection::clear(bool removeTreeItems) {
  if (removeTreeItems && tree_ && rootItem_ != kNoTreeItem) tree_->deleteItem(rootItem_);
  rootItem_ = kNoTreeItem;
  listsItem_ = kNoTreeItem;
  std::fill(std::begin(branchItems_), std::end(branchItems_), kNoTreeItem);
  allSongs_.setTreeItem(kNoTreeItem);
  recordings_.setTreeItem(kNoTreeItem);
  for (GroupChain& groups : chains_) groups.clear();
  for (auto& index : groupsByName_) index.clear();
  groupsByGenre_.clear();
  freeSongs();
  recordings_.clearMembers();
  recordingOwners_.clear();
}

}  // namespace virelo
