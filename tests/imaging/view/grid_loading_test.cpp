// Loading the thumbnail grid's images from files, in the background and synchronously.
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imaging/base/startup.h"
#include "imaging/io/image_io.h"
#include "imaging/view/thumbnail_grid_io.h"
#include "tests/imaging/view/grid_fixture.h"
#include "tests/support/file_helpers.h"
#include "tests/support/temp_folder.h"

using namespace imaging;
using grid_fixture::Colour;
using grid_fixture::GridWindow;
using grid_fixture::SolidBitmap;
using grid_fixture::StoredCentreColour;

namespace {

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

bool GridLoadingNear(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

// A GIF of `frames` 1 x 1 frames; frame i shows palette entry i % 4 for (i + 1) * 3 hundredths.
test_files::Bytes AnimatedGIF(int frames) {
  test_files::Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0};
  const uint8_t palette[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  b.insert(b.end(), palette, palette + sizeof palette);
  for (int i = 0; i < frames; ++i) {
    const uint8_t delay = static_cast<uint8_t>((i + 1) * 3);
    const uint8_t control[] = {0x21, 0xF9, 4, 0x04, delay, 0, 0, 0};
    b.insert(b.end(), control, control + sizeof control);
    const uint8_t descriptor[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0};
    b.insert(b.end(), descriptor, descriptor + sizeof descriptor);
    // Codes of 3 bits: clear (4), the pixel, end (5).
    const uint32_t bits = 4u | (uint32_t(i % 4) << 3) | (5u << 6);
    const uint8_t data[] = {2, 2, uint8_t(bits & 0xFF), uint8_t(bits >> 8), 0};
    b.insert(b.end(), data, data + sizeof data);
  }
  b.push_back(0x3B);
  return b;
}

class GridLoading : public GridWindow {
 protected:
  // Writes a w x h picture of the colour in the format the extension names.
  std::string WritePicture(const std::string& name, uint32_t colour, int32_t w = 48, int32_t h = 36) {
    auto bitmap = SolidBitmap(w, h, colour);
    auto io = TImageIO::CreateFromBitmap(bitmap.get());
    io->SaveToFile(Wide(folder.File(name)));
    return folder.File(name);
  }
  bool AllVisibleLoaded() {
    for (int32_t i = 0; i < grid->ImageCount(); ++i)
      if (grid->IsImageVisible(i) && !grid->IsImageLoaded(i)) return false;
    return true;
  }
  // Paints until every visible image is there and no job is left.
  bool SettleLoads() {
    return PumpUntil([&] {
      PaintNow();
      return AllVisibleLoaded() && grid->JobCount() == 0;
    });
  }

  TestTempFolder folder;
};

TEST_F(GridLoading, AFolderOfMixedFilesShowsEveryReadableImageAndIconsForTheRest) {
  MakeGrid();
  grid->SetGridWidth(-1);
  grid->SetStoreType(ietThumb);
  struct Entry {
    std::string file;
    bool readable;
    uint32_t colour;
  };
  std::vector<Entry> entries = {
      {WritePicture("a.jpg", 0x3060C0, 640, 480), true, 0x3060C0},
      {WritePicture("b.png", 0xC03060), true, 0xC03060},
      {WritePicture("c.bmp", 0x60C030), true, 0x60C030},
      {WritePicture("d.tif", 0x808020), true, 0x808020},
      {WritePicture("e.gif", 0x000000), true, 0x000000},
  };
  // Damaged files: a JPEG cut after its header, noise named as a PNG, an empty bitmap file,
  // a text file, a file that does not exist.
  test_files::Bytes jpeg = test_files::ReadFileBytes(folder.UnixPath() + "/a.jpg");
  jpeg.resize(200);
  test_files::WriteFileBytes(folder.UnixPath() + "/cut.jpg", jpeg);
  test_files::WriteFileBytes(folder.UnixPath() + "/noise.png", test_files::Bytes(3000, 0x5A));
  test_files::WriteFileBytes(folder.UnixPath() + "/empty.bmp", {});
  test_files::WriteFileBytes(folder.UnixPath() + "/notes.txt", test_files::ToBytes("not a picture"));
  for (const char* name : {"cut.jpg", "noise.png", "empty.bmp", "notes.txt", "missing.png"})
    entries.push_back({folder.File(name), false, 0});
  std::vector<int32_t> wrong;
  grid->OnWrongImage = nullptr;
  for (const Entry& e : entries) grid->SetImageFileName(grid->AppendImage(), Wide(e.file));
  ASSERT_TRUE(SettleLoads());
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].file);
    ASSERT_TRUE(grid->IsImageLoaded(static_cast<int32_t>(i)));
    TIEBitmap* bitmap = grid->GetTIEBitmap(static_cast<int32_t>(i));
    ASSERT_NE(bitmap, nullptr);
    if (entries[i].readable) {
      EXPECT_TRUE(GridLoadingNear(StoredCentreColour(grid, static_cast<int32_t>(i)), entries[i].colour, 6));
      EXPECT_GT(grid->GetImageOriginalWidth(static_cast<int32_t>(i)), 0);
    } else {
      // The shell's icon: a small square picture.
      EXPECT_GT(bitmap->Width(), 0);
      EXPECT_LE(bitmap->Width(), 100);
    }
    grid->ReleaseBitmap(bitmap, false);
  }
  // The JPEG was read at a reduced scale, and its nominal size is the file's.
  EXPECT_EQ(grid->GetImageOriginalWidth(0), 640);
  EXPECT_EQ(grid->GetImageOriginalHeight(0), 480);
  EXPECT_EQ(grid->GetMIO()->GetParams(0)->FileName, Wide(entries[0].file));
}

