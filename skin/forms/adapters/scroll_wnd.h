// TacScrollWnd: the window adapter that replaces a window's standard scroll bars by skinned
// ones drawn in its non-client area. At WM_NCCALCSIZE it hides WS_HSCROLL and WS_VSCROLL from
// the platform, reserves the bars' room itself and paints them from the skin sections
// SCROLLBAR1H/2H/1V/2V (track), SCROLLBTNLEFT/RIGHT/TOP/BOTTOM (arrows), SCROLLSLIDERH/V
// (thumbs) and the GLOBALINFO mask GRIPIMAGE (corner). The window's scroll logic is untouched:
// positions are read with GetScrollInfo and changes are asked for with WM_HSCROLL/WM_VSCROLL.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/forms/adapters/main_wnd.h"

namespace skin {

class TacScrollWnd;

// Part codes (the platform's scroll codes); -1 none.
constexpr int kPartLineUp = 0, kPartLineDown = 1, kPartPageUp = 2, kPartPageDown = 3, kPartThumb = 5;

struct TacScrollBar {
  uint16_t StyleBits = 0;  // 8 when the window style has this bar
  bool Shown = false;      // laid out by the last non-client size calculation
  SCROLLINFO Info{};
  int32_t ArrowLength = -1;  // >= 0 pixels; -n means n units
  int32_t BarWidth = -1;     // the same convention
  uint16_t Kind = SB_HORZ;
  int32_t MinThumb = 10;
  TacScrollWnd* Owner = nullptr;
};

// The one record of bar tracking for the process: only one bar can be hot or pressed.
struct TacScrollTracking {
  HWND HotWnd = nullptr;
  int HotBar = -1, HotPart = -1, PrevHotPart = -1;
  UINT_PTR HotTimer = 0;
  RECT HotBarRect{};
  int TrackBar = -1, PressedPart = -1, ShownPressedPart = -1;
  UINT ScrollMsg = 0;
  UINT_PTR RepeatTimer = 0;
  int32_t LastTrackPos = -1;
  int32_t ThumbSize = 0, ThumbStart = 0;
  RECT TrackRect{};
  int32_t GrabOffset = 0;
};
extern TacScrollTracking ScrollTracking;

// Timer ids on the adapted window.
constexpr UINT_PTR kHotTimerId = 0xFFF2, kFirstRepeatTimerId = 0xFFFD, kRepeatTimerId = 0xFFFE;

class TacScrollWnd : public TacMainWnd {
 public:
  TacScrollWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacScrollWnd() override;

  void InitScrollWnd(HWND wnd, bool frameRefresh);
  void WndProc(vcl::TMessage& message) override;
  // Drops both bar states (a detached adapter paints no bars).
  void FreeBars();

  std::unique_ptr<TacScrollBar> HorzBar, VertBar;
  bool ThumbTracking = false;
  bool LeftScrollBar = false;
  int32_t EdgeLeft = 0, EdgeRight = 0, EdgeTop = 0, EdgeBottom = 0;
  bool StyleChangeLock = false;

  // ---- Geometry (screen coordinates) ----
  // What 1: the bar's thickness; what 0: the arrow length (with the skin's button size when
  // useSkin).
  int32_t BarMetric(const TacScrollBar& bar, int what, bool useSkin) const;
  RECT HorzBarRect() const;
  RECT VertBarRect() const;
  RECT BarRect(const TacScrollBar& bar) const { return bar.Kind == SB_HORZ ? HorzBarRect() : VertBarRect(); }
  bool CornerIsSizeGrip(const RECT& square) const;
  // Thumb length and position along the bar's axis.
  void CalcThumb(const TacScrollBar& bar, const RECT& barRect, int32_t& length, int32_t& position) const;
  int HitTestBar(const TacScrollBar& bar, const RECT& barRect, POINT point) const;
  bool BarIsActive(const TacScrollBar& bar) const;

  // ---- Painting ----
  void UpdateScrollInfo(bool repaint);
  void PaintScrollBars(HDC dc, int32_t thumbPos);
  // True when it painted; barRect in window coordinates.
  bool PaintBar(TacScrollBar& bar, HDC dc, int32_t thumbPos, int pressedPart, const RECT& barRect);

 protected:
  void NonClientCalcSize(vcl::TMessage& message);
  void HitTest(vcl::TMessage& message);
  void HotTrack(vcl::TMessage& message);
  void Press(vcl::TMessage& message);
  void MouseMove(vcl::TMessage& message);
  void Drag(POINT point);
  void Release(vcl::TMessage& message);
  void Timer(vcl::TMessage& message);
  // The bar's image during a thumb drag, thumb at `thumbPos` (window coordinates) pressed.
  void PaintDraggedBar(TacScrollBar& bar, HDC dc, int32_t thumbPos);
  // The drop-down list of a combo box that is not of the simple style keeps the capture.
  virtual bool KeepsCapture() const { return false; }
  void RepaintBar(int kind, int pressedPart);
  // Repaints the bars when the window's scroll information or style changed since last read.
  void RefreshBarsIfMoved();

 private:
  void ComposeBar(TacScrollBar& bar, vcl::TBitmap* image, const RECT& barRect, int32_t thumbPos, int32_t thumbLen,
                  int firstArrowState, int secondArrowState, int track1State, int track2State, int thumbState,
                  bool drawThumb, bool halves);
  LONG lastStyle_ = 0;
};

// Sends one scroll code to the window, bracketed by SM_ALPHACMD 51 and 52; a window that
// answers 51 with 1 gets the full position in lParam and keeps its scroll information.
void SendScrollCode(HWND wnd, UINT scrollMsg, int code, int32_t pos);
// The bar state of a window's adapter (kind 0 or 1); null without one.
TacScrollBar* GetScrollBarState(HWND wnd, int kind);
// which: 0 horizontal, 1 vertical, 3 both; false when the window has no scroll adapter.
bool SetMinThumbSize(HWND wnd, int which, int32_t size);
// For skinned scroll boxes and frames: attaches or frees the scroll adapter of the link's control.
void UpdateScrollWndAdapter(TsCommonData* link, TacScrollWnd*& adapter);

}  // namespace skin
