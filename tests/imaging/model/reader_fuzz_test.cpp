// Random damage fed to the readers of picture files and records: every input must end in a
// picture or in the reader's own error, never in a crash, a hang or a read past its end. The
// inputs end at an inaccessible page. MERGEON_FUZZ_ITERATIONS sets how many damaged copies of
// each sample are tried (a few by default, many when hunting locally); an input that runs too
// long is written to MERGEON_FUZZ_HANG_FILE (or a file under the temporary folder) before the
// process stops; MERGEON_FUZZ_REPLAY names a file to feed instead.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/model/annotations.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/iptc.h"
#include "imaging/proc/routines/dib_import.h"
#include "tests/imaging/model/metadata_test_util.h"
#include "vcl/bitmap.h"
#include "vcl/canvas.h"
#include "vcl/exceptions.h"
#include "vcl/icon.h"
#include "vcl/jpeg.h"
#include "vcl/metafile.h"
#include "vcl/streams.h"
#include "vcl/win.h"

using namespace imaging;
using metadata_test::Bytes;
using metadata_test::GuardedBuffer;

namespace {

// A read-only stream over a guarded buffer.
class TGuardedStream : public vcl::TCustomMemoryStream {
 public:
  TGuardedStream(uint8_t* data, int32_t size) { SetPointer(data, size); }
  int32_t Write(const void*, int32_t) override { return 0; }
};

int Iterations() {
  const char* text = std::getenv("MERGEON_FUZZ_ITERATIONS");
  return text ? std::atoi(text) : 40;
}

// Stops the process when one input takes far longer than any reader should, after writing
// that input where it can be replayed.
class Watchdog {
 public:
  Watchdog() {
    thread_ = CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
  }
  ~Watchdog() {
    stop_ = 1;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  void Start(const Bytes& input) {
    current_ = input;
    started_ = GetTickCount();
    busy_ = 1;
  }
  void Done() { busy_ = 0; }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* dog = static_cast<Watchdog*>(self);
    while (!dog->stop_) {
      Sleep(200);
      if (dog->busy_ && GetTickCount() - dog->started_ > 20000) {
        const char* path = std::getenv("MERGEON_FUZZ_HANG_FILE");
        std::string name = path ? path : "/tmp/mergeon-fuzz-hang.bin";
        if (FILE* f = std::fopen(name.c_str(), "wb")) {
          std::fwrite(dog->current_.data(), 1, dog->current_.size(), f);
          std::fclose(f);
        }
        std::fprintf(stderr, "reader ran too long; input written to %s\n", name.c_str());
        std::fflush(stderr);
        ExitProcess(3);
      }
    }
    return 0;
  }
  HANDLE thread_ = nullptr;
  volatile LONG stop_ = 0;
  volatile LONG busy_ = 0;
  volatile DWORD started_ = 0;
  Bytes current_;
};

// One damaged copy: bit flips, telling byte values, large 32-bit numbers, cuts, and ranges
// repeated or taken out.
Bytes Mutate(const Bytes& valid, std::mt19937& random) {
  Bytes b = valid;
  const int changes = 1 + static_cast<int>(random() % 5);
  for (int i = 0; i < changes && !b.empty(); ++i) {
    const size_t at = random() % b.size();
    switch (random() % 7) {
      case 0: b[at] ^= uint8_t(1u << (random() % 8)); break;
      case 1: {
        static const uint8_t kNasty[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
        b[at] = kNasty[random() % sizeof kNasty];
        break;
      }
      case 2: b[at] = uint8_t(random()); break;
      case 3: {
        static const uint32_t kLarge[] = {0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0x00010000, 0x40000000, 0xFFFF};
        const uint32_t v = kLarge[random() % 6];
        const size_t where = at & ~size_t(1);
        for (size_t k = 0; k < 4 && where + k < b.size(); ++k)
          b[where + k] = (random() & 1) ? uint8_t(v >> (8 * k)) : uint8_t(v >> (8 * (3 - k)));
        break;
      }
      case 4: b.resize(at); break;
      case 5: {
        const size_t len = 1 + random() % std::min<size_t>(64, b.size() - at);
        Bytes range(b.begin() + at, b.begin() + at + len);
        b.insert(b.begin() + at, range.begin(), range.end());
        break;
      }
      default: {
        const size_t len = 1 + random() % std::min<size_t>(64, b.size() - at);
        b.erase(b.begin() + at, b.begin() + at + len);
        break;
      }
    }
  }
  return b;
}

// Runs the reader over the valid sample's truncations (every one for short samples) and over
// damaged copies. It may raise the errors in `allowed`; anything else fails the test.
void Fuzz(const char* what, const Bytes& valid, unsigned seed,
          const std::function<void(uint8_t* data, int32_t size)>& reader) {
  ASSERT_FALSE(valid.empty()) << what;
  Watchdog dog;  // stopped before the test ends: no thread outlives it
  std::mt19937 random(seed);
  auto feed = [&](const Bytes& input) {
    GuardedBuffer buffer(input);
    dog.Start(input);
    try {
      reader(buffer.data(), buffer.size());
    } catch (const vcl::Exception&) {
      // the reader's own error: fine
    }
    dog.Done();
  };
  // Replays one saved input (a hang written by the watchdog, say) instead of the random run.
  if (const char* replay = std::getenv("MERGEON_FUZZ_REPLAY")) {
    feed(metadata_test::ReadFileBytes(replay));
    return;
  }
  const size_t step = valid.size() > 2000 ? valid.size() / 500 : 1;
  for (size_t n = 0; n < valid.size(); n += step) feed(Bytes(valid.begin(), valid.begin() + n));
  for (int i = 0, count = Iterations(); i < count; ++i) feed(Mutate(valid, random));
}

std::unique_ptr<vcl::TBitmap> Picture(int width, int height, vcl::TPixelFormat format) {
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
  auto target = Picture(8, 8, vcl::pf24bit);
  target->Canvas()->StretchDraw(vcl::Rect(0, 0, 8, 8), &graphic);
}

}  // namespace

TEST(ReaderFuzz, BitmapFiles) {
  const vcl::TPixelFormat formats[] = {vcl::pf1bit, vcl::pf4bit, vcl::pf8bit, vcl::pf16bit, vcl::pf24bit, vcl::pf32bit};
  unsigned seed = 1;
  for (auto format : formats) {
    auto bitmap = Picture(7, 5, format);
    Fuzz("bmp", Saved(*bitmap), seed++, &LoadAndDraw<vcl::TBitmap>);
  }
}

TEST(ReaderFuzz, PackedDIBs) {
  const vcl::TPixelFormat formats[] = {vcl::pf1bit, vcl::pf4bit, vcl::pf8bit, vcl::pf16bit, vcl::pf24bit, vcl::pf32bit};
  unsigned seed = 100;
  for (auto format : formats) {
    auto bitmap = Picture(7, 5, format);
    Bytes file = Saved(*bitmap);
    Bytes dib(file.begin() + 14, file.end());
    Fuzz("dib", dib, seed++, [](uint8_t* data, int32_t size) {
      TIEBitmap target;
      PackedDIBToIEBitmap(data, size_t(size), &target);
    });
  }
}

TEST(ReaderFuzz, JPEGFiles) {
  auto bitmap = Picture(19, 13, vcl::pf24bit);
  vcl::TJPEGImage jpeg;
  jpeg.Assign(bitmap.get());
  Fuzz("jpeg", Saved(jpeg), 200, &LoadAndDraw<vcl::TJPEGImage>);
  jpeg.SetProgressiveEncoding(true);
  jpeg.Compress();
  Fuzz("progressive jpeg", Saved(jpeg), 201, &LoadAndDraw<vcl::TJPEGImage>);
}

TEST(ReaderFuzz, IconFiles) {
  auto color = Picture(16, 16, vcl::pf32bit);
  auto mask = Picture(16, 16, vcl::pf1bit);
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
