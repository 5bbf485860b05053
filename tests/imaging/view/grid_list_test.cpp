// The thumbnail grid's image list: records, storage and the selection kept across edits.
#include "imaging/params/io_params.h"
#include "imaging/view/thumbnail_grid_io.h"
#include "tests/imaging/view/grid_fixture.h"

using namespace imaging;
using grid_fixture::Colour;
using grid_fixture::GridWindow;
using grid_fixture::SolidBitmap;
using grid_fixture::StoredCentreColour;

namespace {

class GridList : public GridWindow {};

TEST_F(GridList, ANewGridIsEmpty) {
  MakeGrid();
  EXPECT_EQ(grid->ImageCount(), 0);
  EXPECT_EQ(grid->SelectedImage(), -1);
  EXPECT_EQ(grid->GetIEBitmap(), nullptr);
  EXPECT_EQ(grid->ThumbnailsBorderColor(), static_cast<vcl::TColor>(0x8000000F));
  EXPECT_FALSE(grid->ThumbnailsInternalBorder());
  EXPECT_EQ(grid->ThumbnailsInternalBorderColor(), 0);
  EXPECT_EQ(grid->ImageVersion(), "3.1.1");
  grid->SetImageVersion("9");
  EXPECT_EQ(grid->ImageVersion(), "3.1.1");
}

TEST_F(GridList, InsertingBeforeTheSelectionKeepsTheIndex) {
  MakeGrid();
  AddImages(3);
  grid->SetSelectedImage(1);
  ASSERT_NE(grid->GetIEBitmap(), nullptr);
  grid->InsertImage(0);
  grid->SetImageEx(0, SolidBitmap(10, 10, 0x123456).get());
  EXPECT_EQ(grid->SelectedImage(), 1);
  // The borrowed bitmap follows the index: it is now image 1's (formerly image 0).
  imaging::TIEBitmap* bitmap = grid->GetIEBitmap();
  ASSERT_NE(bitmap, nullptr);
  imaging::TRGB p = bitmap->GetPixelRGB(0, 0);
  EXPECT_EQ((uint32_t(p.r) << 16) | (uint32_t(p.g) << 8) | p.b, Colour(0));
}

TEST_F(GridList, DeletingKeepsASensibleSelection) {
  struct Case {
    const char* name;
    int32_t count, selected, deleted;
    int32_t expectedSelection;
    uint32_t expectedColour;  // of the selected image afterwards (Colour of its original index)
  } cases[] = {
      {"the selected last image: the new last", 4, 3, 3, 2, Colour(2)},
      {"before the selection: the same image", 4, 2, 0, 1, Colour(2)},
      {"after the selection: unchanged", 4, 1, 3, 1, Colour(1)},
      {"the selected middle image: its successor", 4, 1, 1, 1, Colour(2)},
      {"the only image: nothing", 1, 0, 0, -1, 0},
  };
  MakeGrid();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->Clear();
    AddImages(c.count);
    grid->SetSelectedImage(c.selected);
    EXPECT_TRUE(grid->DeleteImage(c.deleted));
    EXPECT_EQ(grid->ImageCount(), c.count - 1);
    EXPECT_EQ(grid->SelectedImage(), c.expectedSelection);
    if (c.expectedSelection >= 0) { EXPECT_EQ(StoredCentreColour(grid, c.expectedSelection), c.expectedColour); }
  }
}

TEST_F(GridList, OutOfRangeIndexesAreIgnored) {
  MakeGrid();
  AddImages(2);
  for (int32_t index : {-5, -1, 2, 100}) {
    SCOPED_TRACE(index);
    EXPECT_FALSE(grid->DeleteImage(index));
    EXPECT_EQ(grid->GetTIEBitmap(index), nullptr);
    EXPECT_EQ(grid->GetImageFileName(index), u"");
    EXPECT_EQ(grid->GetImageRow(index), 0);
    grid->SetImageDelayTime(index, 5);
    grid->SetImageEx(index, SolidBitmap(5, 5, 0).get());
    grid->SetSelectedImage(index);
    EXPECT_EQ(grid->SelectedImage(), -1);
  }
  grid->InsertImage(-3);  // appended
  EXPECT_EQ(grid->ImageCount(), 3);
  EXPECT_EQ(grid->ImageCount(), 3);
}

TEST_F(GridList, ThumbnailStorageFitsTheCell) {
  struct Case {
    int32_t w, h;
    bool stretch;
    int32_t storedW, storedH;
  } cases[] = {
      {40, 30, true, 100, 75},
      {40, 30, false, 40, 30},
      {400, 100, true, 100, 25},
      {400, 100, false, 100, 25},
      {100, 100, true, 100, 100},
  };
  MakeGrid();
  grid->SetStoreType(ietThumb);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " stretch " << c.stretch);
    grid->Clear();
    grid->SetStretchSmallImages(c.stretch);
    grid->AppendImage();
    grid->SetImageEx(0, SolidBitmap(c.w, c.h, 0x336699).get());
    imaging::TIEBitmap* stored = grid->GetTIEBitmap(0);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Width(), c.storedW);
    EXPECT_EQ(stored->Height(), c.storedH);
    grid->ReleaseBitmap(stored, false);
    // The nominal size is the image's own.
    EXPECT_EQ(grid->GetImageOriginalWidth(0), c.w);
    EXPECT_EQ(grid->GetImageOriginalHeight(0), c.h);
  }
}

TEST_F(GridList, StoringAnImageLeavesTheCallersBitmapAlone) {
  MakeGrid();
  grid->SetStoreType(ietThumb);
  auto source = SolidBitmap(300, 200, 0x204060);
  auto alpha = imaging::TIEBitmap::CreateAlphaChannel(300, 200, imaging::ieMemory);
  alpha->Fill(0);  // fully transparent: the thumbnail shows grey there
  source->AttachAlphaChannel(std::move(alpha));
  grid->AppendImage();
  grid->SetImageEx(0, source.get());
  imaging::TRGB p = source->GetPixelRGB(10, 10);
  EXPECT_EQ(p.r, 0x20);
  EXPECT_EQ(p.g, 0x40);
  EXPECT_EQ(p.b, 0x60);
  EXPECT_EQ(StoredCentreColour(grid, 0), 0x808080u);
}

TEST_F(GridList, ChangesOfTheSelectedBorrowedBitmapAreKept) {
  MakeGrid();
  AddImages(3);
  grid->SetSelectedImage(1);
  imaging::TIEBitmap* bitmap = grid->GetIEBitmap();
  ASSERT_NE(bitmap, nullptr);
  bitmap->Fill(0x00FF00);
  grid->SetSelectedImage(2);
  EXPECT_EQ(StoredCentreColour(grid, 1), 0x00FF00u);
}

TEST_F(GridList, MovesAndSwapsReorderImagesAndParameterBlocks) {
  MakeGrid();
  AddImages(4);
  TImageMIO* mio = grid->GetMIO();
  for (int32_t i = 0; i < 4; ++i) mio->GetParams(i)->Width = 1000 + i;
  grid->MoveImage(0, 3);
  EXPECT_EQ(StoredCentreColour(grid, 3), Colour(0));
  EXPECT_EQ(mio->GetParams(3)->Width, 1000);
  grid->SwapImages(0, 1);
  EXPECT_EQ(StoredCentreColour(grid, 0), Colour(2));
  EXPECT_EQ(mio->GetParams(0)->Width, 1002);
}

}  // namespace
