// The plain file that holds one logical drive: its bytes in order. Reads
// beyond the file's end (a sparse or short file) read zeros.
#pragma once

#include <cstdint>
#include <string>

namespace devices {

bool ReadImage(const std::string& path, std::uint64_t offset, std::uint8_t* data, std::size_t size);
bool WriteImage(const std::string& path, std::uint64_t offset, const std::uint8_t* data, std::size_t size);
// A file of `size` zero bytes (sparse where the host allows), replacing what was there.
bool CreateBlankImage(const std::string& path, std::uint64_t size);

}  // namespace devices
