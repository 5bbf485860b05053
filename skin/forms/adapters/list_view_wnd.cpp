#include "skin/forms/adapters/list_view_wnd.h"

#include <algorithm>
#include <cstring>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/form_skinning.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

namespace {

constexpr UINT kHeaderTextFlags = DT_END_ELLIPSIS | DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER;

bool IsHeaderClass(HWND wnd) {
  char name[96] = {};
  return wnd && GetClassNameA(wnd, name, sizeof name) > 0 && lstrcmpiA(name, "SysHeader32") == 0;
}

}  // namespace

// The header's subclass: every message goes to the adapter's header procedure.
class TacListViewWnd::HeaderHook : public vcl::TWindowSubclass {
 public:
  explicit HeaderHook(TacListViewWnd* owner) : owner_(owner) {}
  LRESULT Previous(UINT msg, WPARAM wParam, LPARAM lParam) { return CallPrevious(msg, wParam, lParam); }

 protected:
  LRESULT SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    return owner_->HeaderWndProc(msg, wParam, lParam);
  }
  void HandleException() override {
    if (vcl::Application) vcl::Application->HandleException(nullptr);
  }
  void WindowDestroyed() override {
    owner_->HeaderWnd = nullptr;
    owner_->HoverColumn = owner_->PressedColumn = -1;
  }

 private:
  TacListViewWnd* owner_;
};

TacListViewWnd::TacListViewWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacEditWnd(wnd, section, manager, skinLink) {
  headerHook_ = std::make_unique<HeaderHook>(this);
  HookHeader(FindWindowExA(wnd, nullptr, "SysHeader32", nullptr));
}

TacListViewWnd::~TacListViewWnd() { UnhookHeader(); }

void TacListViewWnd::HookHeader(HWND header) {
  if (!header || !headerHook_ || header == HeaderWnd) return;
  UnhookHeader();
  if (headerHook_->Attach(header)) HeaderWnd = header;
  PressedColumn = HoverColumn = -1;
}

void TacListViewWnd::UnhookHeader() {
  if (headerHook_) headerHook_->Detach();
  if (HeaderWnd && IsWindow(HeaderWnd)) InvalidateRect(HeaderWnd, nullptr, TRUE);
  HeaderWnd = nullptr;
}

int TacListViewWnd::ViewStyle() const {
  if (auto* list = dynamic_cast<vcl::TListView*>(OwnerControl())) return int(list->ViewStyle());
  switch (SendMessageA(Wnd, LVM_GETVIEW, 0, 0)) {
    case LV_VIEW_ICON:
      return lvsIcon;
    case LV_VIEW_DETAILS:
      return lvsReport;
    case LV_VIEW_SMALLICON:
      return lvsSmallIcon;
    default:
      return lvsList;
  }
}

void TacListViewWnd::SaveInitialState() {
  TacEditWnd::SaveInitialState();
  // The window's own colours: the class library's colour properties do not reach them.
  listBackground_ = COLORREF(SendMessageA(Wnd, LVM_GETBKCOLOR, 0, 0));
  listText_ = COLORREF(SendMessageA(Wnd, LVM_GETTEXTCOLOR, 0, 0));
  savedTextBackground_ = COLORREF(SendMessageA(Wnd, LVM_GETTEXTBKCOLOR, 0, 0));
}

void TacListViewWnd::RestoreInitialState() {
  if (Wnd && IsWindow(Wnd)) {
    SendMessageA(Wnd, LVM_SETBKCOLOR, 0, LPARAM(listBackground_));
    SendMessageA(Wnd, LVM_SETTEXTBKCOLOR, 0, LPARAM(savedTextBackground_));
    SendMessageA(Wnd, LVM_SETTEXTCOLOR, 0, LPARAM(listText_));
  }
  UnhookHeader();
  TacEditWnd::RestoreInitialState();
  if (Wnd && IsWindow(Wnd)) InvalidateRect(Wnd, nullptr, TRUE);
}

void TacListViewWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  ApplyListColours();
}

