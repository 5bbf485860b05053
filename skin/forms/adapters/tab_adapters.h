// The adapters of the platform's tab controls. TacTabControlWnd paints the whole control itself
// into its skin link's cache (the page frame, the tab strip over the parent's background and
// every tab with its skin section, captions rotated for vertical tabs) and copies it to the
// screen on erase. TacPageControlWnd adds the pages: every child window of a page control gets a
// TacPageWnd, which paints the page from the page control's background.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/forms/adapters/main_wnd.h"

namespace skin {

// Tab positions and styles as the window styles give them.
enum TacTabPosition { tabTop = 0, tabBottom = 1, tabLeft = 2, tabRight = 3 };
enum TacTabStyle { tabStyleTabs = 0, tabStyleButtons = 1, tabStyleFlat = 2 };

class TacTabControlWnd : public TacMainWnd {
 public:
  TacTabControlWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacTabControlWnd() override;
  void WndProc(vcl::TMessage& message) override;

  // The display area (window to display rectangle), top + 2.
  virtual RECT GetPageRect();
  // Where the frame section is painted: the window cut on the tab side.
  virtual RECT GetPageFrameRect();
  // The rest of the window: where the tabs lie.
  RECT GetTabStripRect();
  // Tab i's rectangle as drawn (empty when out of range, no tabs, or no active tab).
  RECT GetTabRect(int index, bool active);
  // The row of tab i, 1 first.
  int TabRow(int index);

  int TabPosition() const;
  int TabStyle() const;
  int TabCount() const;
  int ActiveTab() const;
  int RowCount() const;
  // The frame section for the current tabs ("CHECKBOX" without tabs).
  std::string FrameSection() const;

  void PaintControl(HDC given, bool useGiven);
  void UpdateUpDownAdapter();
  TacMainWnd* UpDownAdapter() const { return upDown_; }

 protected:
  void PaintTabStrip(const TsBackgroundInfo& parent);
  void PaintTab(int index, int state, int dx, int dy, vcl::TBitmap* target);
  void PaintTabToDC(int index, int state, HDC dc);
  void FreeUpDown();

 private:
  // Cuts the window where the page frame meets the tab strip, just outside the page on the tab
  // side; without tabs both parts are the whole window.
  void SplitAtTabEdge(RECT& frame, RECT& strip);
  void PaintTabContent(int index, int state, RECT tab, vcl::TCanvas* canvas, int sectionIndex);
  TacMainWnd* upDown_ = nullptr;
};

class TacPageWnd;

class TacPageControlWnd : public TacTabControlWnd {
 public:
  TacPageControlWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacPageControlWnd() override;
  void WndProc(vcl::TMessage& message) override;
  RECT GetPageRect() override { return TacTabControlWnd::GetPageRect(); }
  RECT GetPageFrameRect() override { return TacTabControlWnd::GetPageFrameRect(); }

  // Gives every direct child window that is not skinned yet a page adapter; adapters of pages
  // whose window went are freed.
  void AdaptPages();
  int PageAdapterCount() const { return int(pages_.size()); }

 private:
  void FreePages();
  std::vector<TacMainWnd*> pages_;
};

class TacPageWnd : public TacMainWnd {
 public:
  TacPageWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;
  void PaintPageBg(HDC dc);
};

}  // namespace skin
