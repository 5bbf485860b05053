#include "bitmap/controls/range_bars.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <vsstyle.h>

#include "bitmap/controls/theme.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/controls/timer.h"
#include "vcl/classes/typeinfo.h"

namespace bitmap {

using vcl::TColor;

namespace {

constexpr uint32_t FirstRepeatDelay = 600;
constexpr uint32_t RepeatInterval = 100;
constexpr uint32_t HoverCheckInterval = 150;
// A handle is never drawn shorter than this, and a track this short or shorter has none.
constexpr int MinHandleSize = 17;

int32_t Round(double value) { return static_cast<int32_t>(vcl::Round(value)); }

COLORREF ToRGB(TColor color) { return static_cast<COLORREF>(vcl::ColorToRGB(color)); }

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void FillSolid(HDC dc, const RECT& r, TColor color) {
  if (IsEmpty(r)) return;
  HBRUSH brush = CreateSolidBrush(ToRGB(color));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// The side of an arrow or zone rectangle that faces the track (or the handle) is left open.
enum TSide : unsigned { sideTop = 1, sideBottom = 2, sideLeft = 4, sideRight = 8, sideAll = 15 };

unsigned SidesAwayFromTrack(TBarArrowDirection direction) {
  switch (direction) {
    case bdLeft: return sideAll & ~sideRight;
    case bdUp: return sideAll & ~sideBottom;
    case bdRight: return sideAll & ~sideLeft;
    case bdDown: return sideAll & ~sideTop;
  }
  return sideAll;
}

// Each chosen side as a line in `color`, top, bottom, left, right, moving that edge inward.
void DrawFrameSides(HDC dc, RECT& r, unsigned sides, TColor color) {
  if (sides & sideTop) {
    FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, color);
    ++r.top;
  }
  if (sides & sideBottom) {
    FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, color);
    --r.bottom;
  }
  if (sides & sideLeft) {
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, color);
    ++r.left;
  }
  if (sides & sideRight) {
    FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, color);
    --r.right;
  }
}

