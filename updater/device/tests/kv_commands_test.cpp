// The player's fourteen commands: their CDB bytes, payloads, directions and
// lengths byte for byte, and how they decode answers of every shape.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "updater/device/kv_drive_commands.h"
#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_standard_commands.h"
#include "updater/device/tests/fake_transport.h"
#include "updater/device/tests/updater_kit.h"

namespace pendrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes padded(Bytes head, std::size_t size) {
  head.resize(size, 0);
  return head;
}

class CommandTest : public ::testing::Test {
 protected:
  // Sends the command over the scripted transport and answers its result.
  std::int32_t send(CKvScsiCommand& command, Bytes answer = {}) {
    transport.answer = std::move(answer);
    return transport.SendCommand(command);
  }

  test::UpdaterKit kit;
  test::FakeTransport transport{&kit.updater};
};

struct CdbCase {
  const char* name;
  std::function<std::unique_ptr<CKvScsiCommand>()> make;
  Bytes cdb;
  std::uint32_t responseLength;
  std::size_t payloadLength;
  std::int32_t dataOut;
};

TEST_F(CommandTest, EveryCommandSendsItsCdbByteForByte) {
  KvMediaTable three{};
  three.count = 3;
  three.entries[0] = {9, 1, 0x50, 0x10000};
  three.entries[1] = {9, 0, 0x0A, 0x3000000};
  three.entries[2] = {9, 1, 0x01, 0x20000};
  const CdbCase cases[] = {
      {"inquiry", [] { return std::make_unique<CKvScsiInquiry>(); }, {0x12, 0, 0, 0, 0x60, 0}, 96, 0, 0},
      {"read capacity", [] { return std::make_unique<CKvReadCapacity>(); }, padded({0x25}, 10), 8, 0, 0},
      {"read(10)", [] { return std::make_unique<CKvRead>(0x12345, 2, 512); },
       {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0x00, 0x02, 0}, 1024, 0, 0},
      {"write(10)", [] { return std::make_unique<CKvWrite>(0x12345, 2, 512); },
       {0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0x00, 0x02, 0}, 0, 1024, 1},
      {"chip revision", [] { return std::make_unique<CKvGetChipMajorRevId>(); }, padded({0xC0, 0x30}, 16), 2, 0, 0},
      {"media info 9", [] { return std::make_unique<CKvGetLogicalMediaInfo>(9); }, padded({0xC0, 0x02, 9}, 16), 1, 0,
       0},
      {"logical table", [] { return std::make_unique<CKvGetLogicalTable>(10); }, padded({0xC0, 0x05, 10}, 16), 112,
       0, 0},
      {"allocate", [three] { return std::make_unique<CKvAllocateLogicalMedia>(three); },
       padded({0xC1, 0x06, 3}, 16), 0, 33, 1},
      {"erase media", [] { return std::make_unique<CKvEraseLogicalMedia>(); }, padded({0xC1, 0x07}, 16), 0, 0, 1},
      {"drive info 7", [] { return std::make_unique<CKvGetLogicalDriveInfo>(4, 7); },
       padded({0xC0, 0x12, 4, 7}, 16), 48, 0, 0},
      {"set drive info 8",
       [] { return std::make_unique<CKvSetLogicalDriveInfo>(4, 8, CKvVersionInfo(1, 2, 3)); },
       {0xC1, 0x20, 0x04, 0x08, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0, 0, 0, 0, 0, 0}, 0, 0, 1},
      {"erase drive", [] { return std::make_unique<CKvEraseLogicalDrive>(5); }, padded({0xC1, 0x2F, 5}, 16), 0, 0, 1},
      {"read drive sectors",
       [] { return std::make_unique<CKvReadLogicalDriveSector>(3, 0x0102030405060708ull, 2, 2048); },
       {0xC0, 0x13, 3, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 2, 0}, 4096, 0, 0},
      {"write drive sectors",
       [] { return std::make_unique<CKvWriteLogicalDriveSector>(3, 0x0102030405060708ull, 2, 2048); },
       {0xC1, 0x23, 3, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 2, 0}, 0, 4096, 1},
  };
  for (const CdbCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto command = c.make();
    ASSERT_EQ(command->GetLastError(), kKvOk);
    ASSERT_EQ(send(*command), kKvOk);
    EXPECT_EQ(transport.sentCdb, c.cdb);
    EXPECT_EQ(transport.sentPayload.size(), c.payloadLength);
    EXPECT_EQ(transport.askedResponse, c.responseLength);
    EXPECT_EQ(transport.sentDataOut, c.dataOut);
  }
}

