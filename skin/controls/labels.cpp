#include "skin/controls/labels.h"

#include <algorithm>
#include <cctype>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/bound_label.h"
#include "skin/engine/common_data.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

// Set while a label copies its skin font: the font change it causes must not repaint again.
bool copyingSkinFont = false;

void SetFontColour(vcl::TFont* font, int32_t colour) {
  if (colour != SkinKeyColor && font->Color() != vcl::TColor(colour)) font->SetColor(vcl::TColor(colour));
}

}  // namespace

// ---- TsCustomLabel ----

TsCustomLabel::TsCustomLabel(vcl::TComponent* owner) : vcl::TCustomLabel(owner) { SetTransparent(true); }

TsCustomLabel::~TsCustomLabel() = default;

bool TsCustomLabel::SkinActive() { return DefaultManager && DefaultManager->SkinData()->Active; }

void TsCustomLabel::SetSkinSection(const std::string& value) {
  if (value == skinSection_) return;
  skinSection_ = value;
  Repaint();
}

vcl::TFont* TsCustomLabel::GetCurrentFont() {
  if (SkinActive()) {
    int32_t i = GetParentFontSkinIndex(this, -1, DefaultManager);
    int32_t colour = i < 0 ? int32_t(DefaultManager->GetGlobalFontColor())
                           : DefaultManager->Sections[size_t(i)].FontColor[0];
    SetFontColour(Font(), colour);
  }
  return Font();
}

void TsCustomLabel::Paint() {
  if (IsDestroying(this)) return;
  if (!copyingSkinFont) {
    copyingSkinFont = true;
    try {
      vcl::TFont* f = GetCurrentFont();
      if (f != Font()) Font()->Assign(f);
      if (!skinSection_.empty() && SkinActive()) {
        int i = DefaultManager->FindSectionIndex(vcl::UpperCase(skinSection_));
        if (i >= 0) SetFontColour(Font(), DefaultManager->Sections[size_t(i)].FontColor[0]);
      }
    } catch (...) {
      copyingSkinFont = false;
      throw;
    }
    copyingSkinFont = false;
  }
  if (!skinSection_.empty() && SkinActive()) {
    std::string name = vcl::UpperCase(skinSection_);
    int i = DefaultManager->FindSectionIndex(name);
    // The first section of a skin is its global one and never painted as a background.
    if (i > 0) {
      TsBackgroundRequest request;
      RequestCtrlBackground(request, Parent(), false);
      TsBackgroundInfo info;
      BgRequestToBgInfo(request, info);
      PaintSectionItemToDC(i, name, info, DefaultManager, Canvas()->Handle(), vcl::TPoint{Left(), Top()},
                           vcl::TRect{0, 0, Width(), Height()}, 0, true);
    }
  }
  vcl::TCustomLabel::Paint();
}

void TsCustomLabel::DoDrawText(vcl::TRect& rect, UINT flags) {
  if (Enabled() || !SkinActive() || IsDestroying(DefaultManager)) {
    vcl::TCustomLabel::DoDrawText(rect, flags);
    return;
  }
  // Disabled under a skin: the text fades into what lies behind it.
  std::string text = Caption();
  if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == "&"))) text += ' ';
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  vcl::TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  vcl::TColor behind = vcl::TColor(GetControlBgColor(Parent()));
  canvas->Font()->SetColor(BlendColors(vcl::TColor(vcl::ColorToRGB(Font()->Color())), behind, 0.4));
  canvas->Brush()->SetStyle(vcl::bsClear);
  // The platform's text drawing sees only what is selected into the device: the font, its
  // colour and the see-through background are put there for the call.
  HDC dc = canvas->Handle();
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  const COLORREF oldColour = SetTextColor(dc, COLORREF(vcl::ColorToRGB(canvas->Font()->Color())));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  RECT r = rect;
  DrawTextA(dc, text.c_str(), int(text.size()), &r, flags);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColour);
  SelectObject(dc, oldFont);
  rect = r;
}

void TsCustomLabel::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case vcl::CM_FONTCHANGED:
      if (IsDestroying(this)) break;
      if (copyingSkinFont) return;
      if (AutoSize()) AdjustBounds();
      Invalidate();
      return;
    case vcl::CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      break;
  }
  vcl::TCustomLabel::WndProc(message);
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdSkinRemoved:
        if (message.LParam == LPARAM(DefaultManager) && !IsDestroying(this) && Font()->Color() != vcl::clWindowText)
          Font()->SetColor(vcl::clWindowText);
        break;
      case cmdSkinRefresh:
        if (IsDesigning(this)) Invalidate();
        break;
    }
  } else if (message.Msg == vcl::CM_MOUSELEAVE && OnMouseLeave) {
    OnMouseLeave(this);
  }
}

// ---- TsLabel ----

TsLabel::TsLabel(vcl::TComponent* owner) : TsCustomLabel(owner) {}

TsLabel::~TsLabel() = default;

vcl::TFont* TsLabel::GetCurrentFont() {
  if (IsDestroying(this) || !useSkinColor_ || (IsDesigning(this) && GetOwnerFrame(this))) return Font();
  return TsCustomLabel::GetCurrentFont();
}

void TsLabel::WndProc(vcl::TMessage& message) {
  if (IsAlphaCmd(message, cmdSkinRemoved)) {
    if (message.LParam == LPARAM(DefaultManager) && !IsDestroying(this) && useSkinColor_ &&
        !(IsDesigning(this) && GetOwnerFrame(this)) && Font()->Color() != vcl::clWindowText)
      Font()->SetColor(vcl::clWindowText);
    return;
  }
  TsCustomLabel::WndProc(message);
}

