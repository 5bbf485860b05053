// The grid's I/O companion: parameter blocks in step with the images, and acquired images.
#include "imaging/io/image_io.h"
#include "imaging/params/io_params.h"
#include "imaging/view/image_view.h"
#include "imaging/view/thumbnail_grid_io.h"
#include "tests/imaging/view/grid_fixture.h"

using namespace imaging;
using grid_fixture::Colour;
using grid_fixture::GridWindow;
using grid_fixture::SolidBitmap;
using grid_fixture::StoredCentreColour;

namespace {

class GridIO : public GridWindow {};

TEST_F(GridIO, BlocksFollowTheImages) {
  MakeGrid();
  AddImages(5);
  TImageMIO mio(nullptr);
  mio.SetAttachedMView(grid);
  ASSERT_EQ(mio.ParamsCount(), 5);
  for (int32_t i = 0; i < 5; ++i) {
    mio.GetParams(i)->JPEGQuality = 10 + i;
    mio.GetParams(i)->Width = 100 + i;
  }
  grid->InsertImage(2);
  ASSERT_EQ(mio.ParamsCount(), 6);
  EXPECT_EQ(mio.GetParams(2)->JPEGQuality, 12);  // the compression settings of the block that was at 2
  EXPECT_EQ(mio.GetParams(2)->Width, 0);
  EXPECT_EQ(mio.GetParams(3)->Width, 102);
  grid->DeleteImage(0);
  ASSERT_EQ(mio.ParamsCount(), 5);
  EXPECT_EQ(mio.GetParams(0)->Width, 101);
  EXPECT_EQ(mio.GetParams(-1), nullptr);
  EXPECT_EQ(mio.GetParams(5), nullptr);
  mio.MoveParams(0, 99);  // past the end: to the end
  EXPECT_EQ(mio.GetParams(4)->Width, 101);
  mio.DeleteParams(99);
  EXPECT_EQ(mio.ParamsCount(), 5);
  EXPECT_THROW(mio.DeleteParams(-1), vcl::EListError);
  EXPECT_THROW(mio.SwapParams(0, 7), vcl::EListError);
}

TEST_F(GridIO, AcquiredImagesAreAppendedInOrder) {
  MakeGrid();
  TImageMIO* mio = grid->GetMIO();
  EXPECT_EQ(mio->AttachedMView(), grid);
  std::vector<int32_t> after;
  mio->OnAfterAcquireBitmap = [&](vcl::TObject*, int32_t i) { after.push_back(i); };
  for (int i = 0; i < 3; ++i) {
    auto acquired = SolidBitmap(30, 20, Colour(i));
    TIOParamsVals* params = nullptr;
    mio->DoAcquireBitmap(acquired.get(), params);
    EXPECT_EQ(params, mio->GetParams(i));
  }
  EXPECT_EQ(after, (std::vector<int32_t>{0, 1, 2}));
  ASSERT_EQ(grid->ImageCount(), 3);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(grid->GetImageDelayTime(i), 100);
    EXPECT_EQ(StoredCentreColour(grid, i), Colour(i));
  }
  // A handled acquisition leaves the grid alone.
  mio->OnAcquireBitmap = [](vcl::TObject*, TIEBitmap*, bool& handled) { handled = true; };
  auto ignored = SolidBitmap(5, 5, 0);
  TIOParamsVals* params = nullptr;
  mio->DoAcquireBitmap(ignored.get(), params);
  EXPECT_EQ(grid->ImageCount(), 3);
  EXPECT_EQ(params, nullptr);
}

TEST_F(GridIO, DestroyingTheGridDetachesTheCompanion) {
  MakeGrid();
  AddImages(2);
  TImageMIO mio(nullptr);
  mio.SetAttachedMView(grid);
  form.reset();
  EXPECT_EQ(mio.AttachedMView(), nullptr);
  EXPECT_EQ(mio.ParamsCount(), 2);
}

TEST_F(GridIO, AnotherKindOfViewIsRefusedWithoutLeavingAHandler) {
  MakeGrid();
  TImageView view(nullptr);
  TImageMIO mio(nullptr);
  EXPECT_THROW(mio.SetAttachedMView(&view), vcl::EInvalidCast);
  EXPECT_EQ(mio.AttachedMView(), nullptr);
  view.NotifyBitmapChange();  // no handler of the companion is left to fail
}

}  // namespace
