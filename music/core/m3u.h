// M3U play lists: reading the file paths of one, writing a group as one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace virelo {

class SongGroup;

// The longest line taken; the C runtime reads lines into a 260-byte buffer.
inline constexpr std::size_t kM3uLineLimit = 259;

// The file paths of an M3U file, in file order. Comment lines ("#") and
// stream addresses are skipped, trailing white space is removed, empty
// lines are skipped, and relative lines are resolved against the M3U's own
// folder. A line longer than kM3uLineLimit bytes (after its trailing white
// space) cannot name a file and is skipped whole. false when the file
// cannot be opened.
bool readM3u(const std::string& path, std::vector<std::string>& paths);

// Writes a "#Build by Virelo" line with the local date and time, an empty
// line, then the full path of each member, each line ended by CR LF.
// false when the file cannot be created or a write fails.
bool writeM3u(const SongGroup& group, const std::string& path);

}  // namespace virelo
