#include <gtest/gtest.h>

#include <cstring>

#include "imaging/base/byte_array.h"
#include "imaging/model/colour_hash.h"
#include "imaging/base/ie_list.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

namespace {
double DoubleAt(const TIEList& list, int i) { return *static_cast<double*>(list.GetItemPtr(i)); }
}  // namespace

TEST(TIEList, CapacityDoublesAsItemsAreAdded) {
  TIEDoubleList list;
  EXPECT_EQ(list.ItemSize(), 8);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Changed());
  const int expectedCapacity[] = {1, 2, 4, 4, 8};
  for (int i = 0; i < 5; ++i) {
    double v = i * 1.5;
    EXPECT_EQ(list.AddItem(&v), i);
    EXPECT_EQ(list.Capacity(), expectedCapacity[i]) << i;
  }
  EXPECT_TRUE(list.Changed());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(DoubleAt(list, i), i * 1.5);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.ItemSize(), 8);
  EXPECT_FALSE(list.Changed());
}

TEST(TIEList, DeleteKeepsOrderAndShrinksToTheCount) {
  TIEIntegerList list;
  EXPECT_EQ(list.ItemSize(), 4);
  for (int32_t v : {10, 20, 30, 40, 50}) list.AddItem(&v);
  list.Delete(5);
  list.Delete(-1);
  EXPECT_EQ(list.Count(), 5);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Capacity(), 4);
  const int32_t expected[] = {10, 30, 40, 50};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(*static_cast<int32_t*>(list.GetItemPtr(i)), expected[i]);
  list.Delete(3);
  list.Delete(0);
  list.Delete(0);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(TIEList, AssignCopiesItemsAndTheOwnersValues) {
  TIEDoubleList source;
  for (double v : {1.0, 2.0, 3.0}) source.AddItem(&v);
  source.Values[2] = 7.5;
  TIEDoubleList target;
  target.Assign(nullptr);
  EXPECT_EQ(target.Count(), 0);
  target.Assign(&source);
  EXPECT_EQ(target.Count(), 3);
  EXPECT_EQ(target.Capacity(), 3);
  EXPECT_EQ(target.Values[2], 7.5);
  double four = 4;
  EXPECT_EQ(target.AddItem(&four), 3);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(DoubleAt(target, i), i + 1.0);
  EXPECT_EQ(source.Count(), 3);

  TIEIntegerList integers;
  EXPECT_THROW(integers.Assign(&source), vcl::EInvalidCast);
}

TEST(TIEList, ItemAccessOutsideTheListRaisesAnIndexError) {
  TIERecordList records(16);
  EXPECT_EQ(records.ItemSize(), 16);
  char record[16] = "fifteen chars..";
  records.AddRecord(record);
  EXPECT_EQ(std::memcmp(records.GetRecord(0), record, 16), 0);
  EXPECT_THROW(records.GetRecord(1), vcl::EListError);
  EXPECT_THROW(records.GetRecord(-1), vcl::EListError);
  EXPECT_THROW(records.SetCount(-1), vcl::EListError);
}

TEST(TIEByteArray, GrowsAndShrinksInBlockSteps) {
  TIEByteArray bytes(16);
  EXPECT_EQ(bytes.Capacity(), 16);
  for (int i = 0; i < 17; ++i) bytes.AddByte(static_cast<uint8_t>(i));
  EXPECT_EQ(bytes.Size(), 17);
  EXPECT_EQ(bytes.Capacity(), 33);
  for (int i = 0; i < 17; ++i) EXPECT_EQ(bytes.Data()[i], i);

  struct Step {
    int32_t size;
    int32_t capacity;
  } steps[] = {{20, 33}, {17, 33}, {16, 32}, {2, 18}, {2, 18}, {40, 56}};
  for (const Step& s : steps) {
    bytes.SetSize(s.size);
    EXPECT_EQ(bytes.Size(), s.size);
    EXPECT_EQ(bytes.Capacity(), s.capacity) << s.size;
  }
  EXPECT_EQ(bytes.Data()[1], 1);  // kept through every reallocation
  EXPECT_THROW(bytes.SetSize(-1), vcl::ERangeError);
}

TEST(TIEByteArray, AppendFromStreamTakesWhatArrives) {
  vcl::TMemoryStream stream;
  uint8_t data[60];
  for (int i = 0; i < 60; ++i) data[i] = static_cast<uint8_t>(i);
  stream.WriteBuffer(data, 60);
  stream.SetPosition(20);
  TIEByteArray bytes(8);
  bytes.AddByte(0xAA);
  EXPECT_EQ(bytes.AppendFromStream(&stream, 100), 40);
  EXPECT_EQ(bytes.Size(), 41);
  EXPECT_EQ(bytes.Data()[0], 0xAA);
  EXPECT_EQ(bytes.Data()[1], 20);
  EXPECT_EQ(bytes.Data()[40], 59);
  EXPECT_EQ(bytes.AppendFromStream(&stream, 10), 0);
  EXPECT_EQ(bytes.AppendFromStream(&stream, -5), 0);
  EXPECT_EQ(bytes.Size(), 41);
}

TEST(THash1, HoldsDistinctValuesInlineAndChained) {
  THash1 hash(13);
  EXPECT_EQ(hash.BucketCount(), 8192u);
  EXPECT_TRUE(hash.AddValue(0x123456));
  EXPECT_FALSE(hash.AddValue(0x123456));
  EXPECT_EQ(hash.Count(), 1);

  THash1 small(1);
  EXPECT_EQ(small.BucketCount(), 2u);
  int32_t bucket = -1;
  THash1Item* item = nullptr;
  EXPECT_TRUE(small.Insert(2, bucket, item));
  EXPECT_EQ(bucket, 0);
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(small.BucketState(0), 1);
  EXPECT_TRUE(small.Insert(4, bucket, item));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Value, 4u);
  EXPECT_EQ(small.BucketState(0), 2);
  EXPECT_TRUE(small.AddValue(6));
  EXPECT_FALSE(small.AddValue(2));
  EXPECT_FALSE(small.AddValue(4));
  EXPECT_FALSE(small.AddValue(6));
  EXPECT_TRUE(small.AddValue(3));
  EXPECT_EQ(small.BucketState(1), 1);
  EXPECT_EQ(small.Count(), 4);
}