void Polyline3(HDC dc, POINT a, POINT b, POINT c, TColor color) {
  HPEN pen = CreatePen(PS_SOLID, 1, ToRGB(color));
  HGDIOBJ old = SelectObject(dc, pen);
  const POINT points[3] = {a, b, c};
  Polyline(dc, points, 3);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// A one-pixel bevel: top and left in topLeft, bottom and right in bottomRight; with `shrink`
// the rectangle ends inside it.
void DrawBevel(HDC dc, RECT& r, TColor topLeft, TColor bottomRight, bool shrink) {
  const int right = r.right - 1, bottom = r.bottom - 1;
  Polyline3(dc, POINT{r.left, bottom}, POINT{r.left, r.top}, POINT{right, r.top}, topLeft);
  Polyline3(dc, POINT{right, r.top}, POINT{right, bottom}, POINT{r.left, bottom}, bottomRight);
  if (shrink) r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

void DrawArrowGlyph(HDC dc, const RECT& r, TBarArrowDirection direction, TColor color) {
  const int cx = (r.left + r.right - 1) / 2, cy = (r.top + r.bottom - 1) / 2;
  int s = (3 * std::min(cx - r.left, cy - r.top)) / 4 - 1;
  if (s == 0) s = 1;
  const int shift = (direction == bdLeft || direction == bdUp) ? (s + 1) / 3 : s / 3;
  POINT points[3];
  switch (direction) {
    case bdLeft: {
      const int x = cx + shift;
      points[0] = {x, cy + s}, points[1] = {x - s, cy}, points[2] = {x, cy - s};
      break;
    }
    case bdUp: {
      const int y = cy + shift;
      points[0] = {cx + s, y}, points[1] = {cx, y - s}, points[2] = {cx - s, y};
      break;
    }
    case bdRight: {
      const int x = cx - shift;
      points[0] = {x, cy + s}, points[1] = {x + s, cy}, points[2] = {x, cy - s};
      break;
    }
    case bdDown: {
      const int y = cy - shift;
      points[0] = {cx + s, y}, points[1] = {cx, y + s}, points[2] = {cx - s, y};
      break;
    }
  }
  HPEN pen = CreatePen(PS_SOLID, 1, ToRGB(color));
  HBRUSH brush = CreateSolidBrush(ToRGB(color));
  HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
  Polygon(dc, points, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

void DrawMacHandle(HDC dc, RECT r, TColor handleColor, bool pressed, bool grip, bool horizontal) {
  const TColor hi = AdjustColor(handleColor, 24), lo = AdjustColor(handleColor, -24);
  HBRUSH frame = CreateSolidBrush(ToRGB(vcl::clWindowFrame));
  FrameRect(dc, &r, frame);
  DeleteObject(frame);
  InflateRect(&r, -1, -1);
  if (pressed)
    DrawBevel(dc, r, lo, handleColor, true);
  else
    DrawBevel(dc, r, hi, MixColors(vcl::clWindowFrame, handleColor, 96), true);
  FillSolid(dc, r, handleColor);
  if (!grip) return;
  if (pressed) OffsetRect(&r, 1, 1);
  if (horizontal) {
    const int c = (r.left + r.right) / 2;
    const int top = r.top + 1, bottom = r.bottom - 1;
    const bool outer = r.right - r.left > 10;
    for (int offset : {-5, -2, 1, 4}) {
      if ((offset == -5 || offset == 4) && !outer) continue;
      RECT ridge{c + offset, top, c + offset + 2, bottom};
      DrawBevel(dc, ridge, hi, lo, false);
    }
  } else {
    const int c = (r.top + r.bottom) / 2;
    const int left = r.left + 1, right = r.right - 1;
    const bool outer = r.bottom - r.top > 10;
    for (int offset : {-5, -2, 1, 4}) {
      if ((offset == -5 || offset == 4) && !outer) continue;
      RECT ridge{left, c + offset, right, c + offset + 2};
      DrawBevel(dc, ridge, hi, lo, false);
    }
  }
}

}  // namespace

// ---- colour helpers ----------------------------------------------------------------------------

TColor AdjustColor(TColor color, int delta) {
  const COLORREF rgb = ToRGB(color);
  auto channel = [delta](int value) { return std::clamp(value + delta, 0, 255); };
  return static_cast<TColor>(RGB(channel(GetRValue(rgb)), channel(GetGValue(rgb)), channel(GetBValue(rgb))));
}

TColor MixColors(TColor a, TColor b, int weight) {
  vcl::Assert(weight >= 0 && weight < 256, "Weight must be in 0..255");
  const COLORREF ca = ToRGB(a), cb = ToRGB(b);
  auto mix = [weight](int x, int y) { return (weight * x + (255 - weight) * y) >> 8; };
  return static_cast<TColor>(
      RGB(mix(GetRValue(ca), GetRValue(cb)), mix(GetGValue(ca), GetGValue(cb)), mix(GetBValue(ca), GetBValue(cb))));
}

void FillPatternRect(HDC dc, const RECT& r, TColor c1, TColor c2) {
  if (IsEmpty(r)) return;
  if (ToRGB(c1) == ToRGB(c2)) {
    FillSolid(dc, r, c1);
    return;
  }
  // A packed 8 x 8 top-down 32-bit DIB: the header, then the checker pattern.
  struct {
    BITMAPINFOHEADER header;
    uint32_t pixels[64];
  } packed{};
  packed.header.biSize = sizeof(BITMAPINFOHEADER);
  packed.header.biWidth = 8;
  packed.header.biHeight = -8;
  packed.header.biPlanes = 1;
  packed.header.biBitCount = 32;
  packed.header.biCompression = BI_RGB;
  auto toPixel = [](COLORREF c) { return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c); };
  const uint32_t p1 = toPixel(ToRGB(c1)), p2 = toPixel(ToRGB(c2));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) packed.pixels[y * 8 + x] = ((x + y) & 1) ? p2 : p1;
  HBRUSH brush = CreateDIBPatternBrushPt(&packed, DIB_RGB_COLORS);
  // The pattern keeps its phase with the window, not with the rectangle.
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// ---- TArrowBar ---------------------------------------------------------------------------------

TArrowBar::TArrowBar(vcl::TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(vcl::TControlStyle{vcl::csCaptureMouse, vcl::csClickEvents, vcl::csSetCaption, vcl::csOpaque});
  timer_ = new vcl::TTimer(this);
  timer_->SetEnabled(false);
  timer_->OnTimer = [this](vcl::TObject*) { TimerTick(); };
  SetParentColor(false);
  SetColor(vcl::clScrollBar);
  SetBounds(0, 0, 100, 16);
}

TArrowBar::~TArrowBar() {
  if (timer_) timer_->OnTimer = nullptr;
}

void TArrowBar::SetBackgnd(TRBBackgnd value) {
  if (value == backgnd_) return;
  backgnd_ = value;
  Invalidate();
}

void TArrowBar::SetBorderStyle(vcl::TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TArrowBar::SetButtonSize(int value) {
  if (value == buttonSize_) return;
  buttonSize_ = value;
  Invalidate();
}

void TArrowBar::SetHandleColor(TColor value) {
  if (value == handleColor_) return;
  handleColor_ = value;
  Invalidate();
}

void TArrowBar::SetKind(TScrollBarKind value) {
  if (value == kind_) return;
  kind_ = value;
  const auto state = ComponentState();
  if (state.Contains(vcl::csDesigning) && !state.Contains(vcl::csLoading))
    SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TArrowBar::SetShowArrows(bool value) {
  if (value == showArrows_) return;
  showArrows_ = value;
  Invalidate();
}

void TArrowBar::SetShowHandleGrip(bool value) {
  if (value == showHandleGrip_) return;
  showHandleGrip_ = value;
  Invalidate();
}

void TArrowBar::SetStyle(TRBStyle value) {
  style_ = value;
  RecreateWnd();
}

int TArrowBar::ClientLength() { return kind_ == vcl::sbHorizontal ? ClientWidth() : ClientHeight(); }
int TArrowBar::ClientThickness() { return kind_ == vcl::sbHorizontal ? ClientHeight() : ClientWidth(); }

int TArrowBar::GetButtonSize() {
  if (!showArrows_) return 0;
  const int length = ClientLength(), thickness = ClientThickness();
  const int size = buttonSize_ != 0 ? buttonSize_ : std::min(thickness, 32);
  int result = 2 * size < length ? size : length / 2;
  if (style_ == rbsMac) --result;
  return result <= 1 ? 0 : result;
}

RECT TArrowBar::GetTrackRect() {
  RECT r = ClientRect();
  const int b = GetButtonSize();
  if (kind_ == vcl::sbHorizontal) InflateRect(&r, -b, 0);
  else InflateRect(&r, 0, -b);
  return r;
}

RECT TArrowBar::GetHandleRect() { return RECT{0, 0, 0, 0}; }

bool TArrowBar::CanScroll() { return Enabled(); }

TBarZone TArrowBar::GetZone(int x, int y) {
  const RECT client = ClientRect();
  const POINT p{x, y};
  if (!PtInRect(&client, p)) return zoneNone;
  const int b = GetButtonSize();
  const bool horizontal = kind_ == vcl::sbHorizontal;
  const int along = horizontal ? x : y;
  const int length = horizontal ? client.right : client.bottom;
  if (along < b) return zoneFirstButton;
  if (along >= length - b) return zoneLastButton;
  const RECT handle = GetHandleRect();
  if (PtInRect(&handle, p)) return zoneHandle;
  const int handleStart = horizontal ? handle.left : handle.top;
  const int handleEnd = horizontal ? handle.right : handle.bottom;
  if (along > 0 && along < handleStart) return zoneTrackBefore;
  if (along >= handleEnd && along < length - 1) return zoneTrackAfter;
  return zoneNone;
}

RECT TArrowBar::GetZoneRect(TBarZone zone) {
  const RECT client = ClientRect();
  const int b = GetButtonSize();
  const bool horizontal = kind_ == vcl::sbHorizontal;
  RECT r = client;
  switch (zone) {
    case zoneNone: return RECT{0, 0, 0, 0};
    case zoneFirstButton:
      if (horizontal) r.right = r.left + b;
      else r.bottom = r.top + b;
      return r;
    case zoneLastButton:
      if (horizontal) r.left = r.right - b;
      else r.top = r.bottom - b;
      return r;
    default: break;
  }
  const RECT track = GetTrackRect();
  RECT handle = GetHandleRect();
  if (!CanScroll() || IsEmpty(handle)) {
    const int cx = (track.left + track.right) / 2, cy = (track.top + track.bottom) / 2;
    handle = RECT{cx, cy, cx, cy};
  }
  r = track;
  switch (zone) {
    case zoneTrackBefore:
      if (horizontal) r.right = handle.left;
      else r.bottom = handle.top;
      return r;
    case zoneHandle: return handle;
    case zoneTrackAfter:
      if (horizontal) r.left = handle.right;
      else r.top = handle.bottom;
      return r;
    default: return RECT{0, 0, 0, 0};
  }
}

void TArrowBar::DoChange() {
  if (OnChange) OnChange(this);
  if (fromUser_ && OnUserChange) OnUserChange(this);
}

void TArrowBar::Paint() {
  const bool horizontal = kind_ == vcl::sbHorizontal;
  const bool enabled = CanScroll();
  if (showArrows_) {
    DrawArrow(GetZoneRect(zoneFirstButton), FirstDirection(), pressedZone_ == zoneFirstButton, enabled,
              hoverZone_ == zoneFirstButton);
    DrawArrow(GetZoneRect(zoneLastButton), LastDirection(), pressedZone_ == zoneLastButton, enabled,
              hoverZone_ == zoneLastButton);
  }
  const RECT handle = enabled ? GetHandleRect() : RECT{0, 0, 0, 0};
  DrawZone(GetZoneRect(zoneTrackBefore), FirstDirection(), pressedZone_ == zoneTrackBefore, enabled,
           hoverZone_ == zoneTrackBefore);
  DrawZone(GetZoneRect(zoneTrackAfter), LastDirection(), pressedZone_ == zoneTrackAfter, enabled,
           hoverZone_ == zoneTrackAfter);
  if (!IsEmpty(handle)) DrawButton(handle, horizontal, pressedZone_ == zoneHandle, hoverZone_ == zoneHandle);
}

void TArrowBar::DrawArrow(const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled, bool hot) {
  if (IsEmpty(r)) return;
  HDC dc = Canvas()->Handle();
  if (style_ == rbsMac) return DrawMacArrow(dc, r, direction, pressed, enabled);
  if (UseThemes()) return DrawThemedArrow(dc, r, direction, pressed, enabled, hot);
  static constexpr UINT kinds[] = {DFCS_SCROLLLEFT, DFCS_SCROLLUP, DFCS_SCROLLRIGHT, DFCS_SCROLLDOWN};
  UINT state = kinds[direction];
  if (!enabled) state |= DFCS_INACTIVE;
  if (pressed) state |= DFCS_PUSHED | DFCS_FLAT;
  RECT box = r;
  DrawFrameControl(dc, &box, DFC_SCROLL, state);
}

void TArrowBar::DrawThemedArrow(HDC dc, const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled,
                                bool hot) {
  static constexpr int bases[] = {ABS_LEFTNORMAL, ABS_UPNORMAL, ABS_RIGHTNORMAL, ABS_DOWNNORMAL};
  int state = bases[direction];
  if (!enabled) state += 3;
  else if (pressed) state += 2;
  else if (hot) state += 1;
  DrawScrollbarThemePart(dc, SBP_ARROWBTN, state, r);
}

void TArrowBar::DrawMacArrow(HDC dc, const RECT& rect, TBarArrowDirection direction, bool pressed, bool enabled) {
  RECT r = rect;
  const unsigned sides = SidesAwayFromTrack(direction);
  if (enabled) {
    DrawFrameSides(dc, r, sides, vcl::clWindowFrame);
    if (pressed) {
      FillSolid(dc, r, vcl::clBtnFace);
      OffsetRect(&r, 1, 1);
      InflateRect(&r, -1, -1);
    } else {
      DrawBevel(dc, r, vcl::clBtnHighlight, vcl::clBtnShadow, true);
      FillSolid(dc, r, vcl::clBtnFace);
    }
    DrawArrowGlyph(dc, r, direction, vcl::clBtnText);
  } else {
    DrawFrameSides(dc, r, sides, vcl::clBtnShadow);
    FillSolid(dc, r, vcl::clBtnFace);
    InflateRect(&r, -1, -1);
    RECT engraved = r;
    OffsetRect(&engraved, 1, 1);
    DrawArrowGlyph(dc, engraved, direction, vcl::clBtnHighlight);
    DrawArrowGlyph(dc, r, direction, vcl::clBtnShadow);
  }
}

void TArrowBar::DrawButton(const RECT& r, bool horizontal, bool pressed, bool hot) {
  HDC dc = Canvas()->Handle();
  if (style_ == rbsMac) return DrawMacHandle(dc, r, handleColor_, pressed, showHandleGrip_, horizontal);
  if (UseThemes()) {
    const int state = pressed ? 3 : hot ? 2 : 1;
    DrawScrollbarThemePart(dc, horizontal ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, state, r);
    if (showHandleGrip_) DrawScrollbarThemePart(dc, horizontal ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, 0, r);
    return;
  }
  RECT box = r;
  DrawEdge(dc, &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

void TArrowBar::DrawZone(const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled, bool hot) {
  HDC dc = Canvas()->Handle();
  if (style_ == rbsMac) return DrawMacZone(dc, r, direction, pressed, enabled);
  if (IsEmpty(r)) return;
  if (UseThemes()) {
    int part = SBP_LOWERTRACKHORZ;
    switch (direction) {
      case bdLeft: part = SBP_LOWERTRACKHORZ; break;
      case bdUp: part = SBP_LOWERTRACKVERT; break;
      case bdRight: part = SBP_UPPERTRACKHORZ; break;
      case bdDown: part = SBP_UPPERTRACKVERT; break;
    }
    DrawScrollbarThemePart(dc, part, pressed ? 3 : 1, r);
    return;
  }
  if (pressed) FillPatternRect(dc, r, vcl::clWindowFrame, vcl::clWindowFrame);
  else FillPatternRect(dc, r, vcl::clBtnHighlight, Color());
}

void TArrowBar::DrawMacZone(HDC dc, const RECT& rect, TBarArrowDirection direction, bool pressed, bool enabled) {
  RECT r = rect;
  if (IsEmpty(r)) return;
  DrawFrameSides(dc, r, SidesAwayFromTrack(direction), enabled ? vcl::clWindowFrame : vcl::clBtnShadow);
  if (pressed) {
    FillSolid(dc, r, vcl::clWindowFrame);
    return;
  }
  if (IsEmpty(r)) return;
  if (!enabled) {
    FillSolid(dc, r, vcl::clBtnFace);
    return;
  }
  const TColor shadow = MixColors(vcl::clWindowFrame, MixColors(vcl::clBtnHighlight, Color(), 127), 32);
  const bool leftEdge = direction == bdLeft || direction == bdUp || direction == bdDown;
  const bool topEdge = direction == bdLeft || direction == bdUp || direction == bdRight;
  if (leftEdge) {
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, shadow);
    ++r.left;
  }
  if (topEdge) {
    FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, shadow);
    ++r.top;
  }
  if (backgnd_ == bgPattern) FillPatternRect(dc, r, vcl::clBtnHighlight, Color());
  else FillSolid(dc, r, Color());
}

// ---- TArrowBar: timer and mouse ----------------------------------------------------------------

void TArrowBar::StartRepeat() {
  timer_->SetEnabled(false);
  timer_->SetInterval(FirstRepeatDelay);
  timerMode_ = tmRepeating;
  TimerTick();
  // A first step that could not move anything has already stopped the repeat; it stays so.
  if (timerMode_ != tmRepeating) return;
  timerMode_ = tmWaitForRepeat;
  timer_->SetEnabled(true);
}

void TArrowBar::StopRepeat() {
  timer_->SetEnabled(false);
  timerMode_ = tmNone;
  StartHover();
}

void TArrowBar::StartHover() {
  timer_->SetEnabled(false);
  timer_->SetInterval(HoverCheckInterval);
  timerMode_ = tmHovering;
  timer_->SetEnabled(true);
}

void TArrowBar::StopHover() {
  timer_->SetEnabled(false);
  timerMode_ = tmNone;
  hoverZone_ = zoneNone;
  Invalidate();
}

void TArrowBar::CancelTracking() { StopHover(); }

POINT TArrowBar::CursorClientPos() {
  POINT p{0, 0};
  GetCursorPos(&p);
  if (HandleAllocated()) ::ScreenToClient(WindowHandle(), &p);
  return p;
}

void TArrowBar::TimerTick() {
  if (timerMode_ == tmWaitForRepeat) {
    timer_->SetInterval(RepeatInterval);
    timerMode_ = tmRepeating;
  } else if (timerMode_ == tmHovering) {
    const RECT client = ClientRect();
    if (!PtInRect(&client, CursorClientPos())) StopHover();
  }
}

void TArrowBar::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != vcl::mbLeft) return;
  pressedZone_ = GetZone(x, y);
  Invalidate();
  pressPoint_ = POINT{x, y};
  StartRepeat();
}

void TArrowBar::MouseMove(vcl::TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (pressedZone_ != zoneNone || !CanScroll()) return;
  const TBarZone zone = GetZone(x, y);
  if (zone == hoverZone_) return;
  hoverZone_ = zone;
  if (zone != zoneNone) StartHover();
  Invalidate();
}

void TArrowBar::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  pressedZone_ = zoneNone;
  Invalidate();
  StopRepeat();
}

void TArrowBar::CMEnabledChanged(vcl::TMessage& message) {
  TCustomControl::CMEnabledChanged(message);
  Invalidate();
}

void TArrowBar::CMMouseLeave(vcl::TMessage& message) {
  CancelTracking();
  TCustomControl::CMMouseLeave(message);
}

void TArrowBar::WMNCCalcSize(vcl::TWMNCCalcSize& message) {
  TCustomControl::WMNCCalcSize(message);
  const int border = GetBorderWidth();
  if (border > 0) InflateRect(&message.CalcSize_Params()->rgrc[0], -border, -border);
}

void TArrowBar::WMNCPaint(vcl::TMessage& message) {
  DrawNCArea(nullptr, nullptr);
  message.Result = 0;
}

void TArrowBar::DrawNCArea(HDC dc, HRGN) {
  if (GetBorderWidth() == 0 || !HandleAllocated()) return;
  const bool ownDC = dc == nullptr;
  if (ownDC) dc = GetWindowDC(WindowHandle());
  RECT window{};
  GetWindowRect(WindowHandle(), &window);
  RECT r{0, 0, window.right - window.left, window.bottom - window.top};
  DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  if (ownDC) ReleaseDC(WindowHandle(), dc);
}

void TArrowBar::Dispatch(vcl::TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    message.Result = 1;
    return;
  }
  TCustomControl::Dispatch(message);
}