void TacListViewWnd::ApplyListColours() {
  COLORREF back = vcl::ColorToRGB(vcl::clWindow), text = vcl::ColorToRGB(vcl::clWindowText);
  TsSkinManager* manager = SkinLink ? SkinLink->GetSkinManager() : nullptr;
  if (!DialogMode) {
    if (!manager || !manager->IsSectionIndexValid(SkinLink->SectionIndex)) return;
    const TsGeneralData& section = manager->Sections[size_t(SkinLink->SectionIndex)];
    back = vcl::ColorToRGB(section.Color);
    text = vcl::ColorToRGB(section.FontColor[0]);
  }
  // Set only when they differ: the list repaints on each change.
  if (COLORREF(SendMessageA(Wnd, LVM_GETBKCOLOR, 0, 0)) != back) SendMessageA(Wnd, LVM_SETBKCOLOR, 0, LPARAM(back));
  if (COLORREF(SendMessageA(Wnd, LVM_GETTEXTBKCOLOR, 0, 0)) != back)
    SendMessageA(Wnd, LVM_SETTEXTBKCOLOR, 0, LPARAM(back));
  if (COLORREF(SendMessageA(Wnd, LVM_GETTEXTCOLOR, 0, 0)) != text) SendMessageA(Wnd, LVM_SETTEXTCOLOR, 0, LPARAM(text));
}

void TacListViewWnd::ThumbScroll(vcl::TMessage& m, bool horizontal) {
  if (LOWORD(m.WParam) != SB_THUMBTRACK) {
    // The list reads the position of other codes from its own scroll information.
    LPARAM none = 0;
    m.Result = CallPrevWndProc(m.Msg, m.WParam, none);
    return;
  }
  const int32_t position = m.LParam ? int32_t(m.LParam) : int32_t(HIWORD(m.WParam));
  const int32_t step = position - ScrollTracking.LastTrackPos;
  m.Result = 0;
  if (step == 0) return;
  // The list scrolls by pixels; its scroll unit in report view is one row. In list view the
  // platform takes the horizontal amount in columns, its scroll unit there.
  int32_t pixels = step;
  if (!horizontal && ViewStyle() == lvsReport) {
    RECT item{LVIR_BOUNDS, 0, 0, 0};
    if (SendMessageA(Wnd, LVM_GETITEMRECT, 0, LPARAM(&item))) pixels = step * (item.bottom - item.top);
  }
  SendMessageA(Wnd, LVM_SCROLL, horizontal ? WPARAM(pixels) : 0, horizontal ? 0 : LPARAM(pixels));
}

void TacListViewWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned(false)) {
    TacEditWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdSkinRefresh:
        if (m.LParam != LPARAM(SkinLink->GetSkinManager())) break;
        TacEditWnd::WndProc(m);
        if (!Detached && HeaderWnd) InvalidateRect(HeaderWnd, nullptr, FALSE);
        return;
      case cmdGetSectionIndex:
        m.Result = SkinLink->SectionIndex + 1;
        return;
      case cmdBeforeScroll:
        m.Result = 1;
        return;
      default:
        break;
    }
    TacEditWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
      ApplyOnce();
      ApplyListColours();
      if (!HeaderWnd) HookHeader(FindWindowExA(Wnd, nullptr, "SysHeader32", nullptr));
      break;
    case WM_NCHITTEST:
      if (HoverColumn != -1 || PressedColumn != -1) {
        HoverColumn = PressedColumn = -1;
        if (HeaderWnd) InvalidateRect(HeaderWnd, nullptr, FALSE);
      }
      break;
    case WM_NCPAINT:
      m.Result = 0;
      break;
    case WM_HSCROLL:
      ThumbScroll(m, true);
      return;
    case WM_VSCROLL:
      ThumbScroll(m, false);
      return;
    default:
      break;
  }
  TacEditWnd::WndProc(m);
  if (Detached) return;
  switch (m.Msg) {
    case WM_STYLECHANGED:
    case LVM_ARRANGE:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
    case LVM_DELETEITEM:
    case LVM_DELETEALLITEMS:
      if (!SkinLink->UpdatePending) UpdateScrollInfo(true);
      break;
    case WM_LBUTTONUP:
      if (GetCapture() == Wnd) ReleaseCapture();
      break;
    case WM_PARENTNOTIFY:
      // A header made later (on the switch to report view) is hooked; one that replaces the
      // hooked header takes its place.
      if (LOWORD(m.WParam) == WM_CREATE && IsHeaderClass(HWND(m.LParam))) HookHeader(HWND(m.LParam));
      break;
    case WM_PRINT:
      if (m.WParam && HeaderWnd && ViewStyle() == lvsReport) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        const int saved = SaveDC(dc);
        ClipToClient(dc);
        PaintHeader(dc);
        RestoreDC(dc, saved);
      }
      break;
    default:
      break;
  }
}