TEST_F(CommandTest, AllocationSendsTenBytesPerEntryWithoutTheDriveNumber) {
  KvMediaTable table{};
  table.count = 3;
  table.entries[0] = {7, 1, 0x50, 0x0000000000010000ull};
  table.entries[1] = {8, 0, 0x0A, 0x0000000103000000ull};
  table.entries[2] = {9, 1, 0x01, 0x1122334455667788ull};
  CKvAllocateLogicalMedia allocate(table);
  ASSERT_EQ(send(allocate), kKvOk);
  Bytes expected = {1, 0x50, 0, 0, 0, 0, 0, 1, 0, 0,                          // entry 0 at payload 0
                    0, 0x0A, 0, 0, 0, 1, 3, 0, 0, 0,                          // entry 1 at payload 10
                    1, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,  // entry 2 at payload 20
                    0, 0, 0};
  EXPECT_EQ(transport.sentPayload, expected);
}

TEST_F(CommandTest, AllocationOfMoreEntriesThanTheTableHoldsIsRefused) {
  KvMediaTable table{};
  table.count = 11;
  CKvAllocateLogicalMedia allocate(table);
  EXPECT_EQ(allocate.GetLastError(), kKvValueDoesNotFit);
}

TEST_F(CommandTest, WritePayloadCarriesTheCallersSectors) {
  CKvWrite write(0x12345, 2, 512);
  CKvByteArray data(1024);
  for (std::uint32_t i = 0; i < 1024; ++i) data.SetAt(i, static_cast<std::uint8_t>(i * 7));
  ASSERT_EQ(write.SetPayload(data), kKvOk);
  ASSERT_EQ(send(write), kKvOk);
  EXPECT_EQ(transport.sentPayload, Bytes(data.Data(), data.Data() + 1024));

  CKvByteArray tooMuch(1025);
  EXPECT_EQ(write.SetPayload(tooMuch), kKvPayloadTooLarge);
  CKvWriteLogicalDriveSector sectors(1, 0, 1, 512);
  EXPECT_EQ(sectors.SetPayload(tooMuch), kKvPayloadTooLarge);
}