// ---- TCustomRangeBar ---------------------------------------------------------------------------

TCustomRangeBar::TCustomRangeBar(vcl::TComponent* owner) : TArrowBar(owner) { UpdateEffectiveWindow(); }

TCustomRangeBar::~TCustomRangeBar() = default;

int32_t TCustomRangeBar::EffectiveWindow() const {
  if (window_ > 0) return window_;
  return Kind() == vcl::sbVertical ? Height() : Width();
}

bool TCustomRangeBar::CanScroll() { return Enabled() && EffectiveWindow() < range_; }

void TCustomRangeBar::AdjustPosition() {
  const float limit = static_cast<float>(range_ - EffectiveWindow());
  if (position_ > limit) position_ = limit;
  if (position_ < 0) position_ = 0;
}

void TCustomRangeBar::SetPosition(float value) {
  if (std::isnan(value)) value = 0;
  if (value == position_) return;
  const float old = position_;
  position_ = value;
  AdjustPosition();
  if (position_ != old) {
    Invalidate();
    DoChange();
  }
}

void TCustomRangeBar::SetPositionFromUser(float value) {
  fromUser_ = true;
  try {
    SetPosition(value);
  } catch (...) {
    fromUser_ = false;
    throw;
  }
  fromUser_ = false;
}

void TCustomRangeBar::Recentre(int32_t oldWindow, int32_t oldRange) {
  if (!centered_ || EffectiveWindow() >= range_) return;
  double fraction = 0.5;
  if (oldWindow < oldRange && oldRange != 0) fraction = (oldWindow / 2.0 + position_) / oldRange;
  position_ = static_cast<float>(range_ * fraction - EffectiveWindow() / 2.0);
}

