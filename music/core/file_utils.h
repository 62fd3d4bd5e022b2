// The small file helpers the whole music manager shares: paths, folders,
// copying and deleting with attribute handling, kinds of audio file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace virelo {

class LibraryServices;

// The program's own folder, with its trailing backslash.
std::string programFolder();

// After one trailing "\" or "/" is removed (a drive root keeps its own),
// true when the path exists and is a folder.
bool isFolder(const std::string& path);

// Creates a missing folder and, when asked, makes it hidden and system; an
// existing folder that is neither hidden nor system gets both when asked.
// 1 only when it created the folder.
int makeFolder(const std::string& path, bool hiddenSystem);

// Size in bytes; 0 when the path is missing or a folder.
std::uint32_t fileSizeOf(const std::string& path);

// fileSizeOf for many files at once, as a library's check for songs whose
// file is gone needs it: each folder is listed once and its files looked up
// by name (in any letter case), instead of opening every file. A path that
// is not a plain absolute one, a folder that cannot be listed and a name the
// listing leaves in doubt are asked of fileSizeOf, so the answers are the same.
class FileSizeLookup {
 public:
  explicit FileSizeLookup(unsigned codePage);
  std::uint32_t sizeOf(const std::string& path);

 private:
  struct Folder {
    bool listed = false;
    // Folded name -> size (0 for a folder); nullopt where two names fold alike.
    std::unordered_map<std::string, std::optional<std::uint32_t>> sizes;
  };
  std::string folded(const std::string& text) const;
  Folder& folder(const std::string& path);

  unsigned codePage_;
  std::unordered_map<std::string, Folder> folders_;
};

// Copies src to dst, overwriting dst, and marks the copy hidden and system
// when asked.
bool copyFile(const std::string& dst, const std::string& src, bool hiddenSystem);

// Sets the attributes to normal, then deletes.
bool deleteFile(const std::string& path);

// Free bytes of the volume of a root path ("E:\"); 0 on error.
std::uint64_t freeSpace(const std::string& rootPath);

// Deletes every file (not folders, not below) of a folder.
void deleteFilesIn(const std::string& folder);

// Renames; on failure shows an error box with text 61241 (access denied,
// the new name), 61242 (bad path) or 61240 (anything else, the old name).
bool renameFile(const std::string& oldPath, const std::string& newPath, const LibraryServices& services);

// The system folder picker; nothing when cancelled.
std::optional<std::string> browseForFolder(const std::string& title);

// "mp3" -> 1, "wma" -> 2, else 0 (the whole extension, any letter case).
int audioKind(const std::string& path);
// "mp3" -> 1, "rec" -> 2, else 0.
int recordingKind(const std::string& path);

// The lyric file of a song: the extension replaced by ".LRC", or ".LRC"
// appended when the file name has none.
std::string lyricPathOf(const std::string& path);

}  // namespace virelo
