#include "bitmap/controls/img_view32.h"

#include <vsstyle.h>

#include "bitmap/controls/theme.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"
#include "vcl/classes/typeinfo.h"

namespace bitmap {

// ---- TIVScrollProperties -----------------------------------------------------------------------

TIVScrollProperties::TIVScrollProperties(TCustomImgView32* view, TArrowBar* horizontal, TArrowBar* vertical)
    : TArrowBarAccess(horizontal, vertical), view_(view) {}

int TIVScrollProperties::Increment() const { return view_->HScroll()->Increment(); }

void TIVScrollProperties::SetIncrement(int value) {
  view_->HScroll()->SetIncrement(static_cast<uint16_t>(value));
  view_->VScroll()->SetIncrement(static_cast<uint16_t>(value));
}

int TIVScrollProperties::Size() const { return view_->ScrollBarSize(); }

void TIVScrollProperties::SetSize(int value) { view_->SetScrollBarSize(value); }

// ---- TCustomImgView32 --------------------------------------------------------------------------

TCustomImgView32::TCustomImgView32(vcl::TComponent* owner) : TCustomImage32(owner) {
  auto makeBar = [this](TScrollBarKind kind) {
    auto* bar = new TCustomRangeBar(this);
    bar->SetParent(this);
    bar->SetBorderStyle(vcl::bsNone);
    bar->SetCentered(true);
    bar->SetKind(kind);
    bar->OnUserChange = [this, bar](vcl::TObject*) { ScrollBarChanged(bar); };
    return bar;
  };
  hScroll_ = makeBar(vcl::sbHorizontal);
  vScroll_ = makeBar(vcl::sbVertical);
  centered_ = true;
  SetScaleMode(smScale);
  SetBitmapAlign(baCustom);
  scrollBars_ = std::make_unique<TIVScrollProperties>(this, hScroll_, vScroll_);
  AlignScrollBars();
}

TCustomImgView32::~TCustomImgView32() {
  scrollBars_.reset();
  // The bars outlive this part of the view (they go with its owned components): they must not
  // report to it any more.
  hScroll_->OnUserChange = nullptr;
  vScroll_->OnUserChange = nullptr;
}

void TCustomImgView32::SetCentered(bool value) {
  InvalidatePlacement();
  centered_ = value;
  hScroll_->SetCentered(value);
  vScroll_->SetCentered(value);
  UpdateScrollRanges();
  UpdateBitmapOffset();
  if (value)
    ScrollToCenter(Bitmap()->Width() / 2, Bitmap()->Height() / 2);
  else
    ScrollToCenter(0, 0);
}

void TCustomImgView32::SetSizeGrip(TSizeGripStyle value) {
  if (value == sizeGrip_) return;
  sizeGrip_ = value;
  Invalidate();
}

void TCustomImgView32::SetScrollBarSize(int32_t value) {
  scrollBarSize_ = value;
  AlignScrollBars();
}

int TCustomImgView32::GetScrollBarSize() {
  return scrollBarSize_ != 0 ? scrollBarSize_ : GetSystemMetrics(SM_CYHSCROLL);
}

TRect TCustomImgView32::GetViewportRect() {
  const int s = GetScrollBarSize();
  return TRect{0, 0, Width() - s, Height() - s};
}

RECT TCustomImgView32::GetSizeGripRect() {
  RECT r = ClientRect();
  const int s = GetScrollBarSize();
  r.left = r.right - s;
  r.top = r.bottom - s;
  return r;
}

bool TCustomImgView32::IsSizeGripVisible() {
  switch (sizeGrip_) {
    case sgAlways: return true;
    case sgNone: return false;
    case sgAuto: break;
  }
  if (Align() != vcl::alClient) return false;
  for (vcl::TWinControl* parent = Parent(); parent; parent = parent->Parent()) {
    if (dynamic_cast<vcl::TCustomForm*>(parent)) return true;
    if (parent->Align() != vcl::alClient) return false;
  }
  return false;
}

void TCustomImgView32::AlignScrollBars() {
  const TRect v = GetViewportRect();
  hScroll_->SetBounds(v.Left, v.Bottom, v.Right - v.Left, Height() - v.Bottom);
  vScroll_->SetBounds(v.Right, v.Top, Width() - v.Right, v.Bottom - v.Top);
  hScroll_->Repaint();
  vScroll_->Repaint();
}

void TCustomImgView32::DrawSizeGrip(HDC dc, const RECT& r) {
  RECT box = r;
  if (UseThemes()) {
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &box, face);
    DrawScrollbarThemePart(dc, SBP_SIZEBOX, SZB_RIGHTALIGN, box);
  } else {
    DrawFrameControl(dc, &box, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  }
}

void TCustomImgView32::DrawSizeGripSquare(HDC dc) {
  const RECT r = GetSizeGripRect();
  if (IsSizeGripVisible()) {
    DrawSizeGrip(dc, r);
  } else {
    RECT box = r;
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  }
}

void TCustomImgView32::PaintSizeGrip() {
  if (!HandleAllocated()) return;
  DrawSizeGripSquare(Canvas()->Handle());
}

void TCustomImgView32::Paint() {
  DrawSizeGripSquare(Canvas()->Handle());
  TCustomImage32::Paint();
}

void TCustomImgView32::UpdateScrollRanges() {
  const SIZE size = GetBitmapSize();
  hScroll_->SetRange(size.cx);
  vScroll_->SetRange(size.cy);
}

void TCustomImgView32::UpdateBitmapOffset() {
  const SIZE size = GetBitmapSize();
  const TRect v = GetViewportRect();
  const int32_t vw = v.Right - v.Left, vh = v.Bottom - v.Top;
  BeginUpdate();
  if (centered_) {
    SetBitmapOffsetX(size.cx < vw ? (vw - size.cx) / 2.0f : -hScroll_->Position());
    SetBitmapOffsetY(size.cy < vh ? (vh - size.cy) / 2.0f : -vScroll_->Position());
  } else {
    SetBitmapOffsetX(-hScroll_->Position());
    SetBitmapOffsetY(-vScroll_->Position());
  }
  InvalidatePlacement();
  EndUpdate();
  Changed();
}

void TCustomImgView32::ScrollToCenter(int x, int y) {
  scrollingToCenter_ = true;
  try {
    AlignScrollBars();
    const TRect v = GetViewportRect();
    hScroll_->SetPosition(static_cast<float>(x * double(Scale()) - (v.Right - v.Left) / 2.0));
    vScroll_->SetPosition(static_cast<float>(y * double(Scale()) - (v.Bottom - v.Top) / 2.0));
  } catch (...) {
    scrollingToCenter_ = false;
    throw;
  }
  scrollingToCenter_ = false;
  UpdateBitmapOffset();
}

void TCustomImgView32::DoScroll() {
  if (OnScroll) OnScroll(this);
}

void TCustomImgView32::ScrollBarChanged(TCustomRangeBar* bar) {
  if (scrollingToCenter_) return;
  bar->Repaint();
  UpdateBitmapOffset();
  DoScroll();
  Repaint();
}

void TCustomImgView32::BitmapSizeChanged() {
  TCustomImage32::BitmapSizeChanged();
  UpdateScrollRanges();
  if (centered_) {
    ScrollToCenter(Bitmap()->Width() / 2, Bitmap()->Height() / 2);
  } else {
    hScroll_->SetPosition(0);
    vScroll_->SetPosition(0);
    UpdateBitmapOffset();
  }
}

void TCustomImgView32::ScaleChanged() {
  InvalidatePlacement();
  UpdateScrollRanges();
  UpdateBitmapOffset();
  Invalidate();
}

void TCustomImgView32::Loaded() {
  AlignScrollBars();
  Invalidate();
  UpdateScrollRanges();
  if (centered_) ScrollToCenter(Bitmap()->Width() / 2, Bitmap()->Height() / 2);
  TCustomImage32::Loaded();
}

void TCustomImgView32::Resize() {
  AlignScrollBars();
  PaintSizeGrip();
  InvalidatePlacement();
  UpdateScrollRanges();
  UpdateBitmapOffset();
  Invalidate();
  TCustomImage32::Resize();
}

void TCustomImgView32::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  auto* form = dynamic_cast<vcl::TCustomForm*>(Owner());
  const RECT grip = GetSizeGripRect();
  if (IsSizeGripVisible() && form && PtInRect(&grip, POINT{x, y})) {
    // The form sizes itself as if its own bottom-right corner had been pressed.
    vcl::Application->ProcessMessages();
    ReleaseCapture();
    const vcl::TPoint screen = ClientToScreen(vcl::Point(x, y));
    SendMessageA(form->Handle(), WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, MAKELPARAM(screen.x, screen.y));
    return;
  }
  TCustomImage32::MouseDown(button, shift, x, y);
}

