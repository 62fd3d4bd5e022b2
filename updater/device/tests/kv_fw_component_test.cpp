// Component files: the version stamps of the text header, the image after
// the marker, and what loading does with files that are not as expected.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/testing/temp_machine.h"
#include "platform/win/paths.h"
#include "updater/device/kv_decrypt.h"
#include "updater/device/kv_fw_component.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/tests/updater_kit.h"

namespace pendrel {
namespace {

const std::string kMarker("\x1AKVRX", 5);

class FwComponentTest : public ::testing::Test {
 protected:
  FwComponentTest() {
    machine.writeFile("C:\\fw\\placeholder", "");
    win::SetCurrentDirectoryA("C:\\fw");
  }
  // Writes the file of component record 2 (usbmsc.sb) and loads it.
  std::unique_ptr<CKvFwComponent> load(const std::string& bytes, std::uint8_t index = 2) {
    machine.writeFile(std::string("C:\\fw\\") + names[index], bytes);
    return std::make_unique<CKvFwComponent>(&kit.updater, index);
  }
  std::string image(const CKvFwComponent& c) {
    CKvByteArray out;
    c.ReadChunk(0, c.GetImageSize(), out);
    return std::string(reinterpret_cast<const char*>(out.Data()), out.GetCount());
  }
  static std::string binary(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    return s;
  }

