// Painting of skinned menu items: popup items over their popup image, dividers, caption lines,
// the popup window's border strips, and the items of a main-menu bar over the provider's frame.
#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/adapters/menu_wnd.h"
#include "skin/forms/caption_glyphs.h"
#include "vcl/graphics/colours.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/skinned_menus.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

namespace skin {

namespace {


// The popup window that a menu item's device context paints into, or 0.
HWND PopupWindowOfDC(HDC dc) {
  HWND wnd = WindowFromDC(dc);
  char name[16] = {};
  if (!wnd || !GetClassNameA(wnd, name, sizeof name) || std::string(name) != "#32768") return nullptr;
  return wnd;
}

// The visible items of the popup that holds the item.
bool IsFirstVisible(vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  for (int i = 0; parent && i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) return parent->Items(i) == item;
  return false;
}

bool IsLastVisible(vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  for (int i = parent ? parent->Count() - 1 : -1; i >= 0; --i)
    if (parent->Items(i)->Visible()) return parent->Items(i) == item;
  return false;
}

vcl::TMenuItem* NextVisible(vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  if (!parent) return nullptr;
  for (int i = parent->IndexOf(item) + 1; i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) return parent->Items(i);
  return nullptr;
}

int32_t GlobalMask(TsSkinManager* manager, const char* name) {
  return manager->FindMaskIndex(manager->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", name);
}

}  // namespace

// ---- Items whose manager has no skin ----

bool TsSkinableMenus::DrawIfUnskinned(vcl::TMenuItem* item, vcl::TCanvas* canvas, const vcl::TRect& rect,
                                      vcl::TOwnerDrawState state) {
  if (OwnerSkinActive()) return false;
  // The running handler is kept alive in `running` until it has returned.
  vcl::TAdvancedMenuDrawItemEvent running = std::move(item->OnAdvancedDrawItem);
  vcl::TMenuMeasureItemEvent measuring = std::move(item->OnMeasureItem);
  const auto* draw = running.target<TsMenuDrawHandler>();
  const auto* measure = measuring.target<TsMenuMeasureHandler>();
  item->OnAdvancedDrawItem = draw && draw->Menus == this ? draw->Replaced : running;
  item->OnMeasureItem = measure && measure->Menus == this ? measure->Replaced : measuring;
  item->DrawItem(canvas, rect, state, IsMainBarItem(item));
  return true;
}

bool TsSkinableMenus::MeasureIfUnskinned(vcl::TMenuItem* item, vcl::TCanvas* canvas, int& width, int& height) {
  if (OwnerSkinActive()) return false;
  vcl::TAdvancedMenuDrawItemEvent drawing = std::move(item->OnAdvancedDrawItem);
  vcl::TMenuMeasureItemEvent running = std::move(item->OnMeasureItem);
  const auto* draw = drawing.target<TsMenuDrawHandler>();
  const auto* measure = running.target<TsMenuMeasureHandler>();
  item->OnAdvancedDrawItem = draw && draw->Menus == this ? draw->Replaced : drawing;
  item->OnMeasureItem = measure && measure->Menus == this ? measure->Replaced : running;
  item->MeasureItem(canvas, width, height);
  return true;
}

// ---- The popup window's border ----

void TsSkinableMenus::PaintPopupBorder(HWND window, vcl::TMenuItem* item, const vcl::TRect& rect,
                                       const PopupImageRecord& popup, vcl::TPoint imageOffset) {
  HDC dc = GetWindowDC(window);
  if (!dc) return;
  vcl::TBitmap* image = popup.Image.get();
  HDC source = image->Canvas()->Handle();
  const int32_t w = image->Width(), h = image->Height();
  if (IsFirstVisible(item)) BitBlt(dc, 0, 0, w, BorderWidth, source, 0, 0, SRCCOPY);
  if (IsLastVisible(item)) BitBlt(dc, 0, h - BorderWidth, w, BorderWidth, source, 0, h - BorderWidth, SRCCOPY);
  const int32_t top = rect.top + imageOffset.y, height = rect.bottom - rect.top;
  const int32_t left = VisibleExtraLineWidth(popup) * (InFirstColumn(item) ? 1 : 0) +
                       std::max(GetSkinBorderWidth(), BorderWidth);
  // Only the strips outside the item: the item paints its own rows.
  const int32_t leftStrip = std::min(left, int32_t(rect.left + imageOffset.x));
  BitBlt(dc, 0, top, leftStrip, height, source, 0, top, SRCCOPY);
  BitBlt(dc, w - BorderWidth, top, BorderWidth, height, source, w - BorderWidth, top, SRCCOPY);
  ReleaseDC(window, dc);
}

// ---- Popup items ----

void TsSkinableMenus::DrawItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, vcl::TRect ARect,
                               vcl::TOwnerDrawState State) {
  auto* item = dynamic_cast<vcl::TMenuItem*>(Sender);
  if (!item || !ACanvas || DrawIfUnskinned(item, ACanvas, ARect, State)) return;
  MenuDrawing = true;
  HDC dc = ACanvas->Handle();
  HWND window = PopupWindowOfDC(dc);
  int32_t width = 0, height = 0;
  // Where the client area lies in the window: items are in client coordinates, the popup
  // image covers the whole window.
  vcl::TPoint offset{BorderWidth, BorderWidth};
  if (window) {
    RECT box{};
    GetWindowRect(window, &box);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    width = box.right - box.left;
    height = box.bottom - box.top;
    offset = {origin.x - box.left, origin.y - box.top};
  } else {
    width = PopupWidth(ACanvas, item) + 2 * BorderWidth;
    height = PopupHeight(ACanvas, item) + 2 * BorderWidth;
  }
  PopupImageRecord popup;
  LookupPopupImage(item, true, popup, window, width, height);
  if (window && popup.Image) PaintPopupBorder(window, item, ARect, popup, offset);
  if (!window && vcl::Application) {
    HWND app = vcl::Application->Handle();
    MSG queued{};
    if (!PeekMessageA(&queued, app, kFindPopupWindow, kPreparePopupWindow, PM_NOREMOVE))
      PostMessageA(app, kFindPopupWindow, 0, LPARAM(item));
  }
  if (item->IsLine()) {
    PaintDivider(item, ACanvas, ARect, popup, offset);
    return;
  }
  if (IsCaptionItem(item)) {
    PaintCaptionItem(item, ACanvas, ARect, popup, offset);
    return;
  }
  vcl::TBitmap* image = popup.Image.get();
  if (!image) return;

  const bool first = InFirstColumn(item);
  const int32_t extra = VisibleExtraLineWidth(popup) * (first ? 1 : 0);
  const int32_t itemWidth = std::max<int32_t>(ARect.right - ARect.left - extra, 0);
  const int32_t itemHeight = ARect.bottom - ARect.top;
  const bool enabled = item->Enabled() && !State.Contains(vcl::odDisabled) && !State.Contains(vcl::odGrayed);
  const bool selected = State.Contains(vcl::odSelected);
  vcl::TMenu* menu = item->GetParentMenu();
  auto* ownerForm = menu ? dynamic_cast<vcl::TCustomForm*>(menu->Owner()) : nullptr;
  const bool rtl = ownerForm && ownerForm->UseRightToLeftAlignment();

  // a. The area below the last item of a column keeps the popup's background.
  vcl::TMenuItem* next = NextVisible(item);
  const int32_t bottomLimit = image->Height() - 2 * offset.y;
  if ((next && next->Break() != vcl::mbNone) || (!next && ARect.bottom < bottomLimit)) {
    BitBlt(dc, ARect.left, ARect.bottom, ARect.right - ARect.left, bottomLimit - ARect.bottom,
           image->Canvas()->Handle(), ARect.left + offset.x, ARect.bottom + offset.y, SRCCOPY);
  }
  if (item->Break() != vcl::mbNone)
    BitBlt(dc, ARect.left - 4, ARect.top, 4, bottomLimit - ARect.top, image->Canvas()->Handle(),
           ARect.left - 4 + offset.x, ARect.top + offset.y, SRCCOPY);

  // b, c. The item image over the popup image.
  auto itemImage = CreateBmp24(itemWidth, itemHeight);
  vcl::TCanvas* canvas = itemImage->Canvas();
  const vcl::TPoint place{ARect.left + extra + offset.x, ARect.top + offset.y};
  BitBlt(canvas->Handle(), 0, 0, itemWidth, itemHeight, image->Canvas()->Handle(), place.x, place.y, SRCCOPY);
  const int32_t section = Owner->FindSectionIndex("MENUITEM");
  TsBackgroundInfo background;
  FillBmpBgInfo(image, 0, 0, background);
  PaintSectionItem(section, "MENUITEM", background, -1, -1, Owner, itemImage.get(), place,
                   {0, 0, itemWidth, itemHeight}, enabled && selected ? 1 : 0, true);
  TsBackgroundInfo self;
  FillBmpBgInfo(itemImage.get(), 0, 0, self);

  PaintItemGlyph(item, itemImage.get(), self, State, enabled, selected, rtl, section);
  PaintItemCaption(item, canvas, itemWidth, itemHeight, State, enabled, selected, rtl, section);

  // i. The application's own touch.
  if (OnDrawItem) OnDrawItem(item, canvas, {0, 0, itemWidth, itemHeight}, State, mitNormal);

  // j. A disabled item fades into the popup's background.
  if (!enabled)
    BlendBmpByFactor(itemImage.get(), 0, 0, SkinKeyColor, 0.4,
                     {place.x, place.y, place.x + itemWidth - 1, place.y + itemHeight - 1}, image);

  // k. Onto the popup.
  BitBlt(dc, ARect.left + extra, ARect.top, itemWidth, itemHeight, canvas->Handle(), 0, 0, SRCCOPY);

  // l. The extra line beside the first column.
  if (extra > 0 && item->Parent() && item->Parent()->Count() > 0 && item->Parent()->Items(0) == item)
    BitBlt(dc, BorderWidth - offset.x, BorderWidth - offset.y, extra, image->Height() - 2 * BorderWidth,
           image->Canvas()->Handle(), BorderWidth, BorderWidth, SRCCOPY);
}

// The check mark of an item without a picture, or the item's glyph (framed as a pressed button
// when the item is checked), into the item's image.
void TsSkinableMenus::PaintItemGlyph(vcl::TMenuItem* item, vcl::TBitmap* itemImage, const TsBackgroundInfo& self,
                                     vcl::TOwnerDrawState State, bool enabled, bool selected, bool rtl,
                                     int32_t section) {
  vcl::TCanvas* canvas = itemImage->Canvas();
  const int32_t itemWidth = itemImage->Width(), itemHeight = itemImage->Height();
  // d. The check mark of an item without a picture.
  vcl::TCustomImageList* images = item->GetImageList();
  const bool hasImage = images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
  const bool hasBitmap = item->Bitmap() && !item->Bitmap()->Empty();
  if (State.Contains(vcl::odChecked) && !hasBitmap && !hasImage) {
    int32_t mask = GlobalMask(Owner, item->RadioItem() ? "RADIOCHECKED" : "CHECK");
    if (!Owner->IsMaskIndexValid(mask)) mask = GlobalMask(Owner, "BOXCHECKED");
    if (Owner->IsMaskIndexValid(mask)) {
      const TsMaskData& data = Owner->Masks[size_t(mask)];
      const int32_t x = rtl ? itemWidth - Margin - MaskFrameWidth(data) : Margin;
      PaintMaskGlyph(itemImage, {x, (itemHeight - MaskFrameHeight(data)) / 2}, selected && enabled ? 1 : 0,
                     self, data, kGlyphNormal);
    }
  }

  // e. The glyph, framed as a pressed button when the item is checked.
  auto frameChecked = [&](const vcl::TRect& glyph) {
    if (!State.Contains(vcl::odChecked)) return;
    vcl::TRect frame{glyph.left - 1, glyph.top - 1, glyph.right + 1, glyph.bottom + 1};
    PaintSectionItem(Owner->FindSectionIndex("SPEEDBUTTON_SMALL"), "SPEEDBUTTON_SMALL", self, -1, -1, Owner,
                     itemImage, {frame.left, frame.top}, frame, 2, true);
  };
  if (hasImage) {
    const int32_t at = (itemHeight - images->Height()) / 2;
    const int32_t x = rtl ? itemWidth - at - images->Width() : at;
    frameChecked({x, at, x + images->Width(), at + images->Height()});
    images->Draw(canvas, x, at, item->ImageIndex(), enabled);
  } else if (item->GetParentMenu() && item->GetParentMenu()->Name() == "SysMenu" && !hasBitmap) {
    const int command = int(item->Tag());
    const int32_t x = rtl ? itemWidth - 4 - 16 : 4;
    const vcl::TRect cell{x, 0, x + 16, itemHeight};
    if (char glyph = CaptionCommandGlyph(command); glyph && CaptionGlyphFontUsable()) {
      LOGFONTA font{};
      font.lfHeight = -MulDiv(10, GetDeviceCaps(canvas->Handle(), LOGPIXELSY), 72);
      font.lfCharSet = SYMBOL_CHARSET;
      lstrcpyA(font.lfFaceName, "Webdings");
      canvas->Font()->SetHandle(CreateFontIndirectA(&font));
      char text[2] = {glyph, 0};
      WriteSectionText(canvas, text, enabled, Owner, enabled && selected, section, DT_SINGLELINE | DT_VCENTER, cell);
    } else if (glyph && Owner->IsSectionIndexValid(section)) {
      // The font is missing here (or lacks a glyph): the same pictures are drawn, in the colour
      // the text would have.
      const TsGeneralData& colours = Owner->Sections[size_t(section)];
      const vcl::TColor colour =
          !enabled ? BlendColors(colours.FontColor[0], colours.Color, 0.4)
                   : vcl::TColor(selected ? colours.HotFontColor[0] : colours.FontColor[0]);
      DrawCaptionGlyph(canvas->Handle(), command, cell, COLORREF(vcl::ColorToRGB(colour)));
    }
  } else if (hasBitmap) {
    vcl::TBitmap* bitmap = item->Bitmap();
    const int32_t at = (itemHeight - bitmap->Height()) / 2;
    const int32_t x = rtl ? itemWidth - at - bitmap->Width() : at;
    frameChecked({x, at, x + bitmap->Width(), at + bitmap->Height()});
    if (bitmap->PixelFormat() == vcl::pf32bit) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      GdiAlphaBlend(canvas->Handle(), x, at, bitmap->Width(), bitmap->Height(), bitmap->Canvas()->Handle(), 0, 0,
                    bitmap->Width(), bitmap->Height(), blend);
    } else {
      canvas->Draw(x, at, bitmap);
    }
  }
}

