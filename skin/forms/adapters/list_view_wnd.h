// TacListViewWnd: the scrollable-window adapter of a list view. It gives the list the skin's
// colours, scrolls the list by pixels when the skinned thumb is dragged (the list's own scroll
// unit is an item), and in report view paints the column header itself from the COLHEADER
// section, with hover and pressed states and a sort arrow from the scroll buttons' glyphs.
#pragma once

#include <memory>

#include "skin/forms/adapters/edit_wnd.h"

namespace skin {

// View styles as the class library numbers them.
enum TacListViewStyle { lvsIcon = 0, lvsSmallIcon = 1, lvsList = 2, lvsReport = 3 };

// Header section states.
constexpr int kHeaderNormal = 0, kHeaderHot = 1, kHeaderPressed = 2;
// The item index of the header's area right of its last section.
constexpr int kHeaderRest = -2;

class TacListViewWnd : public TacEditWnd {
 public:
  TacListViewWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacListViewWnd() override;

  void SaveInitialState() override;
  void RestoreInitialState() override;
  void ApplySkinParams() override;
  void WndProc(vcl::TMessage& message) override;

  // The header's own messages while it is hooked.
  LRESULT HeaderWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The whole header, through BeginPaint when dc is null.
  void PaintHeader(HDC dc);
  // One section (item, or kHeaderRest) at r in header coordinates, onto dc (or the header's DC).
  void PaintHeaderSection(const RECT& r, int item, HDC dc);
  // The rectangle of the section shown at a display position.
  RECT GetSectionRect(int position) const;
  // The display position under a screen point, -2 when none.
  int ColumnAtPoint(POINT screen) const;
  int ViewStyle() const;
  int SectionState(int item) const;

  HWND HeaderWnd = nullptr;
  int PressedColumn = -1;
  int HoverColumn = -1;

 private:
  class HeaderHook;
  void HookHeader(HWND header);
  void UnhookHeader();
  void ThumbScroll(vcl::TMessage& m, bool horizontal);
  // The list's background, text background and text in the skin's (or the dialog's) colours.
  void ApplyListColours();

  std::unique_ptr<HeaderHook> headerHook_;
  COLORREF listBackground_ = CLR_NONE, listText_ = CLR_NONE, savedTextBackground_ = CLR_NONE;
};

}  // namespace skin
