// id3lib's reader over a file opened through the platform: positions and
// seeks stay in memory and the file is read in blocks. id3lib's own file
// reader asks the stream for its position at nearly every byte, and each
// of those asks is a system call.
#pragma once

#include <id3/reader.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/types.h"

namespace virelo {

class Id3FileReader final : public ID3_Reader {
 public:
  // Opens a Windows path for reading; see isOpen().
  explicit Id3FileReader(const std::string& path);
  ~Id3FileReader();  // ID3_Reader has no virtual destructor: never deleted through it
  Id3FileReader(const Id3FileReader&) = delete;
  Id3FileReader& operator=(const Id3FileReader&) = delete;

  // False when the file could not be opened or is too large for id3lib's
  // 32-bit positions.
  bool isOpen() const { return file_ != win::INVALID_HANDLE_VALUE; }
  std::uint32_t size() const { return size_; }

  void close() override;
  pos_type getBeg() override { return 0; }
  pos_type getEnd() override { return size_; }
  pos_type getCur() override { return position_; }
  pos_type setCur(pos_type position) override;
  int_type peekChar() override;
  size_type readChars(char_type buffer[], size_type length) override;
  size_type readChars(char buffer[], size_type length) override {
    return readChars(reinterpret_cast<char_type*>(buffer), length);
  }
  size_type skipChars(size_type length) override;

 private:
  // Makes the block holding position the cached one; false on a read error.
  bool load(std::uint32_t position);
  // Reads at an offset through the handle; the bytes actually read.
  std::uint32_t readAt(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length);

  win::HANDLE file_ = win::INVALID_HANDLE_VALUE;
  std::uint32_t size_ = 0;
  std::uint32_t position_ = 0;
  std::vector<std::uint8_t> block_;
  std::uint32_t blockStart_ = 0;  // file offset of block_[0]
};

}  // namespace virelo
