// The layer stream: byte layout, round trips, version handling, and damaged streams that must
// fail with the view's layers untouched.
#include <cstring>

#include <gtest/gtest.h>

#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/view/view_fixture.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using view_fixture::ViewWindow;

namespace {

using LayerStream = ViewWindow;

std::vector<uint8_t> Bytes(vcl::TMemoryStream& stream) {
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(p, p + stream.Size());
}

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t offset) {
  int32_t v;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

// Three layers above the base: a named, rotated, shifted one with user data; a mask of it;
// an unselectable, hidden one with an alpha channel.
void BuildLayers(TImageView* view) {
  view->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  view->GetIEBitmap()->Fill(0x203040);
  view->Update();
  view->AddLayer();
  TIELayer* a = view->CurrentLayer();
  a->Bitmap()->Allocate(12, 9, ie24RGB);
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 12; ++x) a->Bitmap()->SetPixel24(x, y, TRGB{uint8_t(x * 20), uint8_t(y * 25), 7});
  a->Name = "Top";
  a->PosX = -5;
  a->PosY = 17;
  a->Transparency = 140;
  a->SetRotate(30);
  a->Width = 24;
  a->Operation = 3;
  a->ResampleFilter = rfLanczos3;
  a->UseResampleFilter = true;
  a->DimOutside = true;
  uint8_t* data = a->AllocateUserData(12);
  for (int i = 0; i < 12; ++i) data[i] = uint8_t(0xA0 + i);
  view->AddLayer();
  TIELayer* mask = view->CurrentLayer();
  mask->Bitmap()->Allocate(12, 9, ie8g);
  mask->Bitmap()->Fill(128);
  mask->IsMask = true;
  mask->Name = "Mask of Top";
  view->AddLayer();
  TIELayer* c = view->CurrentLayer();
  c->Bitmap()->Allocate(5, 4, ie24RGB);
  c->Bitmap()->Fill(0xFFFFFF);
  c->Bitmap()->GetAlphaChannel()->Fill(77);
  c->Selectable = false;
  c->Visible = false;
  c->Magnify = true;
  c->MagnifyZoom = 3.5;
  view->Update();
}

std::vector<uint8_t> Save(TImageView* view, int32_t format) {
  vcl::TMemoryStream stream;
  view->SaveLayersToStream(&stream, format);
  return Bytes(stream);
}

bool Load(TImageView* view, const std::vector<uint8_t>& bytes) {
  vcl::TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  return view->LoadLayersFromStream(&stream);
}

}  // namespace

TEST_F(LayerStream, HeaderAndRecordLayoutOfOneLayerRaw) {
  MakeView();
  SetImage(10, 10, 0x123456);
  std::vector<uint8_t> bytes = Save(view, -2);
  ASSERT_GE(bytes.size(), 25u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 13), "DIDERORODOZID");
  EXPECT_EQ(Int32At(bytes, 13), 6);
  EXPECT_EQ(Int32At(bytes, 17), -2);
  EXPECT_EQ(Int32At(bytes, 21), 1);
  // The record of an unnamed layer without user data: 57 bytes, its image offset last.
  const size_t record = 25, offsetField = record + 57 - 8;
  EXPECT_EQ(bytes[record + 0], 1);                    // visible
  EXPECT_EQ(bytes[record + 1], 0);                    // box hidden on layer 0
  EXPECT_EQ(Int32At(bytes, record + 2), 255);         // transparency
  EXPECT_EQ(Int32At(bytes, offsetField), 25 + 57);    // image right after the records
  EXPECT_EQ(Int32At(bytes, offsetField + 4), 0);      // high word
  const int32_t count = Int32At(bytes, 25 + 57);
  EXPECT_EQ(bytes.size(), size_t(25 + 57 + 4 + count));

  vcl::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(3);
  EXPECT_FALSE(IsLayersStream(&stream));  // not at the start of one
  stream.SetPosition(0);
  EXPECT_TRUE(IsLayersStream(&stream));
  EXPECT_EQ(stream.Position(), 0);
}

TEST_F(LayerStream, FormatOneIsStoredAsEight) {
  MakeView();
  SetImage(4, 4, 0);
  vcl::TMemoryStream stream;
  try {
    view->SaveLayersToStream(&stream, 1);
  } catch (const vcl::Exception&) {
    // Whether file type 8 can be encoded here is the I/O registry's business.
  }
  std::vector<uint8_t> bytes = Bytes(stream);
  ASSERT_GE(bytes.size(), 25u);
  EXPECT_EQ(Int32At(bytes, 17), 8);
}

TEST_F(LayerStream, LayersEncodedByACodec) {
  MakeView();
  BuildLayers(view);
  view->SetLayersCurrent(1);
  const std::vector<uint8_t> bytes = Save(view, 3);  // JPEG
  EXPECT_EQ(Int32At(bytes, 17), 3);
  auto saved = std::move(form);
  MakeView();
  ASSERT_TRUE(Load(view, bytes));
  ASSERT_EQ(view->LayersCount(), 4);
  EXPECT_EQ(view->GetLayer(1)->Name, "Top");
  EXPECT_EQ(view->GetLayer(1)->Bitmap()->Width(), 12);
  EXPECT_EQ(view->GetLayer(0)->Bitmap()->Width(), 40);
  EXPECT_EQ(view->GetLayer(2)->Bitmap()->PixelFormat(), ie8g);  // a mask stays grey
  form = std::move(saved);
}

