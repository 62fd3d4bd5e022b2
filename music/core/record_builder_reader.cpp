#include "music/core/record_builder_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/win/files.h"
#include "platform/win/last_error.h"

namespace virelo {

namespace {
// A tag and the first frames fit in a block or two; so does the end of a
// file with its ID3v1 and Lyrics3 tags.
constexpr std::uint32_t kBlockSize = 32 * 1024;
}  // namespace

Id3FileReader::Id3FileReader(const std::string& path) {
  file_ = win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr,
                           win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!isOpen()) return;
  win::DWORD high = 0;
  win::DWORD low = win::GetFileSize(file_, &high);
  bool failed = low == win::INVALID_FILE_SIZE && win::GetLastError() != win::ERROR_SUCCESS;
  // id3lib keeps positions in 32 bits; its "no position" is all ones.
  if (failed || high != 0 || low == std::numeric_limits<std::uint32_t>::max()) {
    close();
    return;
  }
  size_ = low;
}

Id3FileReader::~Id3FileReader() { close(); }

void Id3FileReader::close() {
  if (isOpen()) win::CloseHandle(file_);
  file_ = win::INVALID_HANDLE_VALUE;
  size_ = 0;
  position_ = 0;
  block_.clear();
}

ID3_Reader::pos_type Id3FileReader::setCur(pos_type position) {
  position_ = std::min<std::uint32_t>(position, size_);
  return position_;
}

ID3_Reader::int_type Id3FileReader::peekChar() {
  if (position_ >= size_ || !load(position_)) return END_OF_READER;
  return block_[position_ - blockStart_];
}

ID3_Reader::size_type Id3FileReader::readChars(char_type buffer[], size_type length) {
  std::uint32_t wanted = std::min<std::uint32_t>(length, size_ - position_);
  std::uint32_t done = 0;
  while (done < wanted) {
    std::uint32_t left = wanted - done;
    if (left >= kBlockSize && !(position_ >= blockStart_ && position_ < blockStart_ + block_.size())) {
      // Large reads (a picture frame) bypass the block.
      std::uint32_t got = readAt(position_, buffer + done, left);
      done += got;
      position_ += got;
      if (got < left) break;
      continue;
    }
    if (!load(position_)) break;
    std::uint32_t offset = position_ - blockStart_;
    std::uint32_t take = std::min<std::uint32_t>(left, static_cast<std::uint32_t>(block_.size()) - offset);
    std::memcpy(buffer + done, block_.data() + offset, take);
    done += take;
    position_ += take;
  }
  return done;
}

ID3_Reader::size_type Id3FileReader::skipChars(size_type length) {
  std::uint32_t skipped = std::min<std::uint32_t>(length, size_ - position_);
  position_ += skipped;
  return skipped;
}

bool Id3FileReader::load(std::uint32_t position) {
  if (position >= blockStart_ && position < blockStart_ + block_.size()) return true;
  if (!isOpen() || position >= size_) return false;
  std::uint32_t start = position - position % kBlockSize;
  block_.resize(std::min<std::uint32_t>(kBlockSize, size_ - start));
  std::uint32_t got = readAt(start, block_.data(), static_cast<std::uint32_t>(block_.size()));
  block_.resize(got);
  blockStart_ = start;
  return position < start + got;
}

std::uint32_t Id3FileReader::readAt(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length) {
  if (!isOpen()) return 0;
  win::LONG high = 0;
  if (win::SetFilePointer(file_, static_cast<win::LONG>(offset), &high, win::FILE_BEGIN) ==
          win::INVALID_SET_FILE_POINTER &&
      win::GetLastError() != win::ERROR_SUCCESS) {
    return 0;
  }
  win::DWORD got = 0;
  if (!win::ReadFile(file_, buffer, length, &got, nullptr)) return 0;
  return got;
}

}  // namespace virelo
