// Reading the text fields of song records safely, and the name key under
// which the collection finds its title, artist and album groups.
#pragma once

#include <string>
#include <string_view>

#include "music/core/song_record.h"

namespace virelo {

// Ends the path within its 260 bytes and cuts a tag text longer than 30
// bytes to 30 (a plain byte cut); records from outside may lack either.
void terminateTexts(SongRecord& record);

// A tag text: the bytes before its NUL, at most 30.
std::string_view tagText(const char (&field)[32]);
std::string pathOf(const SongRecord& record);
// The file-name part of the path, from nameOffset (clamped to the path).
std::string fileNamePartOf(const SongRecord& record);

// Two names are one group exactly when their keys are equal: the same
// folding as the machine's case-insensitive comparison of ANSI names
// (letters of the code page; double-byte characters as they are).
std::string foldedName(std::string_view name, unsigned codePage);

// Writes text and its NUL into a record's path field, cut to 259 bytes, as
// a string copy does: the bytes after the NUL stay as they were.
void setPath(SongRecord& record, const std::string& path);

}  // namespace virelo
