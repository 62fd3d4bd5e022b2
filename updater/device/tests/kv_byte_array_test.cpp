// The byte buffer under every command and image: bounds of single and
// multi-byte access, big-endian order, copies and the hex dump.
#include <gtest/gtest.h>

#include "updater/device/kv_array.h"
#include "updater/device/kv_byte_array.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

TEST(KvByteArrayTest, ByteAccessOutsideAnswersMinusTwoAndChangesNothing) {
  CKvByteArray a(4);
  EXPECT_EQ(a.SetAt(3, 0x7F), kKvOk);
  EXPECT_EQ(a.SetAt(4, 1), kKvIndexOutOfRange);
  std::uint8_t b = 0x55;
  EXPECT_EQ(a.GetAt(4, b), kKvIndexOutOfRange);
  EXPECT_EQ(b, 0x55);
  EXPECT_EQ(a.ElementPtr(4), nullptr);
  EXPECT_EQ(*a.ElementPtr(3), 0x7F);
  EXPECT_EQ(a.ToHexString(), L"0x0, 0x0, 0x0, 0x7f");
}

TEST(KvByteArrayTest, MultiByteValuesAreBigEndianAndMustFit) {
  CKvByteArray a(10);
  EXPECT_EQ(a.Set64(0x0102030405060708ull, 2), kKvOk);
  EXPECT_EQ(a.ToHexString(), L"0x0, 0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8");
  std::uint32_t v32 = 0;
  EXPECT_EQ(a.Get32(v32, 4), kKvOk);
  EXPECT_EQ(v32, 0x03040506u);
  struct Case {
    std::uint32_t offset;
    std::int32_t r16, r32, r64;
  };
  const Case cases[] = {{8, 0, -3, -3}, {9, -3, -3, -3}, {6, 0, 0, -3}, {2, 0, 0, 0}, {10, -3, -3, -3},
                        {0xFFFFFFFFu, -3, -3, -3}, {0xFFFFFFFEu, -3, -3, -3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    std::uint16_t v16 = 0xAAAA;
    std::uint64_t v64 = 0;
    EXPECT_EQ(a.Get16(v16, c.offset), c.r16);
    EXPECT_EQ(a.Get32(v32, c.offset), c.r32);
    EXPECT_EQ(a.Get64(v64, c.offset), c.r64);
    CKvByteArray before(10);
    before.CopyFrom(a.Data(), 10, 0);
    if (c.r64 != 0) {
      EXPECT_EQ(a.Set64(~0ull, c.offset), c.r64);
      EXPECT_TRUE(a.Equals(before));
    }
  }
}

TEST(KvByteArrayTest, BoolIsRefusedAtTheEnd) {
  CKvByteArray a(2);
  a.SetAt(1, 9);
  bool flag = false;
  EXPECT_EQ(a.GetBool(flag, 1), kKvOk);
  EXPECT_TRUE(flag);
  EXPECT_EQ(a.GetBool(flag, 2), kKvValueDoesNotFit);
  EXPECT_EQ(a.GetBool(flag, 3), kKvValueDoesNotFit);
}

TEST(KvByteArrayTest, CopiesMustFitFromTheirOffset) {
  CKvByteArray a(8);
  const std::uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(a.CopyFrom(src, 8, 0), kKvOk);
  EXPECT_EQ(a.CopyFrom(src, 4, 5), kKvValueDoesNotFit);
  EXPECT_EQ(a.CopyFrom(src, 1, 0xFFFFFFFFu), kKvValueDoesNotFit);
  std::uint8_t out[8] = {};
  EXPECT_EQ(a.CopyTo(out, 3, 5), kKvOk);
  EXPECT_EQ(out[0], 6);
  EXPECT_EQ(a.CopyTo(out, 4, 5), kKvValueDoesNotFit);
  EXPECT_EQ(a.CopyTo(out, 0, 8), kKvOk);
}

TEST(KvByteArrayTest, ReverseResizeFreeAndEquality) {
  CKvByteArray a(3), b(3);
  a.SetAt(0, 1);
  a.SetAt(2, 3);
  EXPECT_EQ(a.ReverseCopy(), kKvOk);
  EXPECT_EQ(a.ToHexString(), L"0x3, 0x0, 0x1");
  EXPECT_FALSE(a.Equals(b));
  a.Clear();
  EXPECT_TRUE(a.Equals(b));
  EXPECT_EQ(a.Resize(5), kKvOk);
  EXPECT_EQ(a.GetCount(), 5u);
  EXPECT_FALSE(a.Equals(b));
  a.Free();
  EXPECT_EQ(a.GetCount(), 0u);
  EXPECT_EQ(a.ElementPtr(0), nullptr);
  EXPECT_EQ(a.ToHexString(), L"");
}

TEST(KvArrayTest, PointerSlotsHaveTheSameBounds) {
  CKvArray a(2);
  int x = 0;
  EXPECT_EQ(a.SetAt(1, &x), kKvOk);
  EXPECT_EQ(a.SetAt(2, &x), kKvIndexOutOfRange);
  void* p = nullptr;
  EXPECT_EQ(a.GetAt(1, p), kKvOk);
  EXPECT_EQ(p, &x);
  EXPECT_EQ(a.GetAt(2, p), kKvIndexOutOfRange);
  EXPECT_EQ(a.ReverseCopy(), kKvOk);
  EXPECT_EQ(a.GetAt(0, p), kKvOk);
  EXPECT_EQ(p, &x);
}

}  // namespace
}  // namespace pendrel
