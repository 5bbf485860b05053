// TacTreeViewWnd: the scrollable-window adapter of a tree view. The tree's own background takes
// the section's hot colour (plain window colour in a standard dialog), and the adapter erases
// the window itself with it.
#pragma once

#include "skin/forms/adapters/edit_wnd.h"

namespace skin {

class TacTreeViewWnd : public TacEditWnd {
 public:
  using TacEditWnd::TacEditWnd;

  void SaveInitialState() override;
  void RestoreInitialState() override;
  void ApplySkinParams() override;
  void WndProc(vcl::TMessage& message) override;

  // The background the tree is given (a colour of the class library).
  vcl::TColor TreeBackground() const;

 private:
  COLORREF savedTreeBackground_ = CLR_NONE;
  COLORREF savedTreeText_ = CLR_NONE;
};

}  // namespace skin