// A change of the store type or of the cell while an image is read takes effect when it is
// stored: the job's thumbnail, made by the settings of its start, is not what is kept.
TEST_F(GridLoading, StoreTypeAndCellSizeChangedDuringALoadTakeEffect) {
  struct Case {
    const char* name;
    std::function<void(TImageMView*)> change;
    int32_t width;  // of the stored image
  } cases[] = {
      {"whole images", [](TImageMView* g) { g->SetStoreType(ietNormal); }, 300},
      {"a wider cell", [](TImageMView* g) { g->SetThumbWidth(200), g->SetThumbHeight(200); }, 200},
  };
  const std::string file = WritePicture("wide.bmp", 0x4080C0, 300, 200);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeGrid();
    grid->SetStoreType(ietThumb);
    grid->SetStretchSmallImages(false);
    grid->SetThumbWidth(100);
    grid->SetThumbHeight(100);
    grid->SetImageFileName(grid->AppendImage(), Wide(file));
    PaintNow();
    // The job has started (with the settings above); nothing is stored before the messages run.
    for (int i = 0; i < 500 && grid->JobCount() == 0; ++i) Sleep(10);
    ASSERT_EQ(1, grid->JobCount());
    ASSERT_FALSE(grid->IsImageLoaded(0));
    c.change(grid);
    ASSERT_TRUE(SettleLoads());
    TIEBitmap* bitmap = grid->GetTIEBitmap(0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(c.width, bitmap->Width());
    grid->ReleaseBitmap(bitmap, false);
  }
}

TEST_F(GridLoading, UnreadableImagesShowAQuestionMarkOrWhatTheApplicationDraws) {
  MakeGrid();
  grid->SetThreadPoolSize(0);
  grid->SetUseFileIconOnError(false);
  for (int i = 0; i < 2; ++i) grid->SetImageFileName(grid->AppendImage(), Wide(folder.File("missing.bmp")));
  grid->OnWrongImage = [](vcl::TObject*, TIEBitmap* bitmap, int32_t idx, bool& handled) {
    if (idx != 1) return;
    bitmap->Fill(0x00FF00);
    handled = true;
  };
  PaintNow();
  TIEBitmap* mark = grid->GetTIEBitmap(0);
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->Width(), 100);
  TRGB corner = mark->GetPixelRGB(0, 0);
  EXPECT_EQ(corner.r + corner.g + corner.b, 3 * 255);
  bool blue = false;
  for (int32_t y = 0; y < mark->Height() && !blue; ++y)
    for (int32_t x = 0; x < mark->Width() && !blue; ++x) {
      TRGB p = mark->GetPixelRGB(x, y);
      blue = p.b == 255 && p.r == 0 && p.g == 0;
    }
  EXPECT_TRUE(blue);
  grid->ReleaseBitmap(mark, false);
  EXPECT_EQ(StoredCentreColour(grid, 1), 0x00FF00u);
}

