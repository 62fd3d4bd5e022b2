// Feeds arbitrary bytes to the firmware component loader as a component
// file, then reads the image back in chunks at awkward offsets. An image
// must never be larger than the file, and chunks past it read as 0xFF.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/testing/temp_machine.h"
#include "platform/win/paths.h"
#include "updater/app/kv_config_info.h"
#include "updater/device/kv_fw_component.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_updater.h"

namespace {

struct World {
  World() {
    machine.writeFile("C:\\fw\\usbmsc.sb", "");
    win::SetCurrentDirectoryA("C:\\fw");
    file = machine.hostPath("C:\\fw\\usbmsc.sb");
  }
  kltest::TempMachine machine;
  std::string file;
  pendrel::CKvConfigInfo config;
  pendrel::CKvUpdater updater{&config};
};

World& world() {
  static World w;
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = world();
  {
    std::ofstream out(w.file, std::ios::binary | std::ios::trunc);
    if (size) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  pendrel::CKvFwComponent component(&w.updater, 2);
  std::int32_t r = component.GetLastError();
  if (r != pendrel::kKvOk && r != pendrel::kKvComponentFileNoMarker) std::abort();
  if (r != pendrel::kKvOk) {
    if (component.GetImageSize() != 0) std::abort();
    return 0;
  }
  std::uint32_t image = component.GetImageSize();
  if (image > size) std::abort();
  if (component.GetVersionState() == pendrel::CKvFwComponent::kNone && image != size) std::abort();
  for (std::uint32_t offset : {0u, image / 2, image ? image - 1 : 0u, image, image + 4096}) {
    pendrel::CKvByteArray chunk;
    if (component.ReadChunk(offset, 4096, chunk) != pendrel::kKvOk || chunk.GetCount() != 4096) std::abort();
    for (std::uint32_t i = 0; i < 4096; ++i)
      if (offset + i >= image && chunk.Data()[i] != 0xFF) std::abort();
  }
  return 0;
}