void TCustomRangeBar::SetParams(int32_t newRange, int32_t newWindow) {
  newRange = std::max(newRange, 0);
  newWindow = std::max(newWindow, 0);
  if (newRange == range_ && newWindow == EffectiveWindow()) return;
  const int32_t oldRange = range_, oldWindow = EffectiveWindow();
  range_ = newRange;
  window_ = newWindow;
  UpdateEffectiveWindow();
  Recentre(oldWindow, oldRange);
  AdjustPosition();
  Invalidate();
}

void TCustomRangeBar::Resize() {
  // The window follows the bar's length whether or not it is centred; only the position
  // keeps its centre for a centred bar.
  const int32_t oldWindow = lastWindow_;
  UpdateEffectiveWindow();
  Recentre(oldWindow, range_);
  AdjustPosition();
  TArrowBar::Resize();
}

RECT TCustomRangeBar::GetHandleRect() {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  const int b = GetButtonSize();
  const bool horizontal = Kind() == vcl::sbHorizontal;
  if (horizontal) InflateRect(&r, -b, 0);
  else InflateRect(&r, 0, -b);
  const int length = horizontal ? r.right - r.left : r.bottom - r.top;
  if (length <= MinHandleSize) return RECT{0, 0, 0, 0};
  const int32_t window = EffectiveWindow();
  if (window >= range_) return r;
  int size = Round(double(length) * window / range_);
  int offset;
  if (size < MinHandleSize) {
    size = MinHandleSize;
    offset = Round(double(length - MinHandleSize) * position_ / (range_ - window));
  } else {
    offset = Round(double(length) * position_ / range_);
  }
  if (horizontal) {
    r.left += offset;
    r.right = r.left + size;
  } else {
    r.top += offset;
    r.bottom = r.top + size;
  }
  return r;
}

