// The IEV stream: its exact layout, round trips of every kind, old versions, and damaged or
// hostile streams that must raise and leave the current objects as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/coding/zlib_streams.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/text_control.h"
#include "imaging/vect/vect_stream_format.h"
#include "tests/imaging/vect/vect_fixture.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace vect_test;

namespace {

using VectStream = VectWindow;

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t at) {
  int32_t v;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

// Little-endian fields of a hand-made stream.
class Bytes {
 public:
  Bytes& U8(uint8_t v) { return Raw(&v, 1); }
  Bytes& I32(int32_t v) { return Raw(&v, 4); }
  Bytes& F64(double v) { return Raw(&v, 8); }
  Bytes& Str(const std::string& s) { return I32(static_cast<int32_t>(s.size())).Raw(s.data(), s.size()); }
  Bytes& Raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data.insert(data.end(), b, b + n);
    return *this;
  }
  std::vector<uint8_t> data;
};

// "IEV", the version, a length, the scale, an empty table and the records deflated.
std::vector<uint8_t> MakeStream(char version, int32_t count, const std::vector<uint8_t>& records) {
  vcl::TMemoryStream stream;
  Bytes head;
  head.Raw("IEV", 3).U8(static_cast<uint8_t>(version)).I32(0);
  if (version == '1')
    head.I32(1);
  else
    head.F64(1.0);
  head.I32(0);
  stream.WriteBuffer(head.data.data(), static_cast<int32_t>(head.data.size()));
  {
    TZCompressionStream packed(&stream, 2);
    packed.WriteBuffer(&count, 4);
    if (!records.empty()) packed.WriteBuffer(records.data(), static_cast<int32_t>(records.size()));
  }
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(p, p + stream.Size());
}

// The common fields of a version 'R' record, up to and including the user data.
Bytes CommonR(uint8_t kind) {
  Bytes b;
  b.I32(0).I32(1).I32(2).I32(30).I32(40).U8(kind).U8(0).U8(0);
  b.U8(0).F64(3.0).I32(2).I32(2).I32(100).U8(0).U8(0).U8(0);
  b.Str("").I32(0).I32(0).U8(0).I32(1).I32(0xFFFFFF).U8(1).U8(15).I32(255).U8(0).U8(0).I32(0);
  return b;
}

bool Load(TImageVect* view, const std::vector<uint8_t>& bytes) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  return view->LoadObjectsFromStream(&stream);
}

TEST_F(VectStream, ANewViewWritesTheHeaderAnEmptyTemplateEntryAndNoObjects) {
  MakeView();
  const std::vector<uint8_t> bytes = SavedObjects(view);
  ASSERT_GE(bytes.size(), 24u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "IEVR");
  EXPECT_EQ(Int32At(bytes, 4), static_cast<int32_t>(bytes.size()));
  double scale;
  std::memcpy(&scale, bytes.data() + 8, 8);
  EXPECT_EQ(scale, 1.0);
  EXPECT_EQ(Int32At(bytes, 16), 1);  // the template's icon
  EXPECT_EQ(Int32At(bytes, 20), 0);  // kept only by the template: no image
  std::vector<uint8_t> inflated;
  InflateBuffer(bytes.data() + 24, static_cast<int32_t>(bytes.size() - 24), inflated, 0, 1 << 20);
  EXPECT_EQ(inflated, std::vector<uint8_t>({0, 0, 0, 0}));
}

TEST_F(VectStream, EveryKindComesBackTheSameInTheSameOrderAndSavesToTheSameBytes) {
  MakeView();
  AddObjectsOfEveryKind(view);
  view->SetScale(2.5);
  const std::vector<uint8_t> saved = SavedObjects(view);

  TImageVect* original = view;
  auto keep = std::move(form);
  MakeView();
  ASSERT_TRUE(Load(view, saved));
  ASSERT_EQ(view->ObjectsCount(), original->ObjectsCount());
  EXPECT_EQ(view->Scale(), 2.5);
  for (int32_t i = 0; i < view->ObjectsCount(); ++i) {
    EXPECT_EQ(view->GetObjFromIndex(i), i);  // handles are numbered anew in reading order
    ExpectSameObject(*original->GetObjectRecord(original->GetObjFromIndex(i)), *view->GetObjectRecord(i),
                     "object " + std::to_string(i));
  }
  EXPECT_EQ(SavedObjects(view), saved);
  keep.reset();
}