// The caption and the shortcut of an item, in the menu font, into the item's image.
void TsSkinableMenus::PaintItemCaption(vcl::TMenuItem* item, vcl::TCanvas* canvas, int32_t itemWidth,
                                       int32_t itemHeight, vcl::TOwnerDrawState State, bool enabled, bool selected,
                                       bool rtl, int32_t section) {
  // f, g. The caption.
  SelectMenuFont(canvas, item, State.Contains(vcl::odDefault));
  const int32_t glyphWidth = GlyphSize(item).cx;
  vcl::TRect textRect{0, 0, itemWidth, itemHeight};
  if (rtl)
    textRect.right -= glyphWidth + 2 * Margin + Spacing;
  else
    textRect.left += glyphWidth + 2 * Margin + Spacing;
  std::string caption = item->Caption();
  uint32_t format = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP;
  if (!caption.empty() && caption[0] == '\b') {
    caption = caption.substr(1) + "      ";
    format |= DT_RIGHT;
  } else {
    format |= alignment_ == vcl::taRightJustify ? DT_RIGHT : alignment_ == vcl::taCenter ? DT_CENTER : DT_LEFT;
  }
  if (rtl) format |= DT_RIGHT;
  if (State.Contains(vcl::odNoAccel)) format |= DT_HIDEPREFIX;
  const bool hot = enabled && (selected || State.Contains(vcl::odHotLight));
  canvas->Brush()->SetStyle(vcl::bsClear);
  WriteSectionText(canvas, caption, enabled, Owner, hot, section, format, textRect);

  // h. The shortcut, right-aligned.
  const std::string shortCut = vcl::ShortCutToText(item->ShortCut());
  if (!shortCut.empty()) {
    vcl::TRect shortCutRect = rtl ? vcl::TRect{6, 0, itemWidth, itemHeight} : vcl::TRect{0, 0, itemWidth - 8, itemHeight};
    WriteSectionText(canvas, shortCut, enabled, Owner, hot, section,
                     DT_SINGLELINE | DT_VCENTER | (rtl ? DT_LEFT : DT_RIGHT), shortCutRect);
  }
}