void TCustomRangeBar::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (EffectiveWindow() >= range_) {
    pressedZone_ = zoneNone;
    return;
  }
  TArrowBar::MouseDown(button, shift, x, y);
  if (button == vcl::mbLeft && pressedZone_ == zoneHandle) {
    StopRepeat();
    positionAtPress_ = position_;
  }
}

void TCustomRangeBar::MouseMove(vcl::TShiftState shift, int x, int y) {
  TArrowBar::MouseMove(shift, x, y);
  const int32_t window = EffectiveWindow();
  if (pressedZone_ != zoneHandle || range_ <= window) return;
  const bool horizontal = Kind() == vcl::sbHorizontal;
  const int distance = horizontal ? x - pressPoint_.x : y - pressPoint_.y;
  int length = ClientLength() - 2 * GetButtonSize();
  if (BorderStyle() == vcl::bsSingle) length -= 2;
  double delta;
  if (length > 0 && Round(double(window) * length / range_) >= MinHandleSize) {
    delta = double(range_) * distance / length;
  } else if (length > MinHandleSize) {
    delta = Round(double(distance) * (range_ - window) / (length - MinHandleSize));
  } else {
    // Too short a track to drag along: nothing to map the distance onto.
    return;
  }
  SetPositionFromUser(static_cast<float>(positionAtPress_ + delta));
}

