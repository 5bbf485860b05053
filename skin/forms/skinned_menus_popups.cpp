// Popup images: the background of each open popup built from the skin (body, icon line,
// border, extra line), a process-wide cache of them keyed by the popup's first item and by its
// window, and the preparation of the platform's popup window (no erasing or frame painting of
// its own, a region cut to the skin's border shape).
#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_background.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/form_skinning.h"
#include "skin/forms/skinned_menus.h"
#include "vcl/controls/forms.h"

namespace skin {

namespace {

// Marks a popup window whose procedure chain holds PopupWndProc (its previous procedure is
// in GWL_USERDATA), so that it is never put in twice.
constexpr const char* kPopupProcProp = "ACMNUPROC";

std::vector<PopupImageRecord>& Cache() {
  static std::vector<PopupImageRecord> cache;
  return cache;
}

vcl::TMenuItem* PopupKey(vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  return parent && parent->Count() > 0 ? parent->Items(0) : item;
}

PopupImageRecord* FindByItem(vcl::TMenuItem* key) {
  for (PopupImageRecord& record : Cache())
    if (record.FirstItem == key) return &record;
  return nullptr;
}

PopupImageRecord* FindByWindow(HWND window) {
  for (PopupImageRecord& record : Cache())
    if (record.Window == window) return &record;
  return nullptr;
}

LRESULT CALLBACK PopupWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  try {
    switch (msg) {
      case WM_ERASEBKGND:
      case WM_NCPAINT:
        // The menus paint the border and background of a popup they have an image of.
        if (FindByWindow(wnd)) return 1;
        break;
      case WM_SHOWWINDOW:
        // A popup window may be kept and shown again for another menu: its image goes now.
        if (!wParam) TsSkinableMenus::ClearPopupCache();
        break;
      case WM_DESTROY:
        TsSkinableMenus::ClearPopupCache();
        break;
      case WM_NCDESTROY:
        RemovePropA(wnd, kPopupProcProp);
        break;
      default:
        break;
    }
  } catch (...) {
  }
  return previous ? CallWindowProcA(previous, wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace

const std::vector<PopupImageRecord>& TsSkinableMenus::PopupCache() { return Cache(); }

void TsSkinableMenus::ClearPopupCache() { Cache().clear(); }

bool TsSkinableMenus::PopupCacheLookup(HWND window, PopupImageRecord& out) {
  out = PopupImageRecord{};
  PopupImageRecord* record = window ? FindByWindow(window) : nullptr;
  if (!record || !record->Image) return false;
  out = *record;
  return true;
}

bool TsSkinableMenus::LookupPopupImage(vcl::TMenuItem* item, bool build, PopupImageRecord& out, HWND window,
                                       int32_t width, int32_t height) {
  out = PopupImageRecord{};
  if (item) {
    vcl::TMenuItem* key = PopupKey(item);
    PopupImageRecord* record = FindByItem(key);
    // A popup that changed its size since its image was built (items added, or its window
    // shown again for the same menu) gets a new image.
    const bool sized = width > 0 && height > 0;
    if (record && build && sized && record->Image &&
        (record->Image->Width() != width || record->Image->Height() != height)) {
      Cache().erase(Cache().begin() + (record - Cache().data()));
      record = nullptr;
    }
    if (!record && build && sized) {
      BuildPopupImage(key, width, window, height);
      record = FindByItem(key);
    }
    if (!record) return false;
    if (window && !record->Window) {
      record->Window = window;
      if (record->Image) PreparePopupWindow(window, record->Image.get());
    }
    out = *record;
    return true;
  }
  return PopupCacheLookup(window, out);
}

void TsSkinableMenus::BuildPopupImage(vcl::TMenuItem* firstItem, int32_t width, HWND window, int32_t height) {
  if (!firstItem || width <= 0 || height <= 0 || !Owner) return;
  std::string extraSection, extraCaption;
  std::unique_ptr<vcl::TBitmap> extraGlyph;
  PopupImageRecord record;
  record.FirstItem = firstItem;
  record.Window = window;
  record.ExtraLineVisible = QueryExtraLine(firstItem, extraSection, extraCaption, extraGlyph);

  auto image = std::shared_ptr<vcl::TBitmap>(CreateBmp24(width, height).release());
  FirstGlyphWidth = GlyphSize(firstItem).cx;
  IconLineWidth = Margin + FirstGlyphWidth + Spacing;
  record.Image = image;

  const int32_t mainMenu = Owner->FindSectionIndex("MAINMENU");
  if (Owner->IsSectionIndexValid(mainMenu)) {
    const int32_t border = GetSkinBorderWidth();
    const int32_t extra = VisibleExtraLineWidth(record);
    TsBackgroundInfo keyed;
    keyed.FillColor = SkinKeyColor;
    keyed.Ready = true;
    PaintSectionBg(mainMenu, "MAINMENU", keyed, NoCustomColor, -1, -1, Owner, image.get(), {0, 0},
                   {0, 0, width, height}, false);
    TsBackgroundInfo self;
    FillBmpBgInfo(image.get(), 0, 0, self);

    // The icon line beside the glyphs.
    std::string iconLineName = Owner->MenuSupport()->IcoLineSkin.empty() ? "ICOLINE" : Owner->MenuSupport()->IcoLineSkin;
    const int32_t iconLine = Owner->FindSectionIndex(iconLineName);
    const int32_t innerHeight = height - 2 * border;
    if (Owner->IsSectionIndexValid(iconLine) && IconLineWidth > 0 && innerHeight > 0) {
      auto strip = CreateBmp24(IconLineWidth, innerHeight);
      const vcl::TPoint at{extra + border, border};
      PaintSectionItem(iconLine, iconLineName, self, -1, -1, Owner, strip.get(), at, {0, 0, IconLineWidth, innerHeight},
                       0, true);
      BitBlt(image->Canvas()->Handle(), at.x, at.y, IconLineWidth, innerHeight, strip->Canvas()->Handle(), 0, 0,
             SRCCOPY);
    }

    // The border.
    const int32_t mask = Owner->FindMaskIndex(mainMenu, "MAINMENU", "BORDERSMASK");
    if (Owner->IsMaskIndexValid(mask))
      PaintSlicedMask(image.get(), {0, 0, width, height}, false, self, Owner->Masks[size_t(mask)], 0, false);

    // The extra line.
    const int32_t extraIndex = Owner->FindSectionIndex(extraSection);
    if (extra > 0 && Owner->IsSectionIndexValid(extraIndex) && innerHeight > 0) {
      auto strip = CreateBmp24(extra, innerHeight);
      PaintSectionItem(extraIndex, extraSection, self, -1, -1, Owner, strip.get(), {border, border},
                       {0, 0, extra, innerHeight}, 0, true);
      vcl::TCanvas* canvas = strip->Canvas();
      int32_t glyphHeight = 0;
      if (extraGlyph && !extraGlyph->Empty()) {
        glyphHeight = extraGlyph->Height();
        canvas->Draw((extra - extraGlyph->Width()) / 2, innerHeight - glyphHeight - 12, extraGlyph.get());
      }
      MakeExtraLineFont(canvas, firstItem, -2700);
      canvas->Brush()->SetStyle(vcl::bsClear);
      const auto& data = Owner->Sections[size_t(extraIndex)];
      SetTextColor(canvas->Handle(), COLORREF(data.FontColor[0]));
      SetBkMode(canvas->Handle(), TRANSPARENT);
      HGDIOBJ old = SelectObject(canvas->Handle(), canvas->Font()->Handle());
      SIZE textSize{};
      GetTextExtentPoint32A(canvas->Handle(), "W", 1, &textSize);
      const int32_t x = (extra - textSize.cy) / 2;
      const int32_t y = innerHeight - (glyphHeight ? glyphHeight + 20 : 12);
      RECT clip{0, 0, extra, innerHeight};
      ExtTextOutA(canvas->Handle(), x, y, ETO_CLIPPED, &clip, extraCaption.c_str(), UINT(extraCaption.size()), nullptr);
      SelectObject(canvas->Handle(), old);
      BitBlt(image->Canvas()->Handle(), border, border, extra, innerHeight, canvas->Handle(), 0, 0, SRCCOPY);
    }

    // The corners the border shape leaves out of the window.
    RegionCutouts.clear();
    if (Owner->IsMaskIndexValid(mask)) {
      const TsMaskData& data = Owner->Masks[size_t(mask)];
      CollectCornerRects(RegionCutouts, width, data, false, 0);
      CollectCornerRects(RegionCutouts, width, data, true, height - Owner->MaskMarginBottom(mask));
    }
    Cache().push_back(record);
    if (window) PreparePopupWindow(window, image.get());
    return;
  }
  Cache().push_back(record);
}

void TsSkinableMenus::MakeExtraLineFont(vcl::TCanvas* canvas, vcl::TMenuItem* item, int32_t escapement) {
  if (!Owner) return;
  vcl::TFont* font = Owner->MenuSupport()->ExtraLineFont();
  canvas->Font()->Assign(font);
  vcl::TMenu* menu = item ? item->GetParentMenu() : nullptr;
  if (auto* form = menu ? dynamic_cast<vcl::TCustomForm*>(menu->Owner()) : nullptr)
    canvas->Font()->SetCharset(form->Font()->Charset());
  LOGFONTA logFont{};
  lstrcpynA(logFont.lfFaceName, font->Name().c_str(), LF_FACESIZE);
  logFont.lfHeight = font->Size();
  logFont.lfEscapement = escapement;
  logFont.lfOrientation = escapement;
  logFont.lfWeight = FW_NORMAL;
  logFont.lfItalic = font->Style().Contains(vcl::fsItalic);
  logFont.lfUnderline = font->Style().Contains(vcl::fsUnderline);
  logFont.lfStrikeOut = font->Style().Contains(vcl::fsStrikeOut);
  logFont.lfCharSet = canvas->Font()->Charset();
  canvas->Font()->SetHandle(CreateFontIndirectA(&logFont));
}

void TsSkinableMenus::PreparePopupWindow(HWND window, vcl::TBitmap* image) {
  if (BorderDrawing || !window || !IsWindow(window)) return;
  if (!GetPropA(window, kPopupProcProp)) {
    const LONG_PTR previous = GetWindowLongPtrA(window, GWLP_WNDPROC);
    SetWindowLongPtrA(window, GWLP_USERDATA, previous);
    SetPropA(window, kPopupProcProp, HANDLE(1));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PopupWndProc));
  }
  // A window that an adapter already skins keeps its region.
  if (image && SendMessageA(window, SM_ALPHACMD, MAKEWPARAM(0, cmdSetUpdating), 0) == 0) {
    SendMessageA(window, SM_ALPHACMD, MAKEWPARAM(0, cmdMenuDropped), 0);
    BorderDrawing = true;
    HRGN region = RegionWithoutRects(0, 0, image->Width(), image->Height(), RegionCutouts);
    // The window owns the region from here on.
    if (!SetWindowRgn(window, region, TRUE)) DeleteObject(region);
  }
  BorderDrawing = false;
}

}  // namespace skin
