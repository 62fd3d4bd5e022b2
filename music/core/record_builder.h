// Builds the SongRecord of a file: size, MPEG header information and tags
// of an MP3 file, the media layer's duration for any other medium, and
// whether a lyric file belongs to it.
#pragma once

#include <string>

#include "music/core/song_record.h"

namespace virelo {

// Fills record (all 386 bytes) from the file at a Windows path. false when
// the file is missing, a folder or empty, when an MP3 file has no readable
// MPEG header, when another medium cannot be rendered, or when the path
// does not fit the record (259 bytes, the file name starting within the
// first 256 bytes) or the size does not fit its int32.
bool BuildSongRecord(const std::string& path, SongRecord& record);

}  // namespace virelo