LRESULT TacListViewWnd::HeaderWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!HeaderWnd || Detached || ViewStyle() != lvsReport || !SkinLink || !SkinLink->IsSkinned(false))
    return headerHook_->Previous(msg, wParam, lParam);
  try {
    switch (msg) {
      case WM_PAINT:
        PaintHeader(reinterpret_cast<HDC>(wParam));
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_WINDOWPOSCHANGING:
        if (IsWindowVisible(Wnd)) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
        return headerHook_->Previous(msg, wParam, lParam);
      case WM_NCHITTEST: {
        const LRESULT result = headerHook_->Previous(msg, wParam, lParam);
        const int position = ColumnAtPoint(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
        const int item = position >= 0 ? int(SendMessageA(HeaderWnd, HDM_ORDERTOINDEX, WPARAM(position), 0)) : -1;
        if (item != HoverColumn) {
          HoverColumn = item;
          InvalidateRect(HeaderWnd, nullptr, FALSE);
        }
        return result;
      }
      case WM_LBUTTONUP:
        PressedColumn = -1;
        InvalidateRect(HeaderWnd, nullptr, FALSE);
        return headerHook_->Previous(msg, wParam, lParam);
      default: {
        const LRESULT result = headerHook_->Previous(msg, wParam, lParam);
        if (msg == WM_LBUTTONDOWN && HeaderWnd) {
          HDHITTESTINFO hit{};
          hit.pt = POINT{short(LOWORD(lParam)), short(HIWORD(lParam))};
          SendMessageA(HeaderWnd, HDM_HITTEST, 0, LPARAM(&hit));
          PressedColumn = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? -1 : hit.iItem;
          RedrawWindow(HeaderWnd, nullptr, nullptr, RDW_INVALIDATE);
        }
        return result;
      }
    }
  } catch (...) {
    if (vcl::Application) vcl::Application->HandleException(nullptr);
  }
  return 0;
}

int TacListViewWnd::SectionState(int item) const {
  if (PressedColumn >= 0) return item == PressedColumn ? kHeaderPressed : kHeaderNormal;
  return item >= 0 && item == HoverColumn ? kHeaderHot : kHeaderNormal;
}

RECT TacListViewWnd::GetSectionRect(int position) const {
  RECT r{};
  if (!HeaderWnd) return r;
  // Positions are mapped through the order array always, so that hit tests and painting agree
  // for reordered columns with or without full drag.
  const int item = int(SendMessageA(HeaderWnd, HDM_ORDERTOINDEX, WPARAM(position), 0));
  SendMessageA(HeaderWnd, HDM_GETITEMRECT, WPARAM(item), LPARAM(&r));
  return r;
}

int TacListViewWnd::ColumnAtPoint(POINT screen) const {
  if (!HeaderWnd) return -2;
  ScreenToClient(HeaderWnd, &screen);
  const int count = int(SendMessageA(HeaderWnd, HDM_GETITEMCOUNT, 0, 0));
  for (int position = 0; position < count; ++position) {
    const RECT r = GetSectionRect(position);
    if (PtInRect(&r, screen)) return position;
  }
  return -2;
}

void TacListViewWnd::PaintHeader(HDC dc) {
  if (!HeaderWnd || ViewStyle() != lvsReport) return;
  PAINTSTRUCT ps{};
  HDC target = dc;
  if (!dc) target = BeginPaint(HeaderWnd, &ps);
  if (target) {
    const int count = int(SendMessageA(HeaderWnd, HDM_GETITEMCOUNT, 0, 0));
    int right = 0;
    for (int position = 0; position < count; ++position) {
      const RECT r = GetSectionRect(position);
      if (!IsRectEmpty(&r)) PaintHeaderSection(r, int(SendMessageA(HeaderWnd, HDM_ORDERTOINDEX, position, 0)), target);
      right = std::max<int>(right, r.right);
    }
    RECT window{};
    GetWindowRect(HeaderWnd, &window);
    const RECT rest{right, 0, window.right - window.left, window.bottom - window.top};
    if (!IsRectEmpty(&rest)) PaintHeaderSection(rest, kHeaderRest, target);
  }
  if (!dc) EndPaint(HeaderWnd, &ps);
}

