// The .mp3 file association under HKEY_CLASSES_ROOT: the shell opens
// .mp3 files with "Virelo.exe /open <file>".
#pragma once

#include <string>

namespace virelo {

inline constexpr char kMp3ProgId[] = "Virelo.Mp3File";

// Writes the four default values, in order; stops with false at the first
// key that cannot be created (the earlier keys stay written).
// programPath is the program's own full path.
bool RegisterMp3Association(const std::string& programPath);

// Deletes the default value of .mp3, then the program's keys and the
// Applications\Virelo.exe keys leaf first; stops with false at the first
// key that cannot be deleted.
bool UnregisterMp3Association();

// The default value of .mp3 is exactly "Virelo.Mp3File".
bool IsMp3Associated();

// The text the shell runs: "\"<programPath>\" /open \"%L\"".
std::string Mp3OpenCommand(const std::string& programPath);

}  // namespace virelo