  const char* names[5] = {"", "bootmanager.sb", "usbmsc.sb", "kvrxsys.sb", "resource.bin"};
  kltest::TempMachine machine;
  test::UpdaterKit kit;
};

TEST_F(FwComponentTest, HeaderStampsAndImageAfterTheMarker) {
  std::string body = binary(1000);
  auto c = load("KL570 firmware\nProduct Version: 1.2.3\nComponent Version: 4.5.6\n" + kMarker + body);
  ASSERT_EQ(c->GetLastError(), kKvOk);
  EXPECT_EQ(c->GetImageSize(), 1000u);
  EXPECT_EQ(image(*c), body);
  CKvVersionInfo product, component;
  c->GetProductVersion(product);
  c->GetComponentVersion(component);
  EXPECT_EQ(product, CKvVersionInfo(1, 2, 3));
  EXPECT_EQ(component, CKvVersionInfo(4, 5, 6));
  EXPECT_EQ(c->GetVersionState(), CKvFwComponent::kBoth);
  EXPECT_EQ(kit.errors().extraCode(), 2);
}

TEST_F(FwComponentTest, HeaderWithWindowsLineEnds) {
  auto c = load("Component Version: 9.8.7\r\nProduct Version: 3.2.1\r\n" + kMarker + "img");
  ASSERT_EQ(c->GetLastError(), kKvOk);
  CKvVersionInfo product, component;
  c->GetProductVersion(product);
  c->GetComponentVersion(component);
  EXPECT_EQ(product, CKvVersionInfo(3, 2, 1));
  EXPECT_EQ(component, CKvVersionInfo(9, 8, 7));
  EXPECT_EQ(image(*c), "img");
}

TEST_F(FwComponentTest, PlainBinaryFileIsAllImage) {
  std::string body = binary(5000);
  auto c = load(body);
  ASSERT_EQ(c->GetLastError(), kKvOk);
  EXPECT_EQ(c->GetVersionState(), CKvFwComponent::kNone);
  EXPECT_EQ(image(*c), body);
}

TEST_F(FwComponentTest, VersionLinesWithoutMarkerAreRefused) {
  auto c = load("Product Version: 1.2.3\n" + binary(100));
  EXPECT_EQ(c->GetLastError(), kKvComponentFileNoMarker);
  EXPECT_EQ(c->GetImageSize(), 0u);
  EXPECT_EQ(kit.errors().errorCode(), kKvComponentFileNoMarker);
  EXPECT_EQ(kit.errors().extraCode(), 2);
}

TEST_F(FwComponentTest, MissingFileNamesTheComponent) {
  auto c = std::make_unique<CKvFwComponent>(&kit.updater, 3);
  EXPECT_EQ(c->GetLastError(), kKvComponentFileOpen);
  EXPECT_EQ(kit.errors().errorCode(), kKvComponentFileOpen);
  EXPECT_EQ(kit.errors().extraCode(), 3);
  EXPECT_EQ(kit.errors().objectName(), "CKvFwComponent");
}

TEST_F(FwComponentTest, RecordWithoutAFileCannotBeOpened) {
  auto c = std::make_unique<CKvFwComponent>(&kit.updater, 0);
  EXPECT_EQ(c->GetLastError(), kKvComponentFileOpen);
  auto beyond = std::make_unique<CKvFwComponent>(&kit.updater, 9);
  EXPECT_EQ(beyond->GetLastError(), kKvComponentFileOpen);
}

TEST_F(FwComponentTest, PartialVersionNumbersStayZero) {
  struct Case {
    const char* line;
    CKvVersionInfo version;
    CKvFwComponent::VersionState state;
  };
  const Case cases[] = {
      {"Product Version: 7\n", {7, 0, 0}, CKvFwComponent::kProductOnly},
      {"Product Version:7.8\n", {7, 8, 0}, CKvFwComponent::kProductOnly},
      {"Product Version: x.1.2\n", {0, 0, 0}, CKvFwComponent::kProductOnly},
      {"Product Version: 1. 2. 3\n", {1, 2, 3}, CKvFwComponent::kProductOnly},
      {"Product Version: 1 .2.3\n", {1, 0, 0}, CKvFwComponent::kProductOnly},
      {"Product Version: 70000.1.2\n", {70000 & 0xFFFF, 1, 2}, CKvFwComponent::kProductOnly},
      {"Product Version: -1.0.0\n", {0xFFFF, 0, 0}, CKvFwComponent::kProductOnly},
      {"Product Version: 99999999999999.1.1\n", {0xFFFF, 1, 1}, CKvFwComponent::kProductOnly},
      {"Product Version:\n", {0, 0, 0}, CKvFwComponent::kNone},
      {"xx Product Version: 2.3.4 yy\n", {2, 3, 4}, CKvFwComponent::kProductOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto component = load(std::string(c.line) + kMarker + "IMG");
    EXPECT_EQ(component->GetVersionState(), c.state);
    CKvVersionInfo v;
    component->GetProductVersion(v);
    EXPECT_EQ(v, c.version);
    // Without a version line the whole file is the image, marker and all.
    EXPECT_EQ(component->GetImageSize(), c.state == CKvFwComponent::kNone ? std::strlen(c.line) + 8 : 3u);
  }
}

TEST_F(FwComponentTest, OverlongHeaderLineStopsTheScan) {
  std::string longLine(100, 'x');
  std::string file = longLine + "\nProduct Version: 1.2.3\nComponent Version: 4.5.6\n" + kMarker + "IMG";
  auto c = load(file);
  ASSERT_EQ(c->GetLastError(), kKvOk);
  EXPECT_EQ(c->GetVersionState(), CKvFwComponent::kNone);
  EXPECT_EQ(image(*c), file);
}

TEST_F(FwComponentTest, LinesOfSeventyNineCharactersStillCount) {
  std::string filler(79, 'y');
  auto fits = load(filler + "\nProduct Version: 1.0.0\n" + kMarker + "A");
  EXPECT_EQ(fits->GetVersionState(), CKvFwComponent::kProductOnly);
  auto tooLong = load(filler + "y\nProduct Version: 1.0.0\n" + kMarker + "A");
  EXPECT_EQ(tooLong->GetVersionState(), CKvFwComponent::kNone);
}

TEST_F(FwComponentTest, HugeHeaderLineOfMegabytesIsHarmless) {
  std::string file = std::string(3 * 1024 * 1024, 'z') + "\nProduct Version: 1.2.3\n" + kMarker + "IMG";
  auto c = load(file);
  ASSERT_EQ(c->GetLastError(), kKvOk);
  EXPECT_EQ(c->GetImageSize(), file.size());
}

TEST_F(FwComponentTest, FirstMarkerStartsTheImage) {
  auto c = load("Component Version: 1.1.1\n" + kMarker + "AB" + kMarker + "CD");
  EXPECT_EQ(image(*c), "AB" + kMarker + "CD");
  auto atEnd = load("Component Version: 1.1.1\n" + kMarker);
  ASSERT_EQ(atEnd->GetLastError(), kKvOk);
  EXPECT_EQ(atEnd->GetImageSize(), 0u);
  auto cut = load("Component Version: 1.1.1\n" + kMarker.substr(0, 4));
  EXPECT_EQ(cut->GetLastError(), kKvComponentFileNoMarker);
}

TEST_F(FwComponentTest, ChunksBeyondTheImageReadAsFF) {
  auto c = load(binary(5000));
  CKvByteArray out;
  ASSERT_EQ(c->ReadChunk(4096, 4096, out), kKvOk);
  ASSERT_EQ(out.GetCount(), 4096u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Data()), 904), binary(5000).substr(4096));
  for (std::uint32_t i = 904; i < 4096; ++i) ASSERT_EQ(out.Data()[i], 0xFF) << i;
  ASSERT_EQ(c->ReadChunk(8192, 16, out), kKvOk);
  EXPECT_EQ(out.ToHexString().find(L"0x0"), std::wstring::npos);
  std::uint8_t buffer[10];
  ASSERT_EQ(c->CopyChunk(4995, 10, buffer), kKvOk);
  EXPECT_EQ(buffer[4], static_cast<std::uint8_t>(binary(5000)[4999]));
  EXPECT_EQ(buffer[5], 0xFF);
}

TEST_F(FwComponentTest, DecryptionGivesBackTheSameBytes) {
  std::string body = binary(777);
  std::unique_ptr<std::uint8_t[]> out;
  std::uint32_t length = 0;
  CKvDecrypt decrypt(reinterpret_cast<const std::uint8_t*>(body.data()), 777, out, length);
  EXPECT_EQ(decrypt.GetLastError(), kKvOk);
  ASSERT_EQ(length, 777u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.get()), length), body);
}

}  // namespace
}  // namespace pendrel
