// TacGridWnd: the scrollable-window adapter of a grid. Besides the border and bars it gives the
// grid's fixed cells, titles, footer, lines and selection the skin's colours; every colour is
// read and written through the grid's published properties by name, so a grid class that
// lacks one simply keeps it. TacGridEhWnd is the same for the enhanced grids' list.
#pragma once

#include <array>

#include "skin/forms/adapters/edit_wnd.h"

namespace skin {

class TacGridWnd : public TacEditWnd {
 public:
  TacGridWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);

  void SaveInitialState() override;
  void RestoreInitialState() override;
  void ApplySkinParams() override;
  void WndProc(vcl::TMessage& message) override;

  // The saved colours, in the order of kGridColourNames (the title font's colour at 3).
  std::array<vcl::TColor, 12> SavedGridColors{};
};

class TacGridEhWnd : public TacGridWnd {
 public:
  using TacGridWnd::TacGridWnd;
};

}  // namespace skin