TEST_F(VectStream, TwoBitmapObjectsOfOnePictureShareOneEntry) {
  MakeView();
  AddObjectsOfEveryKind(view);
  const std::vector<uint8_t> saved = SavedObjects(view);
  // The template's icon first (count 0, no image), then the shared picture written once.
  EXPECT_EQ(Int32At(saved, 16), 2);
  EXPECT_EQ(Int32At(saved, 20), 0);
  EXPECT_EQ(Int32At(saved, 24), 2);
  view->RemoveAllObjects();
  ASSERT_TRUE(Load(view, saved));
  std::vector<int32_t> bitmaps;
  for (int32_t i = 0; i < view->ObjectsCount(); ++i)
    if (view->GetObjectRecord(i)->Kind == vkBitmap) bitmaps.push_back(i);
  ASSERT_EQ(bitmaps.size(), 2u);
  const int32_t entry = view->GetObjectRecord(bitmaps[0])->BitmapIndex;
  EXPECT_EQ(view->GetObjectRecord(bitmaps[1])->BitmapIndex, entry);
  EXPECT_EQ(view->BitmapTableRefCount(entry), 2);
  EXPECT_EQ(PixelAt(view->GetObjBitmap(bitmaps[0]), 3, 3), 0xCC6633u);  // the picture's colour
  EXPECT_NE(view->GetObjBitmap(hobjTemplate), nullptr);  // the template keeps its icon
}

TEST_F(VectStream, OtherMagicsAndVersionsAreRefusedAndChangeNothing) {
  MakeView();
  AddObjectsOfEveryKind(view);
  const std::vector<uint8_t> before = SavedObjects(view);
  for (const char* head : {"IEVS", "IEV0", "IEW1", "iev1"}) {
    std::vector<uint8_t> bytes = before;
    std::memcpy(bytes.data(), head, 4);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream.SetPosition(0);
    EXPECT_FALSE(IsIEVStream(&stream)) << head;
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_FALSE(view->LoadObjectsFromStream(&stream)) << head;
    EXPECT_EQ(stream.Position(), 4);
  }
  EXPECT_EQ(SavedObjects(view), before);
}

TEST_F(VectStream, OldVersionsTakeTheDefaultsOfFieldsTheyDoNotStore) {
  MakeView();
  // Version 'H': a handle, but no KeepAspect, no BlendOp, a shadow without intensity and colour,
  // no TextQuality and no user data; a text without TextEditable.
  Bytes text;
  text.I32(5).I32(1).I32(2).I32(30).I32(40).U8(vkText);
  text.U8(1).F64(5.0).I32(4).I32(6);  // shadow: enabled, radius, offsets
  text.Str("old").I32(9).I32(0xFF).U8(0).I32(3).I32(0xFFFFFF).U8(1).U8(15).I32(128).U8(0);
  text.U8(2).U8(1).Str("hello").U8(0).I32(0);  // align, autosize, text, no font, no curve
  ASSERT_TRUE(Load(view, MakeStream('H', 1, text.data)));
  ASSERT_EQ(view->ObjectsCount(), 1);
  TIEVectorObject& r = *view->GetObjectRecord(0);
  EXPECT_EQ(r.Text, "hello");
  EXPECT_EQ(r.TextEditable, 1);
  EXPECT_TRUE(r.UserData.empty());
  EXPECT_EQ(r.SoftShadow.Intensity, 100);
  EXPECT_EQ(r.SoftShadow.Radius, 5.0);
  EXPECT_EQ(r.Transparency, 128);
  ASSERT_TRUE(r.Font.has_value());  // a text read without font takes the template's

  // Version '1': an integer scale, a ruler and an angle without their fonts, a group of two.
  Bytes old;
  auto common1 = [&](uint8_t kind) {
    old.I32(0).I32(0).I32(50).I32(0).U8(kind).Str("").I32(0).I32(0).U8(0).I32(1).I32(0).U8(1).U8(15);
  };
  common1(vkNone);
  old.I32(2);  // the group's members follow
  common1(vkRuler);
  common1(vkAngle);
  ASSERT_TRUE(Load(view, MakeStream('1', 1, old.data)));
  ASSERT_EQ(view->ObjectsCount(), 2);
  EXPECT_EQ(view->GetObjectRecord(0)->Kind, vkRuler);
  EXPECT_EQ(view->GetObjectRecord(0)->Font->lfHeight, 12);
  EXPECT_STREQ(view->GetObjectRecord(0)->Font->lfFaceName, "Arial");
  EXPECT_EQ(view->GetObjectRecord(1)->Font->lfHeight, 10);
  EXPECT_EQ(view->GetObjectRecord(1)->AnglePoints[2].x, view->Template().AnglePoints[2].x);
}