// The I/O object reports a failed encoding only through its flag: the save must not pass it
// off as a complete stream.
TEST_F(LayerStream, AFormatThatCannotBeWrittenFailsTheSave) {
  MakeView();
  BuildLayers(view);
  view->SetLayersCurrent(1);
  vcl::TMemoryStream stream;
  EXPECT_THROW(view->SaveLayersToStream(&stream, 9), vcl::Exception);  // metafiles are read only
  EXPECT_EQ(view->LayersCurrent(), 1);
  EXPECT_TRUE(view->SkipUnselectableLayers());
}

TEST_F(LayerStream, SeveralLayersRoundTripByteForByte) {
  for (int32_t format : {-2, -1}) {
    SCOPED_TRACE(format);
    MakeView();
    BuildLayers(view);
    view->SetLayersCurrent(1);
    const std::vector<uint8_t> first = Save(view, format);
    EXPECT_EQ(view->LayersCurrent(), 1);  // saving leaves the current layer
    EXPECT_TRUE(view->SkipUnselectableLayers());

    // Into another view: same layers, same properties, same pixels, same bytes again.
    auto saved = std::move(form);
    MakeView();
    ASSERT_TRUE(Load(view, first));
    ASSERT_EQ(view->LayersCount(), 4);
    EXPECT_EQ(view->LayersCurrent(), 3);  // the last one read, though not selectable
    TIELayer* a = view->GetLayer(1);
    EXPECT_EQ(a->Name, "Top");
    EXPECT_EQ(a->PosX, -5);
    EXPECT_EQ(a->PosY, 17);
    EXPECT_EQ(a->Transparency, 140);
    EXPECT_EQ(a->Width, 24);
    EXPECT_EQ(a->Operation, 3);
    EXPECT_EQ(a->ResampleFilter, rfLanczos3);
    EXPECT_TRUE(a->UseResampleFilter);
    EXPECT_TRUE(a->DimOutside);
    EXPECT_EQ(a->Rotate(), 0);  // rotations are not stored
    ASSERT_EQ(a->UserDataSize(), 12);
    EXPECT_EQ(static_cast<uint8_t*>(a->UserData())[11], 0xAB);
    EXPECT_EQ(a->Bitmap()->GetPixel24(11, 8).r, 7);
    EXPECT_EQ(a->Bitmap()->GetPixel24(11, 8).b, 220);
    EXPECT_TRUE(view->GetLayer(2)->IsMask);
    EXPECT_EQ(view->GetLayer(2)->Bitmap()->PixelFormat(), ie8g);
    TIELayer* c = view->GetLayer(3);
    EXPECT_FALSE(c->Selectable);
    EXPECT_FALSE(c->Visible);
    EXPECT_DOUBLE_EQ(c->MagnifyZoom, 3.5);
    ASSERT_TRUE(c->Bitmap()->HasAlphaChannel());
    EXPECT_EQ(c->Bitmap()->GetAlphaAt(4, 3), 77);
    EXPECT_EQ(view->ImageWidth(), 40);
    view->SetLayersCurrent(1);
    EXPECT_EQ(Save(view, format), first);
    form = std::move(saved);
  }
}

TEST_F(LayerStream, RefusalsAndOldVersions) {
  MakeView();
  BuildLayers(view);
  std::vector<uint8_t> bytes = Save(view, -2);

  std::vector<uint8_t> noSignature = bytes;
  noSignature[0] = 'X';
  EXPECT_FALSE(Load(view, noSignature));
  EXPECT_FALSE(Load(view, {}));
  EXPECT_EQ(view->LayersCount(), 4);

  std::vector<uint8_t> version0 = bytes;
  std::memset(version0.data() + 13, 0, 4);
  EXPECT_FALSE(Load(view, version0));
  EXPECT_EQ(view->LayersCount(), 4);

  // A stream with no layers leaves only layer 0.
  std::vector<uint8_t> empty(bytes.begin(), bytes.begin() + 25);
  std::memset(empty.data() + 21, 0, 4);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(empty.data(), 25);
  stream.SetPosition(0);
  EXPECT_FALSE(IsLayersStream(&stream));
  EXPECT_TRUE(view->LoadLayersFromStream(&stream));
  EXPECT_EQ(view->LayersCount(), 1);
}