void TCustomRangeBar::TimerTick() {
  TArrowBar::TimerTick();
  fromUser_ = true;
  try {
    auto clampedCursor = [this] {
      POINT p = CursorClientPos();
      p.x = std::clamp<LONG>(p.x, 0, std::max(ClientWidth() - 1, 0));
      p.y = std::clamp<LONG>(p.y, 0, std::max(ClientHeight() - 1, 0));
      return p;
    };
    const float old = position_;
    switch (pressedZone_) {
      case zoneFirstButton:
        SetPosition(position_ - increment_);
        if (position_ == old) StopRepeat();
        break;
      case zoneLastButton:
        SetPosition(position_ + increment_);
        if (position_ == old) StopRepeat();
        break;
      case zoneTrackBefore: {
        const POINT p = clampedCursor();
        const TBarZone zone = GetZone(p.x, p.y);
        if (zone == zoneFirstButton || zone == zoneTrackBefore) SetPosition(position_ - EffectiveWindow());
        break;
      }
      case zoneTrackAfter: {
        const POINT p = clampedCursor();
        const TBarZone zone = GetZone(p.x, p.y);
        if (zone == zoneTrackAfter || zone == zoneLastButton) SetPosition(position_ + EffectiveWindow());
        break;
      }
      default: break;
    }
  } catch (...) {
    fromUser_ = false;
    throw;
  }
  fromUser_ = false;
}

