// Random damage fed to the readers of picture files and records: every input must end in a
// picture or in the reader's own error, never in a crash, a hang or a read past its end (see
// tests/support/fuzz_driver.h for the knobs of a longer local run).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/annotations.h"
#include "imaging/model/dib_bitmap.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/metadata/iptc.h"
#include "imaging/model/routines/dib_import.h"
#include "imaging/model/routines/yuv_decoders.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/graphics/metafile.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using fuzz::Bytes;
using fuzz::Fuzz;
using fuzz::TGuardedStream;

namespace {

std::unique_ptr<vcl::TBitmap> ReaderPicture(int width, int height, vcl::TPixelFormat format) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  auto* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(vcl::clRed);
  canvas->FillRect(vcl::Rect(0, 0, width, height));
  canvas->Brush()->SetColor(vcl::clBlue);
  canvas->FillRect(vcl::Rect(1, 1, width / 2, height / 2));
  return bitmap;
}

Bytes Saved(vcl::TGraphic& graphic) {
  vcl::TMemoryStream stream;
  graphic.SaveToStream(&stream);
  const auto* data = static_cast<const uint8_t*>(stream.Memory());
  return Bytes(data, data + stream.Size());
}

template <typename TGraphicClass>
void LoadAndDraw(uint8_t* data, int32_t size) {
  TGuardedStream stream(data, size);
  TGraphicClass graphic;
  graphic.LoadFromStream(&stream);
  auto target = ReaderPicture(8, 8, vcl::pf24bit);
  target->Canvas()->StretchDraw(vcl::Rect(0, 0, 8, 8), &graphic);
}

}  // namespace

TEST(ReaderFuzz, BitmapFiles) {
  const vcl::TPixelFormat formats[] = {vcl::pf1bit, vcl::pf4bit, vcl::pf8bit, vcl::pf16bit, vcl::pf24bit, vcl::pf32bit};
  unsigned seed = 1;
  for (auto format : formats) {
    auto bitmap = ReaderPicture(7, 5, format);
    Fuzz("bmp", Saved(*bitmap), seed++, &LoadAndDraw<vcl::TBitmap>);
  }
}

TEST(ReaderFuzz, PackedDIBs) {
  const vcl::TPixelFormat formats[] = {vcl::pf1bit, vcl::pf4bit, vcl::pf8bit, vcl::pf16bit, vcl::pf24bit, vcl::pf32bit};
  unsigned seed = 100;
  for (auto format : formats) {
    auto bitmap = ReaderPicture(7, 5, format);
    Bytes file = Saved(*bitmap);
    Bytes dib(file.begin() + 14, file.end());
    Fuzz("dib", dib, seed++, [](uint8_t* data, int32_t size) {
      TIEBitmap target;
      PackedDIBToIEBitmap(data, size_t(size), &target);
    });
  }
}

namespace {

// A packed YUV frame of the layout whose header declares `bitCount`, which need not be the
// layout's own: the header comes from the clipboard or a capture device and may say anything.
Bytes YUVDib(const char* fourcc, int32_t width, int32_t height, int bitCount) {
  const uint32_t compression = uint32_t(uint8_t(fourcc[0])) | (uint32_t(uint8_t(fourcc[1])) << 8) |
                               (uint32_t(uint8_t(fourcc[2])) << 16) | (uint32_t(uint8_t(fourcc[3])) << 24);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bitCount);
  h.biCompression = compression;
  Bytes dib(sizeof h);
  std::memcpy(dib.data(), &h, sizeof h);
  const int64_t frame = YUVFrameSize(compression, width, height);
  for (int64_t i = 0; i < frame; ++i) dib.push_back(uint8_t(16 + i * 37 % 220));
  return dib;
}

}  // namespace

TEST(ReaderFuzz, PackedYUVFramesWithAnyDeclaredBitCount) {
  const char* layouts[] = {"YUY2", "UYVY", "cyuv", "IYU1", "IYU2", "Y41P", "Y211", "CLJR", "YVU9", "YV12", "I420"};
  const int bitCounts[] = {0, 1, 4, 8, 12, 16, 24, 32};
  unsigned seed = 150;
  for (const char* layout : layouts)
    for (int bitCount : bitCounts) {
      Fuzz("yuv dib", YUVDib(layout, 7, 5, bitCount), seed++, [](uint8_t* data, int32_t size) {
        TIEBitmap target;
        PackedDIBToIEBitmap(data, size_t(size), &target);
        // Whatever the header says, a decoded frame is 24-bit, never rows of another layout.
        if (!target.IsEmpty() && target.GetPixelFormat() != ie1g) { EXPECT_EQ(target.GetPixelFormat(), ie24RGB); }
        TIEDibbitmap drawn;
        PackedDIBToDibbitmap(data, size_t(size), &drawn);
      });
    }
}

