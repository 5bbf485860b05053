// The scrollable-window adapters: windows with a bordered client area and scroll bars (edits,
// memos, list boxes, and as bases the tree, list-view, grid and combo adapters). TacBaseWnd
// keeps the skinned bars in step with scrolling; TacEditWnd adds the skinned border composed
// in the link's cache, the control's colours kept in step with the skin (and given back when
// it goes), and the focus and hover frame.
#pragma once

#include <string>

#include "skin/forms/adapters/scroll_wnd.h"

namespace skin {

class TacBaseWnd : public TacScrollWnd {
 public:
  TacBaseWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
      : TacScrollWnd(wnd, section, manager, skinLink) {}
  void WndProc(vcl::TMessage& message) override;
};

class TacEditWnd : public TacBaseWnd {
 public:
  // An empty section means "EDIT"; the section is set on the link in every case.
  TacEditWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);

  void SaveInitialState() override;
  void RestoreInitialState() override;
  void ApplySkinParams() override;
  void WndProc(vcl::TMessage& message) override;

  // The background and pen of a bare list frame (a window without an owner control).
  vcl::TColor ListBgColor = vcl::clWindow;
  vcl::TColor SavedFocusColor = 0;
  vcl::TColor ListFrameColor = 0;

 protected:
  void ApplyOnce() {
    if (!ParamsApplied) ApplySkinParams();
  }
  // The link says whether the window may paint now (not while its form is being updated).
  bool RecomputeUpdating();
  // The border strips of the cache onto the window DC and the skinned bars over them.
  LRESULT PaintBorder(HDC dc);
  // Rebuilds the border cache when stale (with the dialog's flat frame in dialog mode).
  void RebuildCache();
  // Clips the DC to the client area below the border and the bars (the DC's state is saved
  // first; the caller restores it).
  void ClipToClient(HDC dc);
  // The owner control has a published colour of its focused state.
  bool OwnerHasFocusColor() const;
  void RedrawOwnerFrame();

 private:
  void PrintWindowImage(HDC dc);
};

// Whether the owner of an adapter is a list box without items (it prints no items).
bool OwnerIsEmptyListBox(TacMainWnd* adapter);

}  // namespace skin