bool TCustomRangeBar::DoMouseWheel(vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos) {
  if (!TArrowBar::DoMouseWheel(shift, wheelDelta, mousePos))
    SetPosition(position_ + static_cast<float>(double(wheelDelta) * increment_ / 120.0));
  return true;
}

TRangeBar::TRangeBar(vcl::TComponent* owner) : TCustomRangeBar(owner) {}
TRangeBar::~TRangeBar() = default;

// ---- TArrowBarAccess ---------------------------------------------------------------------------

void TArrowBarAccess::SetColor(TColor value) {
  ForBoth([value](TArrowBar* bar) { bar->SetColor(value); });
}
void TArrowBarAccess::SetBackgnd(TRBBackgnd value) {
  ForBoth([value](TArrowBar* bar) { bar->SetBackgnd(value); });
}
void TArrowBarAccess::SetButtonSize(int value) {
  ForBoth([value](TArrowBar* bar) { bar->SetButtonSize(value); });
}
void TArrowBarAccess::SetHandleColor(TColor value) {
  ForBoth([value](TArrowBar* bar) { bar->SetHandleColor(value); });
}
void TArrowBarAccess::SetShowArrows(bool value) {
  ForBoth([value](TArrowBar* bar) { bar->SetShowArrows(value); });
}
void TArrowBarAccess::SetShowHandleGrip(bool value) {
  ForBoth([value](TArrowBar* bar) { bar->SetShowHandleGrip(value); });
}
void TArrowBarAccess::SetStyle(TRBStyle value) {
  ForBoth([value](TArrowBar* bar) { bar->SetStyle(value); });
}

