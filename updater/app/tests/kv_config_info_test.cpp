#include <gtest/gtest.h>

#include "updater/app/kv_config_info.h"
#include "updater/app/kv_resource.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

TEST(KvConfigInfoTest, ComponentTableOfTheProduct) {
  CKvConfigInfo config;
  struct Row {
    std::uint8_t index;
    const wchar_t* file;
    const wchar_t* display;
    std::uint8_t tag;
  };
  const Row rows[] = {{1, L"bootmanager.sb", L"Boot Manager", 0x50},
                      {2, L"usbmsc.sb", L"USB Mass Storage", 0x01},
                      {3, L"kvrxsys.sb", L"Player", 0x00},
                      {4, L"resource.bin", L"Resource Manager", 0x02}};
  for (const Row& r : rows) {
    std::wstring text;
    std::uint8_t byte = 0xEE;
    std::uint32_t hint = 1;
    EXPECT_EQ(config.GetComponentFileName(r.index, text), kKvOk);
    EXPECT_EQ(text, r.file);
    EXPECT_EQ(config.GetComponentDisplayName(r.index, text), kKvOk);
    EXPECT_EQ(text, r.display);
    EXPECT_EQ(config.GetComponentDriveTag(r.index, byte), kKvOk);
    EXPECT_EQ(byte, r.tag);
    EXPECT_EQ(config.GetComponentEncrypted(r.index, byte), kKvOk);
    EXPECT_EQ(byte, 1);
    EXPECT_EQ(config.GetComponentSizeHint(r.index, hint), kKvOk);
    EXPECT_EQ(hint, 0u);
  }
  std::uint8_t count = 0;
  config.GetComponentCount(count);
  EXPECT_EQ(count, 4);
}

TEST(KvConfigInfoTest, DataDriveRecordAndIndexesBeyondTheTable) {
  CKvConfigInfo config;
  std::wstring text;
  std::uint8_t byte = 0;
  std::uint32_t hint = 0;
  EXPECT_EQ(config.GetComponentFileName(0, text), kKvComponentNotPresent);
  EXPECT_EQ(config.GetComponentDisplayName(0, text), kKvComponentNotPresent);
  EXPECT_EQ(config.GetComponentEncrypted(0, byte), kKvComponentNotPresent);
  EXPECT_EQ(config.GetComponentDriveTag(0, byte), kKvOk);
  EXPECT_EQ(byte, 0x0A);
  EXPECT_EQ(config.GetComponentFileName(5, text), kKvBadIndex);
  EXPECT_EQ(config.GetComponentDriveTag(5, byte), kKvBadIndex);
  EXPECT_EQ(config.GetComponentEncrypted(255, byte), kKvBadIndex);
  EXPECT_EQ(config.GetComponentSizeHint(5, hint), kKvBadIndex);
}

TEST(KvConfigInfoTest, IdentityOfThePlayer) {
  CKvConfigInfo config;
  std::wstring text;
  config.GetScsiVendorId(text);
  EXPECT_EQ(text, L"ORNEX   ");
  config.GetScsiProductId(text);
  EXPECT_EQ(text, L"KL570           ");
  EXPECT_EQ(config.GetProductName(text), kKvOk);
  EXPECT_EQ(text, L"KL570");
  config.GetUpdaterFileName(text);
  EXPECT_EQ(text, L"Pendrel.exe");
  std::uint8_t index = 0;
  config.GetBootManagerTag(index);
  EXPECT_EQ(index, 0x50);
  config.GetRecoveryComponentIndex(index);
  EXPECT_EQ(index, 2);
  config.GetPlayerComponentIndex(index);
  EXPECT_EQ(index, 3);
  std::int32_t flag = -1;
  config.GetFormatByDefault(flag);
  EXPECT_EQ(flag, 0);
  config.GetShowDeviceDetails(flag);
  EXPECT_EQ(flag, 1);
}

TEST(KvConfigInfoTest, TextsComeFromTheAttachedResource) {
  CKvConfigInfo config;
  std::wstring text;
  EXPECT_EQ(config.GetAppName(text), kKvStringNotLoaded);
  CKvLanguageResource resource(&config, 0x0409);
  config.SetResource(&resource);
  EXPECT_EQ(config.GetAppName(text), kKvOk);
  EXPECT_EQ(text, L"MP3 Update");
  config.GetAboutTitle(text);
  EXPECT_EQ(text, L"About MP3 Update");
  config.GetAppDescription(text);
  EXPECT_EQ(text, L"Ornex KL570 Multimedia Player Firmware Download Application");
  EXPECT_EQ(config.GetLegalNotice(text), kKvOk);
  EXPECT_FALSE(text.empty());
}

}  // namespace
}  // namespace pendrel