void TsSkinableMenus::PaintDivider(vcl::TMenuItem* item, vcl::TCanvas* canvas, const vcl::TRect& rect,
                                   const PopupImageRecord& popup, vcl::TPoint imageOffset) {
  (void)item;
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  const int32_t mask = Owner->FindMaskIndex(Owner->FindSectionIndex("DIVIDERV"), "DIVIDERV", "BORDERSMASK");
  if (!Owner->IsMaskIndexValid(mask) || !popup.Image) {
    // A plain engraved line.
    HDC dc = canvas->Handle();
    const int32_t y = rect.top + h / 2 - 1;
    PaintSolidRect(dc, {rect.left, y, rect.right, y + 1}, 0x808080);
    PaintSolidRect(dc, {rect.left, y + 1, rect.right, y + 2}, 0xFFFFFF);
    return;
  }
  const int32_t extra = VisibleExtraLineWidth(popup);
  auto image = CreateBmp24(w, h);
  BitBlt(image->Canvas()->Handle(), 0, 0, w, h, popup.Image->Canvas()->Handle(), rect.left + imageOffset.x,
         rect.top + imageOffset.y, SRCCOPY);
  int32_t left = extra + Margin + Spacing;
  if (left < IconLineWidth + extra) left = IconLineWidth + extra + 2;
  TsBackgroundInfo self;
  FillBmpBgInfo(image.get(), 0, 0, self);
  // The line of a divider mask is its centre, which a border mask may leave unpainted.
  TsMaskData line = Owner->Masks[size_t(mask)];
  line.StretchMode |= 4;
  if (w - Margin > left) PaintSlicedMask(image.get(), {left, 0, w - Margin, h}, true, self, line, 0, false);
  BitBlt(canvas->Handle(), rect.left, rect.top, w, h, image->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsSkinableMenus::PaintCaptionItem(vcl::TMenuItem* item, vcl::TCanvas* canvas, const vcl::TRect& rect,
                                       const PopupImageRecord& popup, vcl::TPoint imageOffset) {
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  auto image = CreateBmp24(w, h);
  if (popup.Image)
    BitBlt(image->Canvas()->Handle(), 0, 0, w, h, popup.Image->Canvas()->Handle(), rect.left + imageOffset.x,
           rect.top + imageOffset.y, SRCCOPY);
  const int32_t extra = VisibleExtraLineWidth(popup);
  const int32_t section = Owner->FindSectionIndex("TOOLBAR");
  TsBackgroundInfo self;
  FillBmpBgInfo(image.get(), 0, 0, self);
  if (w - 1 > extra + 1 && h > 2)
    PaintSectionItem(section, "TOOLBAR", self, -1, -1, Owner, image.get(), {extra + 1, 1}, {extra + 1, 1, w - 1, h - 1},
                     0, true);
  // The first word between the dashes.
  std::string caption = item->Caption();
  size_t start = caption.find_first_not_of('-');
  std::string word = start == std::string::npos ? std::string() : caption.substr(start, caption.find('-', start) - start);
  vcl::TCanvas* target = image->Canvas();
  target->Font()->Assign(CaptionFont());
  target->Brush()->SetStyle(vcl::bsClear);
  WriteSectionText(target, word, true, Owner, false, section, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX,
                   {extra + 1, 0, w, h});
  BitBlt(canvas->Handle(), rect.left, rect.top, w, h, target->Handle(), 0, 0, SRCCOPY);
}

// ---- Main-menu bar items ----

void TsSkinableMenus::PaintItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, vcl::TRect ARect,
                                vcl::TOwnerDrawState State) {
  auto* item = dynamic_cast<vcl::TMenuItem*>(Sender);
  if (!item || !ACanvas || DrawIfUnskinned(item, ACanvas, ARect, State)) return;
  vcl::TMenu* menu = item->GetParentMenu();
  TsSkinProvider* provider = MdiFormProvider;
  if (!provider || !provider->Form() || provider->Form()->FormStyle() != vcl::fsMDIForm) {
    auto* form = menu ? dynamic_cast<vcl::TCustomForm*>(menu->Owner()) : nullptr;
    provider = form ? TsSkinProvider::FromForm(form) : nullptr;
  }
  vcl::TBitmap* frame = provider && provider->SkinData() ? provider->SkinData()->CacheBitmap.get() : nullptr;
  if (!frame || frame->Width() == 0) return;
  const int32_t w = ARect.right - ARect.left, h = ARect.bottom - ARect.top;
  if (w <= 0 || h <= 0) return;

  // Where the item lies in the provider's frame image.
  vcl::TPoint place{ARect.left, ARect.top};
  if (ACanvas->Handle() != frame->Canvas()->Handle()) {
    HWND wnd = provider->Form()->HandleAllocated() ? provider->Form()->Handle() : nullptr;
    HMENU bar = wnd ? GetMenu(wnd) : nullptr;
    const int32_t position = provider->MenuBarPosition(item);
    RECT r{};
    if (!bar || position < 0 || !GetMenuItemRect(wnd, bar, UINT(position), &r)) return;
    const vcl::TPoint origin = provider->FrameOrigin();
    const vcl::TRect shadow = provider->GetShadowMargins();
    place = {r.left + provider->ExtBorderExcess() + shadow.left - origin.x,
             r.top + provider->ExtTitleExcess() + shadow.top - origin.y};
  }

  auto image = CreateBmp24(w, h);
  vcl::TCanvas* canvas = image->Canvas();
  BitBlt(canvas->Handle(), 0, 0, w, h, frame->Canvas()->Handle(), place.x, place.y, SRCCOPY);
  const bool enabled = item->Enabled() && !State.Contains(vcl::odDisabled) && !State.Contains(vcl::odGrayed);
  const bool hot = (enabled && State.Contains(vcl::odSelected)) || State.Contains(vcl::odHotLight);
  TsBackgroundInfo background;
  FillBmpBgInfo(frame, 0, 0, background);
  PaintSectionItem(Owner->FindSectionIndex("MENUITEM"), "MENUITEM", background, -1, -1, Owner, image.get(), place,
                   {0, 0, w, h}, hot ? 1 : 0, true);

  int32_t glyphWidth = 0;
  vcl::TCustomImageList* images = menu ? menu->Images() : nullptr;
  if (item->Bitmap() && !item->Bitmap()->Empty()) {
    vcl::TBitmap* bitmap = item->Bitmap();
    glyphWidth = bitmap->Width();
    canvas->Draw(3, (h - bitmap->Height()) / 2, bitmap);
  } else if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    glyphWidth = images->Width();
    images->Draw(canvas, 3, (h - images->Height()) / 2, item->ImageIndex(), enabled);
  }
  SelectMenuFont(canvas, item, State.Contains(vcl::odDefault));
  vcl::TRect textRect{Margin + (glyphWidth ? glyphWidth + 2 : 0), Margin, w - Margin, h - Margin};
  uint32_t format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP;
  if (State.Contains(vcl::odNoAccel)) format |= DT_HIDEPREFIX;
  canvas->Brush()->SetStyle(vcl::bsClear);
  WriteSectionText(canvas, item->Caption(), enabled, Owner, hot, Owner->FindSectionIndex("MENULINE"), format, textRect);
  if (OnDrawItem) OnDrawItem(item, canvas, {0, 0, w, h}, State, mitMainItem);
  if (!enabled) MixBitmapRect(image.get(), frame, 102, {0, 0}, {place.x, place.y, place.x + w, place.y + h});
  BitBlt(ACanvas->Handle(), ARect.left, ARect.top, w, h, canvas->Handle(), 0, 0, SRCCOPY);
}

}  // namespace skin