TEST_F(LayerStream, VersionTwoRecordsHaveNoLaterFields) {
  MakeView();
  SetImage(3, 2, 0x00FF00);
  // Header, one version-2 record (43 bytes: the image offset follows the height override),
  // then the raw image.
  vcl::TMemoryStream raw;
  TIEBitmap pixels(3, 2, ie24RGB);
  pixels.Fill(0x0000FF);
  pixels.SaveRawToStream(&raw);
  std::vector<uint8_t> image = Bytes(raw);
  std::vector<uint8_t> s;
  auto put32 = [&](int32_t v) { s.insert(s.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 4); };
  s.insert(s.end(), {'D', 'I', 'D', 'E', 'R', 'O', 'R', 'O', 'D', 'O', 'Z', 'I', 'D'});
  put32(2);
  put32(-2);
  put32(1);
  s.push_back(1);  // visible
  s.push_back(1);  // box visible
  put32(200);      // transparency
  put32(4);        // x
  put32(6);        // y
  s.push_back(0);
  s.push_back(0);
  s.push_back(0);  // magnifier
  double zoom = 2;
  s.insert(s.end(), reinterpret_cast<uint8_t*>(&zoom), reinterpret_cast<uint8_t*>(&zoom) + 8);
  s.push_back(0);  // shape
  s.push_back(0);  // operation
  put32(0);
  put32(0);
  put32(25 + 43);
  put32(0);
  ASSERT_EQ(s.size(), 25u + 43u);
  put32(static_cast<int32_t>(image.size()));
  s.insert(s.end(), image.begin(), image.end());
  view->CurrentLayer()->Name = "kept";
  ASSERT_TRUE(Load(view, s));
  EXPECT_EQ(view->CurrentLayer()->Transparency, 200);
  EXPECT_EQ(view->CurrentLayer()->PosX, 4);
  EXPECT_EQ(view->CurrentLayer()->Name, "kept");  // not in a version-2 record
  const TRGB expected = pixels.GetPixel24(2, 1), got = view->GetIEBitmap()->GetPixel24(2, 1);
  EXPECT_EQ(std::memcmp(&expected, &got, 3), 0);
}

// Every cut and damaged copy either loads or raises the reader's error; a failure leaves the
// view's layers exactly as they were.
TEST_F(LayerStream, DamagedStreamsFailAndLeaveTheLayers) {
  for (int32_t format : {-2, -1}) {
    SCOPED_TRACE(format);
    MakeView();
    BuildLayers(view);
    const std::vector<uint8_t> valid = Save(view, format);
    auto saved = std::move(form);
    MakeView();
    SetImage(7, 5, 0x445566);
    view->AddLayer();
    view->CurrentLayer()->Name = "before";
    const std::vector<uint8_t> before = Save(view, -2);
    int failures = 0;
    fuzz::Fuzz("layer stream", valid, 12 + format, [&](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      bool loaded = false;
      try {
        loaded = view->LoadLayersFromStream(&stream);
      } catch (const vcl::Exception&) {
        ++failures;
        ASSERT_EQ(Save(view, -2), before);
        throw;
      }
      if (loaded) {
        // A load that passed may have changed the layers: put the starting ones back.
        ASSERT_TRUE(Load(view, before));
        ASSERT_EQ(Save(view, -2), before);
      } else {
        ASSERT_EQ(Save(view, -2), before);
      }
    });
    EXPECT_GT(failures, 0);
    form = std::move(saved);
  }
}

TEST_F(LayerStream, HugeCountsAndSizesAreRefusedBeforeAllocating) {
  MakeView();
  BuildLayers(view);
  const std::vector<uint8_t> valid = Save(view, -2);
  const std::vector<uint8_t> before = valid;
  struct Patch {
    size_t offset;
    int32_t value;
  };
  const size_t record1 = 25 + 57;  // layer 1's record: its name length at +38, user data size at +45
  const Patch patches[] = {
      {21, 0x7FFFFFFF},            // layer count
      {21, 5},                     // more layers than records fit
      {record1 + 38, 0x7FFFFFF0},  // name length
      {record1 + 38, -4},
      {record1 + 45, 0x7FFFFFF0},  // user data size
      {record1 + 45, -1},
      {record1 + 45 + 4 + 12 + 3, 0x7FFFFFF0},  // image offset beyond the stream
  };
  for (const Patch& p : patches) {
    SCOPED_TRACE(p.offset);
    std::vector<uint8_t> bytes = valid;
    std::memcpy(bytes.data() + p.offset, &p.value, 4);
    EXPECT_THROW(Load(view, bytes), vcl::EReadError);
    EXPECT_EQ(Save(view, -2), before);
  }
  // Layer 0's image byte count.
  std::vector<uint8_t> bytes = valid;
  const int32_t image0 = Int32At(bytes, 25 + 57 - 8);
  const int32_t huge = 0x7FFFFFF0;
  std::memcpy(bytes.data() + image0, &huge, 4);
  EXPECT_THROW(Load(view, bytes), vcl::EReadError);
  EXPECT_EQ(Save(view, -2), before);
}

TEST_F(LayerStream, FromAFile) {
  MakeView();
  BuildLayers(view);
  TestTempFolder folder;
  const std::string name = folder.File("layers.lyr");
  {
    vcl::TFileStream file(name, vcl::fmCreate);
    view->SaveLayersToStream(&file, -1);
  }
  view->ClearLayers();
  ASSERT_TRUE(view->LoadLayersFromFile(name));
  EXPECT_EQ(view->LayersCount(), 4);
  EXPECT_THROW(view->LoadLayersFromFile(folder.File("missing.lyr")), vcl::Exception);
  EXPECT_EQ(view->LayersCount(), 4);
}
