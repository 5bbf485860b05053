// Play mode of the thumbnail grid: each image in turn in single display mode.
#include <vector>

#include "tests/imaging/view/grid_fixture.h"

using namespace imaging;
using grid_fixture::GridWindow;

namespace {

class GridPlay : public GridWindow {};

TEST_F(GridPlay, FramesFollowTheirDelaysAndStopWithoutLoop) {
  MakeGrid();
  AddImages(3);
  const int32_t delays[] = {0, 50, 500};
  for (int32_t i = 0; i < 3; ++i) grid->SetImageDelayTime(i, delays[i]);
  grid->SetPlayLoop(false);
  grid->SetSelectedImage(1);
  std::vector<int32_t> frames, intervals;
  grid->OnPlayFrame = [&](vcl::TObject*, int32_t frame) { frames.push_back(frame); };
  grid->SetPlaying(true);  // shows the first frame at once
  intervals.push_back(grid->PlayInterval());
  EXPECT_EQ(grid->DisplayMode(), mdSingle);
  EXPECT_EQ(grid->SelectedImage(), -1);
  // The timer's ticks, stepped here rather than waited for.
  grid->PlayFrame();
  intervals.push_back(grid->PlayInterval());
  grid->PlayFrame();
  intervals.push_back(grid->PlayInterval());
  EXPECT_EQ(frames, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(intervals, (std::vector<int32_t>{10, 50, 0}));  // the last frame ends play without loop
  EXPECT_FALSE(grid->Playing());
  EXPECT_EQ(grid->DisplayMode(), mdSingle);
  EXPECT_EQ(grid->DisplayImage(), 0);
}

TEST_F(GridPlay, StoppingRestoresTheModeAndSelectionAndEditsStopPlay) {
  MakeGrid();
  AddImages(4);
  grid->SetSelectedImage(2);
  grid->SetPlaying(true);
  grid->PlayFrame();
  EXPECT_EQ(grid->DisplayImage(), 2);
  grid->SetDisplayMode(mdGrid);  // kept for after play
  EXPECT_EQ(grid->DisplayMode(), mdSingle);
  grid->SetPlaying(false);
  EXPECT_EQ(grid->DisplayMode(), mdGrid);
  EXPECT_EQ(grid->SelectedImage(), 2);
  grid->SetPlaying(true);
  grid->InsertImage(0);
  EXPECT_FALSE(grid->Playing());
  EXPECT_EQ(grid->PlayInterval(), 0);
}

}  // namespace
