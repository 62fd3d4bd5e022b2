#include "music/core/list_file.h"

#include <algorithm>
#include <cstring>

#include "platform/win/files.h"

namespace virelo {
namespace {

// No list file the 16-bit counts allow with lists of a sensible size comes
// near this; a larger file is read up to it, as a file that ends early.
constexpr std::uint32_t kReadLimit = 256u << 20;

constexpr win::DWORD kHiddenSystem = win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM;
constexpr win::DWORD kSettableBits = win::FILE_ATTRIBUTE_READONLY | kHiddenSystem | win::FILE_ATTRIBUTE_ARCHIVE;

template <typename T>
T readAt(const std::uint8_t* data, std::size_t offset) {
  T value;
  std::memcpy(&value, data + offset, sizeof value);
  return value;
}

template <typename T>
void append(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void parseUserLists(const std::uint8_t* data, std::size_t size, const ListFileSection& section,
                    std::vector<ListFileList>& lists) {
  std::uint16_t count = static_cast<std::uint16_t>(section.count);
  if (section.offset < 0) return;
  std::size_t pos = static_cast<std::size_t>(section.offset);
  for (std::uint16_t i = 0; i < count; ++i) {
    if (pos > size || size - pos < sizeof(ListGroupRecord)) return;
    ListGroupRecord group = readAt<ListGroupRecord>(data, pos);
    pos += sizeof group;
    ListFileList list;
    list.name.assign(group.name, ::strnlen(group.name, kGroupNameBytes - 1));
    std::size_t members = static_cast<std::uint16_t>(group.count);
    std::size_t complete = std::min(members, (size - pos) / 2);
    list.members.reserve(complete);
    for (std::size_t m = 0; m < complete; ++m) list.members.push_back(readAt<std::uint16_t>(data, pos + 2 * m));
    pos += 2 * complete;
    lists.push_back(std::move(list));
    if (complete < members) return;
  }
}

}  // namespace

bool parseListFile(const std::uint8_t* data, std::size_t size, ListFileContents& out) {
  out = ListFileContents{};
  if (!data || size < sizeof(ListFileHeader)) return false;
  ListFileHeader header = readAt<ListFileHeader>(data, 0);
  if (std::memcmp(header.magic, "LIST", 4) != 0 || header.version != kListFileVersion ||
      header.recordSize != kListFileRecordSize)
    return false;
  // Records start at the fixed header size, whatever the header says.
  std::size_t songs = static_cast<std::uint16_t>(header.songCount);
  std::size_t complete = std::min(songs, (size - kListFileHeaderSize) / sizeof(SongRecord));
  out.songs.resize(complete);
  if (complete) std::memcpy(out.songs.data(), data + kListFileHeaderSize, complete * sizeof(SongRecord));
  parseUserLists(data, size, header.sections[0], out.userLists);
  return true;
}

bool readListFile(const std::string& path, ListFileContents& out) {
  out = ListFileContents{};
  win::HANDLE file = win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                                      win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == win::INVALID_HANDLE_VALUE) return false;
  win::DWORD high = 0;
  win::DWORD size = win::GetFileSize(file, &high);
  if (size == win::INVALID_FILE_SIZE || high != 0) size = kReadLimit;
  size = std::min(size, kReadLimit);
  std::vector<std::uint8_t> bytes(size);
  win::DWORD got = 0;
  bool ok = size == 0 || win::ReadFile(file, bytes.data(), size, &got, nullptr);
  win::CloseHandle(file);
  if (!ok) return false;
  return parseListFile(bytes.data(), got, out);
}

std::string buildListFile(const SongGroup& allSongs, const GroupChain* const (&sections)[kListFileSections]) {
  const std::vector<SongRecord*>& songs = allSongs.members();
  std::size_t songCount = std::min<std::size_t>(songs.size(), kListFileLimit);

  ListFileHeader header{};
  std::memcpy(header.magic, "LIST", 4);
  header.version = kListFileVersion;
  header.headerSize = kListFileHeaderSize;
  header.recordSize = kListFileRecordSize;
  std::memcpy(header.marker, "KFZ DEFINED", 12);
  header.songCount = static_cast<std::int16_t>(songCount);

  std::string out;
  out.reserve(sizeof header + songCount * sizeof(SongRecord));
  append(out, header);
  for (std::size_t i = 0; i < songCount; ++i) append(out, *songs[i]);

  std::vector<std::int16_t> indexes;
  for (int s = 0; s < kListFileSections; ++s) {
    header.sections[s].offset = static_cast<std::int32_t>(out.size());
    int groups = 0;
    for (const auto& group : *sections[s]) {
      if (groups == kListFileLimit) break;
      indexes.clear();
      for (const SongRecord* member : group->members()) {
        int index = allSongs.indexOf(member);
        if (index < 0 || static_cast<std::size_t>(index) >= songCount) continue;
        indexes.push_back(static_cast<std::int16_t>(index));
        if (indexes.size() == static_cast<std::size_t>(kListFileLimit)) break;
      }
      ListGroupRecord record{};
      record.kind = static_cast<std::int16_t>(s + 1);
      std::memcpy(record.name, group->nameBytes(), kGroupNameBytes);
      record.count = static_cast<std::int16_t>(indexes.size());
      append(out, record);
      out.append(reinterpret_cast<const char*>(indexes.data()), indexes.size() * sizeof(std::int16_t));
      ++groups;
    }
    header.sections[s].count = static_cast<std::int16_t>(groups);
  }
  std::memcpy(out.data(), &header, sizeof header);
  return out;
}

std::string listFileTempPath(const std::string& path) { return path + ".TMP"; }

bool saveListFile(const std::string& path, const std::string& bytes, bool hiddenSystem) {
  win::DWORD oldAttributes = win::GetFileAttributesA(path.c_str());
  bool hadFile = oldAttributes != win::INVALID_FILE_ATTRIBUTES;
  if (hiddenSystem && hadFile) win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_NORMAL);

  std::string temp = listFileTempPath(path);
  win::SetFileAttributesA(temp.c_str(), win::FILE_ATTRIBUTE_NORMAL);
  win::DeleteFileA(temp.c_str());

  bool ok = false;
  win::HANDLE file = win::CreateFileA(temp.c_str(), win::GENERIC_WRITE, win::FILE_SHARE_READ, nullptr,
                                      win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != win::INVALID_HANDLE_VALUE) {
    win::DWORD written = 0;
    ok = win::WriteFile(file, bytes.data(), static_cast<win::DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
    ok = ok && win::FlushFileBuffers(file);
    ok = win::CloseHandle(file) && ok;
    ok = ok && win::MoveFileExA(temp.c_str(), path.c_str(), win::MOVEFILE_REPLACE_EXISTING);
    if (!ok) win::DeleteFileA(temp.c_str());
  }
  if (!ok) {
    if (hiddenSystem && hadFile) win::SetFileAttributesA(path.c_str(), oldAttributes & kSettableBits);
    return false;
  }
  if (hiddenSystem) win::SetFileAttributesA(path.c_str(), kHiddenSystem);
  return true;
}

}  // namespace virelo