TEST_F(GridLoading, WithoutAPoolImagesAreReadWhilePainting) {
  MakeGrid();
  grid->SetThreadPoolSize(0);
  for (int i = 0; i < 6; ++i) grid->SetImageFileName(grid->AppendImage(), Wide(WritePicture("p" + std::to_string(i) + ".bmp", Colour(i))));
  PaintNow();
  EXPECT_EQ(grid->JobCount(), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(StoredCentreColour(grid, i), Colour(i));
}

TEST_F(GridLoading, QueuePositionsKeepTheDrawingOrder) {
  MakeGrid();
  grid->SetThreadPoolSize(0);  // nothing starts: the queue stays as asked
  for (int i = 0; i < 4; ++i) grid->SetImageFileName(grid->AppendImage(), Wide(folder.File("q.bmp")));
  // Cells asked for in drawing order stay in that order, whatever position each asks for.
  EXPECT_TRUE(grid->RequestLoad(0, 0));
  EXPECT_TRUE(grid->RequestLoad(1, 5));  // past the end: appended
  EXPECT_TRUE(grid->RequestLoad(2, -1));
  EXPECT_EQ(grid->QueueIndexOf(0), 0);
  EXPECT_EQ(grid->QueueIndexOf(1), 1);
  EXPECT_EQ(grid->QueueIndexOf(2), 2);
  EXPECT_TRUE(grid->RequestLoad(3, 1));  // between the first two
  EXPECT_EQ(grid->QueueIndexOf(3), 1);
  EXPECT_EQ(grid->QueueIndexOf(1), 2);
  EXPECT_TRUE(grid->RequestLoad(1, 0));  // moved to the front
  EXPECT_EQ(grid->QueueIndexOf(1), 0);
  EXPECT_FALSE(grid->RequestLoad(7, 0));
  grid->CancelImageLoad(2);
  EXPECT_EQ(grid->QueueIndexOf(2), -1);
  // A deleted image leaves the queue; the others keep their places by identity.
  grid->DeleteImage(1);
  EXPECT_EQ(grid->QueueIndexOf(0), 0);
  EXPECT_EQ(grid->QueueIndexOf(2), 1);  // formerly image 3
}

TEST_F(GridLoading, ImagesByIDAreAskedForSynchronously) {
  MakeGrid();
  int32_t asked = 0;
  grid->OnImageIDRequestEx = [&](vcl::TObject*, int32_t id, TIEBitmap*& bitmap) {
    ++asked;
    static std::unique_ptr<TIEBitmap> picture;
    picture = SolidBitmap(20, 20, Colour(id));
    bitmap = id == 2 ? nullptr : picture.get();
  };
  for (int i = 0; i < 3; ++i) grid->SetImageID(grid->AppendImage(), i);
  EXPECT_FALSE(grid->RequestLoad(0, -1));
  EXPECT_EQ(grid->QueueIndexOf(0), -1);
  PaintNow();
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(StoredCentreColour(grid, 1), Colour(1));
  EXPECT_FALSE(grid->IsImageLoaded(2));  // the event left the bitmap nil: nothing stored
}

TEST_F(GridLoading, FramesOfAFileShareOneReaderAndTakeTheirDelays) {
  IEStaticInitialize();  // the format registry tells frame files from video files
  MakeGrid();
  test_files::WriteFileBytes(folder.UnixPath() + "/anim.gif", AnimatedGIF(5));
  const std::u16string file = Wide(folder.File("anim.gif"));
  grid->SetImageFileName(grid->AppendImage(), file + u"::3");
  grid->SetImageFileName(grid->AppendImage(), file + u"::1");
  EXPECT_FALSE(grid->RequestLoad(0, -1));  // frames never go to the background
  EXPECT_TRUE(grid->LoadImage(0));
  EXPECT_TRUE(grid->LoadImage(1));
  EXPECT_EQ(grid->GetImageDelayTime(0), 120);
  EXPECT_EQ(grid->GetImageDelayTime(1), 60);
  EXPECT_EQ(StoredCentreColour(grid, 0), 0xFFFFFFu);  // palette entry 3
  EXPECT_EQ(StoredCentreColour(grid, 1), 0x00FF00u);  // palette entry 1
  int32_t frame = -1;
  TImageIO* first = grid->GetFrameIO(file + u"::3", frame);
  EXPECT_EQ(frame, 3);
  EXPECT_EQ(grid->GetFrameIO(file + u"::1", frame), first);
  EXPECT_EQ(grid->GetFrameIO(file + u"::x", frame), first);
  EXPECT_EQ(frame, 0);
  form.reset();
  IEStaticFinalize();
}

// Edits of the list while the loader runs must never put an image into another image's record.
TEST_F(GridLoading, EditsWhileLoadingNeverMisplaceAnImage) {
  MakeGrid();
  grid->SetGridWidth(-1);
  grid->SetStoreType(ietThumb);
  grid->SetThreadPoolSize(4);
  const int files = 12;
  std::vector<std::u16string> names;
  for (int i = 0; i < files; ++i) names.push_back(Wide(WritePicture("s" + std::to_string(i) + ".bmp", Colour(100 + i), 160, 120)));
  std::vector<int> expected;  // the file of each record
  std::mt19937 random(20261211);
  auto insert = [&](int32_t at) {
    const int file = static_cast<int>(random() % files);
    at = std::min<int32_t>(at, grid->ImageCount());
    grid->InsertImage(at);
    grid->SetImageFileName(at, names[file]);
    expected.insert(expected.begin() + at, file);
  };
  for (int i = 0; i < 20; ++i) insert(grid->ImageCount());
  for (int step = 0; step < 400; ++step) {
    const int action = static_cast<int>(random() % 10);
    const int32_t count = grid->ImageCount();
    if (action < 4 || count < 4) {
      insert(static_cast<int32_t>(random() % (count + 1)));
    } else if (action < 7) {
      const int32_t at = static_cast<int32_t>(random() % count);
      ASSERT_TRUE(grid->DeleteImage(at));
      expected.erase(expected.begin() + at);
    } else if (action < 9) {
      PaintNow();
    } else {
      grid->SetViewY(static_cast<int32_t>(random() % 800));
    }
    if (step % 3 == 0) grid_fixture::Pump();
  }
  grid->SetViewY(0);
  ASSERT_TRUE(SettleLoads());
  ASSERT_EQ(grid->ImageCount(), static_cast<int32_t>(expected.size()));
  int32_t checked = 0;
  for (int32_t i = 0; i < grid->ImageCount(); ++i) {
    if (!grid->IsImageLoaded(i)) continue;
    SCOPED_TRACE(i);
    EXPECT_TRUE(GridLoadingNear(StoredCentreColour(grid, i), Colour(100 + expected[i]), 2));
    ++checked;
  }
  EXPECT_GE(checked, 12);
}

TEST_F(GridLoading, DestroyingTheGridWaitsForItsJobs) {
  MakeGrid();
  grid->SetGridWidth(-1);
  grid->SetThreadPoolSize(5);
  const std::u16string name = Wide(WritePicture("big.jpg", 0x406080, 1600, 1200));
  for (int i = 0; i < 16; ++i) grid->SetImageFileName(grid->AppendImage(), name);
  PaintNow();
  form.reset();  // with jobs running
  grid = nullptr;
  grid_fixture::Pump();
}

// The pool's workers stay for the grid's life: a pool that grows mid-load gains workers, one
// that shrinks (to none: reads while painting) keeps every image in its own cell.
TEST_F(GridLoading, APoolResizedWhileLoadingStillLoadsEveryImageIntoItsCell) {
  struct Case {
    int32_t before, after;
  };
  for (const Case& c : {Case{1, 4}, Case{4, 1}, Case{3, 0}}) {
    SCOPED_TRACE(testing::Message() << c.before << " -> " << c.after);
    MakeGrid();
    grid->SetGridWidth(-1);
    grid->SetThreadPoolSize(c.before);
    for (int i = 0; i < 12; ++i)
      grid->SetImageFileName(grid->AppendImage(),
                             Wide(WritePicture("r" + std::to_string(i) + ".jpg", Colour(i), 400, 300)));
    PaintNow();
    grid->SetThreadPoolSize(c.after);
    ASSERT_TRUE(SettleLoads());
    for (int i = 0; i < 12; ++i) {
      if (grid->IsImageVisible(i)) {
        EXPECT_TRUE(GridLoadingNear(StoredCentreColour(grid, i), Colour(i), 8)) << i;
      }
    }
  }
}

TEST_F(GridLoading, ScrollingAwayDropsQueuedImagesAndTheyLoadWhenTheyReturn) {
  MakeGrid();
  grid->SetGridWidth(-1);
  grid->SetThreadPoolSize(1);
  const std::u16string name = Wide(WritePicture("far.bmp", 0x112233));
  for (int i = 0; i < 80; ++i) grid->SetImageFileName(grid->AppendImage(), name);
  PaintNow();
  grid->SetViewY(1600);
  PaintNow();
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(grid->QueueIndexOf(i), -1);
  ASSERT_TRUE(SettleLoads());
  grid->SetViewY(0);
  ASSERT_TRUE(SettleLoads());
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(StoredCentreColour(grid, i), 0x112233u);
}

}  // namespace