TEST_F(VectStream, MemoUseCountsAreRebuiltFromTheCharacters) {
  MakeView();
  Bytes memo = CommonR(vkMemo);
  TIECharFormat a = charformat::Make("Arial", -12, 0, 0, 0xFFFFFF, 0, 0);
  TIECharFormat b = charformat::Make("Arial", -20, 1, 0, 0xFFFFFF, 0, 0);
  charformat::SetUseCount(a, 0);   // stored as unused although characters refer to it
  charformat::SetUseCount(b, 99);  // more than the text has
  memo.Str("abc").U8(0).U8(1).I32(0).I32(1).I32(0).I32(2).Raw(a.data(), 280).Raw(b.data(), 280);
  memo.U8(0).U8(0).I32(0).I32(0).U8(0).U8(0).I32(0).U8(0).F64(0).F64(0).F64(0).F64(0).U8(0);
  memo.U8(1);  // TextEditable
  ASSERT_TRUE(Load(view, MakeStream('R', 1, memo.data)));
  const TIEVectorObject& r = *view->GetObjectRecord(0);
  ASSERT_EQ(r.CharFormats.size(), 2u);
  EXPECT_EQ(charformat::UseCount(r.CharFormats[0]), 2);
  EXPECT_EQ(charformat::UseCount(r.CharFormats[1]), 1);
}

TEST_F(VectStream, HostileValuesRaiseAndLeaveTheObjects) {
  MakeView();
  AddObjectsOfEveryKind(view);
  const std::vector<uint8_t> before = SavedObjects(view);
  auto memoWith = [](int32_t index, int32_t formats) {
    Bytes b = CommonR(vkMemo);
    b.Str("a").U8(0).U8(1).I32(index).I32(formats);
    TIECharFormat f = charformat::Make("Arial", -12, 0, 0, 0, 0, 0);
    for (int32_t i = 0; i < formats; ++i) b.Raw(f.data(), 280);
    b.U8(0).U8(0).I32(0).I32(0).U8(0).U8(0).I32(0).U8(0).F64(0).F64(0).F64(0).F64(0).U8(0).U8(1);
    return b.data;
  };
  auto nested = [](int32_t depth) {
    Bytes b;
    for (int32_t i = 0; i < depth; ++i) b.Raw(CommonR(vkNone).data.data(), CommonR(vkNone).data.size()).I32(1).U8(1);
    return b.data;
  };
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"unknown kind", CommonR(200).data},
      {"negative user data", [] { Bytes b = CommonR(vkBox); b.data.resize(b.data.size() - 4); return b.I32(-5).data; }()},
      {"huge user data", [] { Bytes b = CommonR(vkBox); b.data.resize(b.data.size() - 4); return b.I32(0x7FFFFFF0).data; }()},
      {"negative curve", [] { Bytes b = CommonR(vkText); return b.U8(0).U8(0).Str("t").U8(0).I32(-1).data; }()},
      {"huge point count", [] { Bytes b = CommonR(vkPolyline); return b.U8(1).I32(0x10000000).data; }()},
      {"format index past the list", memoWith(3, 1)},
      {"negative format count", memoWith(0, -1)},
      {"groups nested without end", nested(200)},
      {"unregistered class", [] { Bytes b = CommonR(vkExtended); return b.U8(0).U8(0).Str("").U8(0).I32(0).U8(1).U8(1).Str("TNoSuchClass").data; }()},
      {"shadow radius not a number", [] {
         Bytes b;
         b.I32(0).I32(1).I32(2).I32(30).I32(40).U8(vkBox).U8(0).U8(0).U8(1).F64(std::nan(""));
         return b.data;
       }()},
      {"object count only", std::vector<uint8_t>()},
  };
  for (const auto& [name, records] : cases) {
    const std::vector<uint8_t> bytes = MakeStream('R', name == "object count only" ? 5 : 1, records);
    EXPECT_THROW(Load(view, bytes), vcl::Exception) << name;
    EXPECT_EQ(SavedObjects(view), before) << name;
  }
  // A table that claims more entries than the stream could hold.
  std::vector<uint8_t> table = MakeStream('R', 0, {});
  std::memcpy(table.data() + 16, "\xFF\xFF\xFF\x0F", 4);
  EXPECT_THROW(Load(view, table), vcl::Exception);
  EXPECT_EQ(SavedObjects(view), before);
}