void TacListViewWnd::PaintHeaderSection(const RECT& r, int item, HDC dc) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0 || !HeaderWnd || !Manager) return;
  auto image = CreateBmp24(w, h);
  const int state = SectionState(item);
  vcl::TControl* owner = OwnerControl();
  const vcl::TColor background = owner ? owner->Color() : vcl::clWindow;
  const int section = PaintNamedSectionItem(image.get(), "COLHEADER", "BUTTON", nullptr, background, {0, 0, w, h},
                                            Manager, state);
  vcl::TCanvas* canvas = image->Canvas();
  SelectWindowFont(canvas, Wnd, nullptr);
  canvas->Brush()->SetStyle(vcl::bsClear);
  vcl::TRect text{4, 1, w - 4, h - 1};

  char buffer[129] = {};
  HDITEMA header{};
  header.mask = HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE;
  header.pszText = buffer;
  header.cchTextMax = sizeof buffer;
  if (item >= 0 && SendMessageA(HeaderWnd, HDM_GETITEMA, WPARAM(item), LPARAM(&header))) {
    buffer[sizeof buffer - 1] = '\0';
    auto* list = dynamic_cast<vcl::TListView*>(owner);
    vcl::TCustomImageList* images = list ? list->SmallImages() : nullptr;
    const bool drawImage = images && (header.fmt & (HDF_IMAGE | HDF_OWNERDRAW)) && header.iImage >= 0 &&
                           header.iImage < images->Count();
    const int imageOffset = drawImage ? images->Width() + 4 : 0;
    // Down wins when a column claims both directions.
    const char* glyphSection = (header.fmt & HDF_SORTDOWN) ? "SCROLLBTNBOTTOM" : (header.fmt & HDF_SORTUP) ? "SCROLLBTNTOP" : nullptr;
    int glyph = -1;
    int32_t glyphWidth = 0, glyphHeight = 0;
    if (glyphSection) {
      glyph = Manager->FindMaskIndex(Manager->FindSectionIndex(glyphSection), glyphSection, "GLYPHMASK");
      if (Manager->IsMaskIndexValid(glyph)) {
        Manager->MaskFrameSize(glyph, glyphWidth, glyphHeight);
        glyphWidth += 6;
      } else {
        glyph = -1;
      }
    }
    const int cx = canvas->TextWidth(buffer) + 5;
    const int textWidth = text.right - text.left, textHeight = text.bottom - text.top;
    vcl::TRect placed = text;
    switch (header.fmt & HDF_JUSTIFYMASK) {
      case HDF_RIGHT:
        placed.right = text.right - glyphWidth;
        placed.left = placed.right - cx;
        break;
      case HDF_CENTER:
        placed.left = text.left + (textWidth - (cx + glyphWidth + imageOffset)) / 2 + imageOffset;
        placed.right = placed.left + cx;
        break;
      default:
        placed.left = text.left + imageOffset;
        placed.right = placed.left + cx;
        break;
    }
    if (glyph >= 0) {
      TsBackgroundInfo info;
      FillBmpBgInfo(image.get(), 0, 0, info);
      PaintMaskGlyph(image.get(), {placed.right + 6, text.top + (textHeight - glyphHeight) / 2}, state, info,
                     Manager->Masks[size_t(glyph)], kGlyphNormal);
    }
    if (state == kHeaderPressed) {
      placed.left += 1, placed.right += 1, placed.top += 1, placed.bottom += 1;
    }
    WriteSectionText(canvas, buffer, true, Manager, state != kHeaderNormal, section, kHeaderTextFlags, placed);
    if (drawImage)
      images->Draw(canvas, placed.left - imageOffset,
                   text.top + (textHeight - images->Height()) / 2 + (state == kHeaderPressed ? 1 : 0), header.iImage,
                   owner->Enabled());
  }
  HDC own = dc ? nullptr : GetDC(HeaderWnd);
  BitBlt(dc ? dc : own, r.left, r.top, w, h, canvas->Handle(), 0, 0, SRCCOPY);
  if (own) ReleaseDC(HeaderWnd, own);
}

}  // namespace skin
