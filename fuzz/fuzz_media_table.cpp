// Feeds arbitrary bytes to the media-table decoder as the player's answer:
// the first byte is the capacity asked for, the rest the answer. A decoded
// table never holds more entries than its room or than the answer carried,
// and it can be sent back to the player as an allocation.
#include <cstdint>
#include <cstdlib>

#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_result_codes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint8_t capacity = data[0];
  pendrel::CKvByteArray answer(static_cast<std::uint32_t>(size - 1));
  answer.CopyFrom(data + 1, static_cast<std::uint32_t>(size - 1), 0);

  pendrel::CKvGetLogicalTable get(capacity);
  if (get.GetResponseLength() != 2u + 11u * capacity) std::abort();
  std::int32_t r = get.SetResponse(answer);
  if (r != pendrel::kKvOk) {
    if (r != pendrel::kKvValueDoesNotFit) std::abort();
    return 0;
  }
  pendrel::KvMediaTable table{};
  get.Decode(table);
  std::uint16_t count = table.count;
  if (count > pendrel::KvMediaTable::kCapacity) std::abort();
  if (2u + 11u * count > size - 1) std::abort();

  pendrel::CKvAllocateLogicalMedia allocate(table);
  if (allocate.GetLastError() != pendrel::kKvOk) std::abort();
  if (allocate.BuildCdb() != pendrel::kKvOk) std::abort();
  if (allocate.GetCdb().GetCount() != 16u + 11u * count) std::abort();
  return 0;
}