void TCustomImgView32::MouseMove(vcl::TShiftState shift, int x, int y) {
  TCustomImage32::MouseMove(shift, x, y);
  const RECT grip = GetSizeGripRect();
  if (IsSizeGripVisible() && PtInRect(&grip, POINT{x, y}) && vcl::Screen) vcl::Screen->SetCursor(vcl::crSizeNWSE);
}

// ---- TImgView32 --------------------------------------------------------------------------------

TImgView32::TImgView32(vcl::TComponent* owner) : TCustomImgView32(owner) {}
TImgView32::~TImgView32() = default;

// ---- form data ---------------------------------------------------------------------------------

VCL_PUBLISHED(TIVScrollProperties, p) {
  p.Integer("Increment", &TIVScrollProperties::Increment, &TIVScrollProperties::SetIncrement, 8)
      .Integer("Size", &TIVScrollProperties::Size, &TIVScrollProperties::SetSize, 0);
}

VCL_PUBLISHED(TImgView32, p) {
  p.Bool("Centered", &TImgView32::Centered, &TImgView32::SetCentered, true)
      .Object("ScrollBars", &TImgView32::ScrollBars, &TImgView32::SetScrollBars)
      .Enum("SizeGrip", &TImgView32::SizeGrip, &TImgView32::SetSizeGrip, {"sgAuto", "sgNone", "sgAlways"}, sgAuto)
      .Event("OnScroll", &TImgView32::OnScroll);
}

}  // namespace bitmap