// ---- form data ---------------------------------------------------------------------------------

VCL_PUBLISHED(TArrowBar, p) {
  p.Integer("Color", &TArrowBar::Color, &TArrowBar::SetColor, vcl::clScrollBar)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Bool("ParentColor", &TArrowBar::ParentColor, &TArrowBar::SetParentColor, false)
      .Enum("Backgnd", &TArrowBar::Backgnd, &TArrowBar::SetBackgnd, {"bgPattern", "bgSolid"}, bgPattern)
      .Enum("BorderStyle", &TArrowBar::BorderStyle, &TArrowBar::SetBorderStyle, {"bsNone", "bsSingle"}, vcl::bsSingle)
      .Integer("ButtonSize", &TArrowBar::ButtonSize, &TArrowBar::SetButtonSize, 0)
      .Integer("HandleColor", &TArrowBar::HandleColor, &TArrowBar::SetHandleColor, vcl::clBtnShadow)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Enum("Kind", &TArrowBar::Kind, &TArrowBar::SetKind, {"sbHorizontal", "sbVertical"}, vcl::sbHorizontal)
      .Bool("ShowArrows", &TArrowBar::ShowArrows, &TArrowBar::SetShowArrows, true)
      .Bool("ShowHandleGrip", &TArrowBar::ShowHandleGrip, &TArrowBar::SetShowHandleGrip, true)
      .Enum("Style", &TArrowBar::Style, &TArrowBar::SetStyle, {"rbsDefault", "rbsMac"}, rbsDefault)
      .Event("OnChange", &TArrowBar::OnChange)
      .Event("OnUserChange", &TArrowBar::OnUserChange);
}

VCL_PUBLISHED(TCustomRangeBar, p) {
  p.Bool("Centered", &TCustomRangeBar::Centered, &TCustomRangeBar::SetCentered, false)
      .Integer("Increment", &TCustomRangeBar::Increment, &TCustomRangeBar::SetIncrement, 8)
      .Integer("Range", &TCustomRangeBar::Range, &TCustomRangeBar::SetRange, 0)
      .Integer("Window", &TCustomRangeBar::Window, &TCustomRangeBar::SetWindow, 0)
      .Float("Position", &TCustomRangeBar::Position, &TCustomRangeBar::SetPosition);
}

VCL_PUBLISHED(TRangeBar, p) { (void)p; }

VCL_PUBLISHED(TArrowBarAccess, p) {
  p.Integer("Color", &TArrowBarAccess::Color, &TArrowBarAccess::SetColor)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Enum("Backgnd", &TArrowBarAccess::Backgnd, &TArrowBarAccess::SetBackgnd, {"bgPattern", "bgSolid"}, bgPattern)
      .Integer("ButtonSize", &TArrowBarAccess::ButtonSize, &TArrowBarAccess::SetButtonSize, 0)
      .Integer("HandleColor", &TArrowBarAccess::HandleColor, &TArrowBarAccess::SetHandleColor, vcl::clBtnShadow)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Bool("ShowArrows", &TArrowBarAccess::ShowArrows, &TArrowBarAccess::SetShowArrows, true)
      .Bool("ShowHandleGrip", &TArrowBarAccess::ShowHandleGrip, &TArrowBarAccess::SetShowHandleGrip, true)
      .Enum("Style", &TArrowBarAccess::Style, &TArrowBarAccess::SetStyle, {"rbsDefault", "rbsMac"}, rbsDefault);
}

}  // namespace bitmap