TEST_F(CommandTest, MediaInfoTypesAskTheirAnswerLengthOrAreRefused) {
  struct Case {
    std::uint8_t type;
    std::int32_t error;
    std::uint32_t length;
  };
  const Case cases[] = {{0, 0, 2}, {1, 0, 8}, {2, -8, 0}, {3, -8, 0}, {4, -8, 0}, {5, 0, 1},
                        {6, 0, 4}, {7, 0, 2}, {8, 0, 37}, {9, 0, 1}, {10, -8, 0}, {255, -8, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    CKvGetLogicalMediaInfo info(c.type, 37);
    EXPECT_EQ(info.GetLastError(), c.error);
    EXPECT_EQ(info.GetResponseLength(), c.length);
  }
}

TEST_F(CommandTest, DriveInfoTypesAskTheirAnswerLengthOrAreRefused) {
  const std::uint32_t lengths[] = {4, 4, 8, 4, 8, 4, 1, 48, 48, 1, 2, 77};
  for (std::uint8_t type = 0; type < 12; ++type) {
    CKvGetLogicalDriveInfo info(1, type, 77);
    EXPECT_EQ(info.GetLastError(), kKvOk) << int(type);
    EXPECT_EQ(info.GetResponseLength(), lengths[type]) << int(type);
  }
  for (std::uint8_t type : {12, 13, 255}) {
    CKvGetLogicalDriveInfo info(1, type, 77);
    EXPECT_EQ(info.GetLastError(), kKvBadIndex) << int(type);
    EXPECT_EQ(info.GetResponseLength(), 0u);
  }
}

TEST_F(CommandTest, SectorTransfersBeyondFourGigabytesAreRefused) {
  EXPECT_EQ(CKvRead(0, 0x10000, 512).GetLastError(), kKvValueDoesNotFit);  // count has 16 bits
  EXPECT_EQ(CKvReadLogicalDriveSector(0, 0, 0x200000, 4096).GetLastError(), kKvValueDoesNotFit);
  EXPECT_EQ(CKvWriteLogicalDriveSector(0, 0, 0x200000, 4096).GetLastError(), kKvValueDoesNotFit);
}

Bytes tableAnswer(std::uint16_t count, std::size_t size) {
  Bytes a(size, 0);
  a[0] = count >> 8;
  a[1] = count & 0xFF;
  for (std::size_t i = 0; 2 + 11 * i + 11 <= size; ++i) {
    a[2 + 11 * i] = static_cast<std::uint8_t>(i + 1);
    a[3 + 11 * i] = i == 1 ? 0 : 1;
    a[4 + 11 * i] = static_cast<std::uint8_t>(0x10 + i);
    a[12 + 11 * i] = static_cast<std::uint8_t>(i + 1);  // size (i + 1) × 1 in the lowest byte
    a[11 + 11 * i] = 0x02;                              // + 0x200
  }
  return a;
}

TEST_F(CommandTest, TableOfTenEntriesDecodesEveryEntry) {
  CKvGetLogicalTable get(10);
  ASSERT_EQ(send(get, tableAnswer(10, 112)), kKvOk);
  KvMediaTable table{};
  get.Decode(table);
  std::uint16_t count = table.count;
  ASSERT_EQ(count, 10);
  for (int i = 0; i < 10; ++i) {
    KvMediaEntry e = table.entries[i];
    EXPECT_EQ(e.driveNumber, i + 1);
    EXPECT_EQ(e.type, i == 1 ? 0 : 1);
    EXPECT_EQ(e.tag, 0x10 + i);
    std::uint64_t size = e.size;
    EXPECT_EQ(size, 0x200u + static_cast<unsigned>(i + 1));
  }
}

TEST_F(CommandTest, TableAnswersOfEveryShape) {
  struct Case {
    const char* name;
    std::uint8_t capacity;
    Bytes answer;
    std::int32_t result;
    std::uint16_t count;
  };
  const Case cases[] = {
      {"count 0", 10, tableAnswer(0, 112), kKvOk, 0},
      {"count 11 above capacity", 10, tableAnswer(11, 112), kKvValueDoesNotFit, 0},
      {"count 0xFFFF", 10, tableAnswer(0xFFFF, 112), kKvValueDoesNotFit, 0},
      {"short answer, zero padded", 10, tableAnswer(3, 20), kKvOk, 3},
      {"longer answer than asked", 10, tableAnswer(2, 400), kKvOk, 2},
      {"count 15 within a larger capacity", 20, tableAnswer(15, 222), kKvValueDoesNotFit, 0},
      {"empty answer", 10, {}, kKvOk, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CKvGetLogicalTable get(c.capacity);
    EXPECT_EQ(send(get, c.answer), c.result);
    if (c.result == kKvOk) {
      KvMediaTable table{};
      get.Decode(table);
      std::uint16_t count = table.count;
      EXPECT_EQ(count, c.count);
    }
  }
}

TEST_F(CommandTest, TableDecodingNeverReadsPastTheAnswer) {
  CKvGetLogicalTable get(2);
  CKvByteArray answer(12);  // count 1 but the entry's size is cut short
  answer.Set16(1, 0);
  EXPECT_EQ(get.SetResponse(answer), kKvValueDoesNotFit);
  CKvByteArray empty(0);
  EXPECT_EQ(get.SetResponse(empty), kKvValueDoesNotFit);
}

TEST_F(CommandTest, DecodersReadBigEndianValuesAndRefuseAnotherType) {
  CKvGetChipMajorRevId chip;
  ASSERT_EQ(send(chip, {0x12, 0x34}), kKvOk);
  std::uint16_t revision = 0;
  EXPECT_EQ(chip.Decode(revision), kKvOk);
  EXPECT_EQ(revision, 0x1234);

  CKvReadCapacity capacity;
  ASSERT_EQ(send(capacity, {0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00}), kKvOk);
  std::uint32_t lastLba = 0, blockLength = 0;
  EXPECT_EQ(capacity.Decode(lastLba, blockLength), kKvOk);
  EXPECT_EQ(lastLba, 0x1FFFFu);
  EXPECT_EQ(blockLength, 512u);

  CKvGetLogicalDriveInfo sectorSize(2, 0);
  ASSERT_EQ(send(sectorSize, {0x00, 0x00, 0x08, 0x00}), kKvOk);
  std::uint32_t size = 0;
  EXPECT_EQ(sectorSize.DecodeSectorSize(size), kKvOk);
  EXPECT_EQ(size, 2048u);
  CKvVersionInfo version;
  EXPECT_EQ(sectorSize.DecodeComponentVersion(version), kKvUnknownMediaInfoType);

  CKvGetLogicalDriveInfo component(2, 7);
  ASSERT_EQ(send(component, padded({0x00, 0x04, 0x00, 0x05, 0x01, 0x06}, 48)), kKvOk);
  EXPECT_EQ(component.DecodeComponentVersion(version), kKvOk);
  EXPECT_EQ(version, CKvVersionInfo(4, 5, 0x106));
  EXPECT_EQ(component.DecodeProductVersion(version), kKvUnknownMediaInfoType);
  EXPECT_EQ(component.DecodeSectorSize(size), kKvUnknownMediaInfoType);

  CKvGetLogicalDriveInfo product(2, 8);
  ASSERT_EQ(send(product, padded({0, 1, 0, 2, 0, 3}, 48)), kKvOk);
  EXPECT_EQ(product.DecodeProductVersion(version), kKvOk);
  EXPECT_EQ(version, CKvVersionInfo(1, 2, 3));

  CKvGetLogicalMediaInfo usable(9);
  ASSERT_EQ(send(usable, {0x01}), kKvOk);
  std::uint8_t flag = 0;
  EXPECT_EQ(usable.DecodeUsable(flag), kKvOk);
  EXPECT_EQ(flag, 1);
  CKvGetLogicalMediaInfo other(1);
  ASSERT_EQ(send(other, Bytes(8, 0xFF)), kKvOk);
  EXPECT_EQ(other.DecodeUsable(flag), kKvUnknownMediaInfoType);
}

TEST_F(CommandTest, ReadsCopyAsManyBytesAsBothArraysHold) {
  CKvReadLogicalDriveSector read(1, 0, 1, 512);
  Bytes answer(512);
  for (std::size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(send(read, answer), kKvOk);
  CKvByteArray small(100, "CKvByteArray");
  EXPECT_EQ(read.Decode(small), kKvOk);
  EXPECT_EQ(Bytes(small.Data(), small.Data() + 100), Bytes(answer.begin(), answer.begin() + 100));
  CKvByteArray large(1000, "CKvByteArray");
  EXPECT_EQ(read.Decode(large), kKvOk);
  EXPECT_EQ(Bytes(large.Data(), large.Data() + 512), answer);
  EXPECT_EQ(large.Data()[512], 0);
}

TEST_F(CommandTest, InquiryKeepsTheWholeAnswer) {
  CKvScsiInquiry inquiry;
  Bytes answer = padded({0, 0x80, 2, 2, 31, 0, 0, 0, 'O', 'R', 'N', 'E', 'X', ' ', ' ', ' '}, 96);
  ASSERT_EQ(send(inquiry, answer), kKvOk);
  ASSERT_EQ(inquiry.Decode(), kKvOk);
  EXPECT_EQ(Bytes(inquiry.InquiryData(), inquiry.InquiryData() + 96), answer);
  inquiry.ClearInquiryData();
  EXPECT_EQ(Bytes(inquiry.InquiryData(), inquiry.InquiryData() + 96), Bytes(96, 0));
}

TEST_F(CommandTest, TransportErrorsPassThroughAndDataOutSkipsTheDecoder) {
  transport.result = kKvCheckCondition;
  CKvGetChipMajorRevId chip;
  EXPECT_EQ(send(chip, {1, 2}), kKvCheckCondition);
  EXPECT_EQ(chip.GetResponse(), nullptr);
  transport.result = kKvOk;
  CKvEraseLogicalDrive erase(1);
  EXPECT_EQ(send(erase, {1, 2, 3}), kKvOk);
  EXPECT_EQ(erase.GetResponse(), nullptr);
}

}  // namespace
}  // namespace pendrel