// ---- TsEditLabel ----

TsEditLabel::TsEditLabel(vcl::TComponent* owner, TsBoundLabel* bound) : TsLabel(owner), bound_(bound) {}

TsEditLabel::~TsEditLabel() {
  if (bound_) bound_->LabelGone(this);
}

void InstallSkinnedEditLabels() {
  CreateBoundEditLabel = [](vcl::TComponent* owner, TsBoundLabel* bound) -> vcl::TCustomLabel* {
    return vcl::New<TsEditLabel>(owner, bound);
  };
}

// ---- TsWebLabel ----

std::function<void(const std::string& url, int showCommand)> TsWebLabel::ShellOpen =
    [](const std::string& url, int showCommand) {
      std::u16string wide = vcl::AnsiToUtf16(url);
      HWND owner = vcl::Application ? vcl::Application->Handle() : nullptr;
      ShellExecuteW(owner, reinterpret_cast<LPCWSTR>(u"open"), reinterpret_cast<LPCWSTR>(wide.c_str()), nullptr, nullptr, showCommand);
    };

TsWebLabel::TsWebLabel(vcl::TComponent* owner)
    : TsLabel(owner), normalFont_(std::make_unique<vcl::TFont>()), hoverFont_(std::make_unique<vcl::TFont>()) {
  normalFont_->Assign(Font());
  hoverFont_->Assign(Font());
  SetCursor(vcl::crHandPoint);
  vcl::TControlStyle style = ControlStyle();
  SetControlStyle(style.Include(vcl::csOpaque));
}

TsWebLabel::~TsWebLabel() = default;

void TsWebLabel::Loaded() {
  TsLabel::Loaded();
  Font()->Assign(normalFont_.get());
}

void TsWebLabel::SetNormalFont(vcl::TFont* value) {
  Font()->Assign(value);
  normalFont_->Assign(value);
  Repaint();
}

vcl::TFont* TsWebLabel::GetCurrentFont() {
  const bool hot = hovered_ && !IsDesigning(this);
  vcl::TFont* font = hot ? hoverFont_.get() : normalFont_.get();
  int32_t colour = -1;
  int global = DefaultManager ? DefaultManager->CommonIndexes.GlobalInfoIndex : -1;
  if (UseSkinColor() && SkinActive() && DefaultManager->IsSectionIndexValid(global)) {
    const TsGeneralData& s = DefaultManager->Sections[size_t(global)];
    colour = hot ? s.FontColor[2] : s.FontColor[4];
  } else {
    colour = int32_t(font->Color());
  }
  if (colour == -1) colour = hot ? 0x0000FF : 0xFF0000;
  font->SetColor(vcl::TColor(colour));
  return font;
}

bool TsWebLabel::IsOpenableURL(const std::string& url) {
  for (unsigned char c : url)
    if (c < 0x20 || c == 0x7F) return false;
  std::string lower = vcl::LowerCase(url);
  for (const char* scheme : {"http://", "https://", "mailto:"}) {
    const std::string s = scheme;
    if (lower.size() > s.size() && lower.compare(0, s.size(), s) == 0) return true;
  }
  return false;
}

void TsWebLabel::HoverChanged(bool hovered) {
  hovered_ = hovered;
  if (AutoSize()) {
    Invalidate();
    Update();
    AdjustBounds();
  }
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->Handle(), &r, TRUE);
  }
}

void TsWebLabel::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      return;
    case WM_LBUTTONDOWN:
      TsLabel::WndProc(message);
      if (!url_.empty() && IsOpenableURL(url_) && ShellOpen) ShellOpen(url_, int(showMode_));
      return;
    case vcl::CM_MOUSEENTER:
      TsLabel::WndProc(message);
      HoverChanged(true);
      return;
    case vcl::CM_MOUSELEAVE:
      TsLabel::WndProc(message);
      HoverChanged(false);
      return;
  }
  TsLabel::WndProc(message);
}

// ---- Registration ----

VCL_PUBLISHED(TsCustomLabel, p) {
  using C = TsCustomLabel;
  p.Bool("Transparent", &C::Transparent, &C::SetTransparent, true)
      .String("SkinSection", &C::SkinSection, &C::SetSkinSection)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave);
}

VCL_PUBLISHED(TsLabel, p) { p.Bool("UseSkinColor", &TsLabel::UseSkinColor, &TsLabel::SetUseSkinColor, true); }

VCL_PUBLISHED(TsWebLabel, p) {
  using C = TsWebLabel;
  p.Integer("Cursor", &C::Cursor, &C::SetCursor, vcl::crHandPoint)
      .Idents(vcl::CursorToIdent, vcl::IdentToCursor)
      .Object("Font", &C::NormalFont, &C::SetNormalFont)
      .Object("HoverFont", &C::HoverFont, &C::SetHoverFont)
      .String("URL", &C::URL, &C::SetURL)
      .Enum("ShowMode", &C::ShowMode, &C::SetShowMode,
            {"soHide", "soNormal", "soShowMinimized", "soMaximize", "soShowNoActivate", "soShow", "soMinimize",
             "soShowMinNoActive", "soShowNA", "soRestore", "soDefault"},
            soDefault);
}

}  // namespace skin
