// The metafile content tests over metafiles the platform itself records, with and without the
// placeable header, and over near misses.
#include "imaging/codecs/metafile/metafile_detection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using test_files::Bytes;

namespace {

// A metafile recorded by GDI with one rectangle: enhanced or not.
Bytes RecordedMetafile(bool enhanced) {
  const std::string name = test_files::MakeTempDir() + (enhanced ? "/drawing.emf" : "/drawing.wmf");
  if (enhanced) {
    HDC dc = CreateEnhMetaFileA(nullptr, name.c_str(), nullptr, nullptr);
    if (!dc) return {};
    Rectangle(dc, 1, 1, 40, 30);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
  } else {
    HDC dc = CreateMetaFileA(name.c_str());
    if (!dc) return {};
    Rectangle(dc, 1, 1, 40, 30);
    DeleteMetaFile(CloseMetaFile(dc));
  }
  return test_files::ReadFileBytes(name);
}

struct TDetected {
  bool wmf, emf;
};

TDetected MetafileDetect(Bytes bytes) {
  bytes.insert(bytes.begin(), 3, 0xAA);  // the data start past the stream's beginning
  fuzz::TGuardedStream stream(bytes.data(), int32_t(bytes.size()));
  stream.SetPosition(3);
  TDetected found{IsWMFStream(&stream), false};
  EXPECT_EQ(stream.Position(), 3);
  found.emf = IsEMFStream(&stream);
  EXPECT_EQ(stream.Position(), 3);
  return found;
}

}  // namespace

TEST(MetafileDetection, RecordedAndPlaceableMetafiles) {
  const Bytes emf = RecordedMetafile(true);
  const Bytes wmf = RecordedMetafile(false);
  ASSERT_GT(emf.size(), 88u);
  ASSERT_GT(wmf.size(), 18u);
  // The placeable header: key, handle, bounds, units per inch, reserved, checksum (22 bytes).
  const uint8_t header[22] = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 40, 0, 30, 0, 0x60, 0, 0, 0, 0, 0, 0, 0};
  Bytes placeable(sizeof header + wmf.size());
  std::copy(header, header + sizeof header, placeable.begin());
  std::copy(wmf.begin(), wmf.end(), placeable.begin() + sizeof header);
  Bytes diskMetafile = wmf;
  diskMetafile[0] = 2;
  Bytes withParameters = wmf;
  withParameters[16] = 1;
  struct Case {
    const char* name;
    const Bytes& bytes;
    bool wmf, emf;
  } cases[] = {
      {"enhanced metafile", emf, false, true},
      {"metafile", wmf, true, false},
      {"placeable metafile", placeable, true, false},
      {"disk metafile", diskMetafile, false, false},
      {"parameter count", withParameters, false, false},
      {"cut enhanced metafile", Bytes(emf.begin(), emf.begin() + 43), false, false},
      {"cut placeable header", Bytes(placeable.begin(), placeable.begin() + 30), false, false},
  };
  for (const Case& c : cases) {
    const TDetected found = MetafileDetect(c.bytes);
    EXPECT_EQ(found.wmf, c.wmf) << c.name;
    EXPECT_EQ(found.emf, c.emf) << c.name;
  }
}