TEST(ReaderFuzz, JPEGFiles) {
  auto bitmap = ReaderPicture(19, 13, vcl::pf24bit);
  vcl::TJPEGImage jpeg;
  jpeg.Assign(bitmap.get());
  Fuzz("jpeg", Saved(jpeg), 200, &LoadAndDraw<vcl::TJPEGImage>);
  jpeg.SetProgressiveEncoding(true);
  jpeg.Compress();
  Fuzz("progressive jpeg", Saved(jpeg), 201, &LoadAndDraw<vcl::TJPEGImage>);
}

TEST(ReaderFuzz, IconFiles) {
  auto color = ReaderPicture(16, 16, vcl::pf32bit);
  auto mask = ReaderPicture(16, 16, vcl::pf1bit);
  ICONINFO info{TRUE, 0, 0, mask->Handle(), color->Handle()};
  vcl::TIcon icon;
  icon.SetHandle(CreateIconIndirect(&info));
  Fuzz("ico", Saved(icon), 300, &LoadAndDraw<vcl::TIcon>);
}

TEST(ReaderFuzz, MetafileFiles) {
  for (bool enhanced : {true, false}) {
    vcl::TMetafile metafile;
    metafile.SetMMWidth(500);
    metafile.SetMMHeight(500);
    {
      vcl::TMetafileCanvas canvas(&metafile, nullptr, "Mergeon", "Fuzz");
      canvas.Brush()->SetColor(vcl::clRed);
      canvas.FillRect(vcl::Rect(0, 0, 10, 10));
      canvas.TextOut(1, 1, "ab");
    }
    metafile.SetEnhanced(enhanced);
    Fuzz("metafile", Saved(metafile), 400 + enhanced, &LoadAndDraw<vcl::TMetafile>);
  }
}

TEST(ReaderFuzz, RawBitmapRecords) {
  const TIEPixelFormat formats[] = {ie1g, ie8p, ie8g, ie24RGB, ie32RGB, ie16g, ieRGB48, ie32f, ieCMYK, ieCIELab};
  unsigned seed = 500;
  for (auto format : formats) {
    TIEBitmap bitmap(5, 3, format);
    if (format == ie24RGB) bitmap.SetAlphaAt(1, 1, 9);
    vcl::TMemoryStream stream;
    bitmap.SaveRawToStream(&stream);
    const auto* data = static_cast<const uint8_t*>(stream.Memory());
    const Bytes record(data, data + stream.Size());
    Fuzz("raw block", record, seed++, [](uint8_t* data, int32_t size) {
      TIEBitmap target;
      target.LoadRawFromBlock(data, size);
    });
    Fuzz("raw stream", record, seed++, [](uint8_t* data, int32_t size) {
      TGuardedStream stream(data, size);
      TIEBitmap target;
      target.LoadRawFromStream(&stream);
    });
  }
}

TEST(ReaderFuzz, IPTCBlocks) {
  TIEIPTCInfoList list;
  const std::string texts[] = {"A caption", "keyword", std::string(300, 'c')};
  const int32_t dataSets[] = {120, 25, 116};
  for (int i = 0; i < 3; ++i) list.AddItem(2, dataSets[i], int32_t(texts[i].size()), texts[i].data());
  unsigned seed = 600;
  for (bool photoshop : {false, true})
    Fuzz("iptc", list.SaveToBuffer(photoshop), seed++, [](uint8_t* data, int32_t size) {
      TIEIPTCInfoList back;
      back.LoadFromBuffer(data, size);
    });
}

TEST(ReaderFuzz, AnnotationBlocks) {
  TIEImagingAnnot annot;
  for (int32_t type : {3, 5, 7}) {
    auto mark = std::make_unique<TIEImagingObject>();
    mark->SetMarkType(type);
    mark->Points = {{10, 20}, {-30, 40}, {5, 6}};
    mark->Text = "Note";
    annot.Objects.push_back(std::move(mark));
  }
  Fuzz("annotations", annot.SaveToBuffer(), 700, [](uint8_t* data, int32_t size) {
    TIEImagingAnnot back;
    back.LoadFromBuffer(data, size);
  });
}