TEST_F(VectStream, ABitmapIndexOutsideTheTableLoadsAsNoBitmap) {
  MakeView();
  Bytes b = CommonR(vkBitmap);
  b.I32(7).U8(0).Str("").U8(1);
  ASSERT_TRUE(Load(view, MakeStream('R', 1, b.data)));
  EXPECT_EQ(view->GetObjectRecord(0)->BitmapIndex, -1);
  EXPECT_EQ(view->GetObjBitmap(0), nullptr);
}

TEST_F(VectStream, TruncatedAndDamagedStreamsRaiseAndLeaveTheObjects) {
  MakeView();
  AddObjectsOfEveryKind(view);
  const std::vector<uint8_t> valid = SavedObjects(view);
  const std::vector<uint8_t> before = valid;
  fuzz::Fuzz("IEV stream", valid, 1304, [&](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    bool loaded = false;
    try {
      loaded = view->LoadObjectsFromStream(&stream);
    } catch (const vcl::Exception&) {
      // A refused stream must not have touched the objects.
      if (SavedObjects(view) != before) ADD_FAILURE() << "a failed load changed the objects (size " << size << ")";
      throw;
    }
    // A damaged copy that still loads replaced the objects: put the originals back.
    if (loaded) {
      vcl::TMemoryStream original;
      original.WriteBuffer(before.data(), static_cast<int32_t>(before.size()));
      original.SetPosition(0);
      view->LoadObjectsFromStream(&original);
    }
  });
  EXPECT_EQ(SavedObjects(view), before);
}

TEST_F(VectStream, LayersAndObjectsTravelInOneStream) {
  MakeView();
  AddObjectsOfEveryKind(view);
  const std::vector<uint8_t> objects = SavedObjects(view);
  vcl::TMemoryStream stream;
  view->SaveLayersAndObjectsToStream(&stream, -1);
  stream.SetPosition(0);
  EXPECT_TRUE(IsLayersAndObjectsStream(&stream));
  EXPECT_EQ(stream.Position(), 0);
  const int32_t offset = [&] {
    int32_t v;
    std::memcpy(&v, stream.Memory(), 4);
    return v;
  }();
  stream.SetPosition(offset);
  EXPECT_TRUE(IsIEVStream(&stream));

  view->RemoveAllObjects();
  stream.SetPosition(0);
  ASSERT_TRUE(view->LoadLayersAndObjectsFromStream(&stream));
  EXPECT_EQ(SavedObjects(view), objects);

  vcl::TMemoryStream plain;
  plain.WriteBuffer(objects.data(), static_cast<int32_t>(objects.size()));
  plain.SetPosition(0);
  EXPECT_FALSE(IsLayersAndObjectsStream(&plain));
}

TEST_F(VectStream, FilesLoadByNameAndAMissingFileRaises) {
  MakeView();
  AddObjectsOfEveryKind(view);
  const std::vector<uint8_t> objects = SavedObjects(view);
  TestTempFolder folder;
  const std::string name = folder.File("objects.iev");
  {
    vcl::TFileStream file(name, vcl::fmCreate);
    file.WriteBuffer(objects.data(), static_cast<int32_t>(objects.size()));
  }
  view->RemoveAllObjects();
  EXPECT_FALSE(view->LoadObjectsFromFile(""));
  EXPECT_TRUE(view->LoadObjectsFromFile(name));
  EXPECT_EQ(SavedObjects(view), objects);
  EXPECT_THROW(view->LoadObjectsFromFile(folder.File("missing.iev")), vcl::Exception);
  EXPECT_EQ(SavedObjects(view), objects);
}

}  // namespace
