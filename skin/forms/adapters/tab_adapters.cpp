#include "skin/forms/adapters/tab_adapters.h"

#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/adapters/spin_adapter.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// How a tab's rectangle grows out of the item rectangle (left, top, right, bottom), by position.
struct TabShift {
  int l, t, r, b;
};
constexpr TabShift kInactiveShift[4] = {{0, 0, -1, 4}, {0, -2, -1, 0}, {0, -1, 3, 0}, {-2, -1, -1, 0}};
constexpr TabShift kActiveShift[4] = {{-2, -2, 2, 2}, {-2, -3, 2, 1}, {-1, -2, 3, 1}, {-3, -2, 1, 2}};

// A font like the canvas font, turned by `escapement` tenths of a degree; a face that cannot be
// turned is replaced by one that can. Bold is dropped: turned bold captions blur.
HFONT CreateRotatedFont(vcl::TCanvas* canvas, int escapement) {
  LOGFONTA font{};
  GetObjectA(canvas->Font()->Handle(), sizeof font, &font);
  font.lfWidth = 0;
  font.lfEscapement = font.lfOrientation = escapement;
  font.lfWeight = FW_NORMAL;
  font.lfOutPrecision = font.lfClipPrecision = font.lfQuality = font.lfPitchAndFamily = 0;
  if (lstrcmpiA(font.lfFaceName, "MS Sans Serif") == 0) lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

struct TabItem {
  std::string caption;
  int image = -1;
};

TabItem ReadTabItem(HWND wnd, int index) {
  std::vector<char> text(4096, '\0');
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
  item.pszText = text.data();
  item.cchTextMax = int(text.size());
  TabItem result;
  if (SendMessageA(wnd, TCM_GETITEMA, WPARAM(index), LPARAM(&item))) {
    text.back() = '\0';
    result.caption = item.pszText ? item.pszText : "";
    result.image = item.iImage;
  }
  return result;
}

int TabPositionOf(HWND wnd) {
  const LONG style = GetWindowLongA(wnd, GWL_STYLE);
  if (style & TCS_VERTICAL) return (style & TCS_RIGHT) ? tabRight : tabLeft;
  return (style & TCS_BOTTOM) ? tabBottom : tabTop;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  try {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// ---- Tab control ------------------------------------------------------------------------------

TacTabControlWnd::TacTabControlWnd(HWND wnd, const std::string& section, TsSkinManager* manager,
                                   TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "PAGECONTROL" : section, manager, skinLink) {}

TacTabControlWnd::~TacTabControlWnd() { FreeUpDown(); }

int TacTabControlWnd::TabPosition() const { return TabPositionOf(Wnd); }

int TacTabControlWnd::TabStyle() const {
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  if (style & TCS_FLATBUTTONS) return tabStyleFlat;
  return (style & TCS_BUTTONS) ? tabStyleButtons : tabStyleTabs;
}

int TacTabControlWnd::TabCount() const { return int(SendMessageA(Wnd, TCM_GETITEMCOUNT, 0, 0)); }
int TacTabControlWnd::ActiveTab() const { return int(SendMessageA(Wnd, TCM_GETCURSEL, 0, 0)); }
int TacTabControlWnd::RowCount() const { return int(SendMessageA(Wnd, TCM_GETROWCOUNT, 0, 0)); }

std::string TacTabControlWnd::FrameSection() const {
  if (TabCount() == 0) return "CHECKBOX";
  const std::string& own = SkinLink->SkinSection();
  if (own != "PAGECONTROL") return own;
  static const char* const kByPosition[4] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT",
                                             "PAGECONTROLRIGHT"};
  return kByPosition[TabPosition()];
}

RECT TacTabControlWnd::GetPageRect() {
  RECT r{0, 0, WindowWidth, WindowHeight};
  SendMessageA(Wnd, TCM_ADJUSTRECT, FALSE, LPARAM(&r));
  r.top += 2;
  return r;
}

void TacTabControlWnd::SplitAtTabEdge(RECT& frame, RECT& strip) {
  frame = strip = RECT{0, 0, WindowWidth, WindowHeight};
  if (TabCount() == 0) return;
  const RECT page = GetPageRect();
  switch (TabPosition()) {
    case tabTop: frame.top = strip.bottom = page.top - 4; break;
    case tabBottom: frame.bottom = strip.top = page.bottom + 1; break;
    case tabLeft: frame.left = strip.right = page.left - 1; break;
    default: frame.right = strip.left = page.right + 1; break;
  }
}

RECT TacTabControlWnd::GetPageFrameRect() {
  RECT frame{}, strip{};
  SplitAtTabEdge(frame, strip);
  return frame;
}

RECT TacTabControlWnd::GetTabStripRect() {
  RECT frame{}, strip{};
  SplitAtTabEdge(frame, strip);
  return strip;
}

RECT TacTabControlWnd::GetTabRect(int index, bool active) {
  RECT r{};
  const int count = TabCount();
  if (index < 0 || index >= count || ActiveTab() < 0) return r;
  if (!SendMessageA(Wnd, TCM_GETITEMRECT, WPARAM(index), LPARAM(&r))) return RECT{};
  if (TabStyle() == tabStyleTabs && r.right > r.left) {
    const TabShift& s = (active ? kActiveShift : kInactiveShift)[TabPosition()];
    r.left += s.l;
    r.top += s.t;
    r.right += s.r;
    r.bottom += s.b;
  }
  return r;
}

int TacTabControlWnd::TabRow(int index) {
  const int rows = RowCount();
  if (rows < 2) return 1;
  RECT item{};
  SendMessageA(Wnd, TCM_GETITEMRECT, WPARAM(index), LPARAM(&item));
  const int w = std::max<int>(item.right - item.left, 1), h = std::max<int>(item.bottom - item.top, 1);
  const RECT strip = GetTabStripRect();
  switch (TabPosition()) {
    case tabTop: return (item.bottom + h / 2) / h;
    case tabLeft: return (item.right + w / 2) / w;
    case tabRight: return rows - (item.right + w / 2 - strip.left) / w + 1;
    default: return rows - (item.bottom + h / 2 - strip.top) / h + 1;
  }
}

void TacTabControlWnd::FreeUpDown() {
  if (!upDown_) return;
  TacMainWnd* old = upDown_;
  upDown_ = nullptr;
  RemoveAdapter(old->Wnd && IsWindow(old->Wnd) ? old->Wnd : nullptr, true, false, old);
}

void TacTabControlWnd::UpdateUpDownAdapter() {
  HWND spin = nullptr;
  if (SkinActive() && !Detached && SkinLink->IsSkinned(false)) spin = FindWindowExA(Wnd, nullptr, UPDOWN_CLASSA, nullptr);
  if (upDown_ && spin == upDown_->Wnd && !upDown_->Detached) return;
  FreeUpDown();
  if (spin) upDown_ = MakeAdapter<TacSpinWnd>(true, spin, std::string("UPDOWNBTN"), Manager, nullptr);
}

void TacTabControlWnd::PaintControl(HDC given, bool useGiven) {
  ReadGeometry();
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  if (SkinLink->UpdatePending || WindowWidth <= 0 || WindowHeight <= 0) return;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager) return;
  HDC dc = (useGiven || AnimationInProgress) && given ? given : GetDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);

  SkinLink->CacheStale = true;
  const std::string frameName = FrameSection();
  const int frameIndex = manager->FindSectionIndex(frameName);
  SkinLink->SectionIndex = frameIndex;
  TsBackgroundInfo parent;
  GetWndParentBgInfo(Wnd, parent);
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  const bool tabs = TabCount() > 0;
  if (tabs) PaintTabStrip(parent);
  const RECT frame = GetPageFrameRect();
  if (!IsEmpty(frame))
    PaintSectionItem(frameIndex, frameName, parent, -1, -1, manager, cache,
                     {PosInParent.x + frame.left, PosInParent.y + frame.top},
                     {frame.left, frame.top, frame.right, frame.bottom}, 0, true);
  SkinLink->CacheStale = false;

  const int active = tabs ? ActiveTab() : -1;
  const RECT activeRect = active >= 0 ? GetTabRect(active, true) : RECT{};
  if (!IsEmpty(activeRect)) ExcludeClipRect(dc, activeRect.left, activeRect.top, activeRect.right, activeRect.bottom);
  BitBlt(dc, 0, 0, WindowWidth, WindowHeight, cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (!IsEmpty(activeRect)) {
    RestoreDC(dc, saved);
    SaveDC(dc);
    PaintTabToDC(active, 2, dc);
  }
  if (auto* owner = dynamic_cast<vcl::TWinControl*>(OwnerControl())) PaintGraphicControlsToDC(dc, owner, {0, 0});
  RestoreDC(dc, saved);
  if (dc != given) ReleaseDC(Wnd, dc);
}

void TacTabControlWnd::PaintTabStrip(const TsBackgroundInfo& parent) {
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  HDC cacheDC = cache->Canvas()->Handle();
  const RECT strip = GetTabStripRect();
  if (!IsEmpty(strip)) {
    if (parent.Ready && parent.Bitmap) {
      const int sx = parent.X + PosInParent.x + strip.left, sy = parent.Y + PosInParent.y + strip.top;
      const int w = std::min<int>(strip.right - strip.left, parent.Bitmap->Width() - sx);
      const int h = std::min<int>(strip.bottom - strip.top, parent.Bitmap->Height() - sy);
      PaintSolidRect(cacheDC, {strip.left, strip.top, strip.right, strip.bottom}, vcl::ColorToRGB(parent.FillColor));
      if (sx >= 0 && sy >= 0 && w > 0 && h > 0)
        BitBlt(cacheDC, strip.left, strip.top, w, h, parent.Bitmap->Canvas()->Handle(), sx, sy, SRCCOPY);
    } else {
      PaintSolidRect(cacheDC, {strip.left, strip.top, strip.right, strip.bottom}, vcl::ColorToRGB(parent.FillColor));
    }
  }
  const int active = ActiveTab(), count = TabCount(), rows = std::max(RowCount(), 1);
  for (int row = 1; row <= rows; ++row)
    for (int i = 0; i < count; ++i)
      if (i != active && TabRow(i) == row) PaintTab(i, 0, 0, 0, cache);
}

void TacTabControlWnd::PaintTab(int index, int state, int dx, int dy, vcl::TBitmap* target) {
  if (index < 0 || !target) return;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager) return;
  const bool activeTab = state == 2 && index == ActiveTab();
  RECT tab = GetTabRect(index, activeTab);
  if (IsEmpty(tab)) return;
  vcl::TCanvas* canvas = target->Canvas();
  SelectWindowFont(canvas, Wnd, OwnerControl());

  const int position = TabPosition(), style = TabStyle();
  int sectionIndex = -1, maskIndex = -1;
  std::string sectionName;
  if (style == tabStyleTabs) {
    static const char* const kNames[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
    sectionName = kNames[position];
    sectionIndex = manager->CommonIndexes.TabSections[size_t(position)];
    maskIndex = manager->CommonIndexes.TabBorderMasks[size_t(position)];
  } else {
    sectionName = style == tabStyleButtons ? "BUTTON" : "TOOLBUTTON";
    sectionIndex = manager->FindSectionIndex(sectionName);
    maskIndex = manager->FindMaskIndexByName(sectionName, "BORDERSMASK");
  }
  // Index 0 is a valid section: only a missing one (-1) leaves the tab without background.
  if (manager->CommonIndexes.TabSections[tabTop] >= 0 && manager->IsSectionIndexValid(sectionIndex) &&
      manager->IsMaskIndexValid(maskIndex)) {
    const int w = tab.right - tab.left, h = tab.bottom - tab.top;
    auto part = CreateBmp24(w, h);
    HDC cacheDC = SkinLink->CacheBitmap->Canvas()->Handle();
    if (activeTab) {
      BitBlt(part->Canvas()->Handle(), 0, 0, w, h, cacheDC, tab.left, tab.top, SRCCOPY);
      BitBlt(canvas->Handle(), tab.left + dx, tab.top + dy, w, h, part->Canvas()->Handle(), 0, 0, SRCCOPY);
      TsBackgroundInfo behind;
      FillBmpBgInfo(part.get(), 0, 0, behind);
      PaintSectionItem(sectionIndex, sectionName, behind, -1, -1, manager, target, {0, 0},
                       {tab.left + dx, tab.top + dy, tab.left + dx + w, tab.top + dy + h}, state, true);
    } else {
      TsBackgroundInfo behind;
      FillBmpBgInfo(SkinLink->CacheBitmap.get(), tab.left, tab.top, behind);
      PaintSectionItem(sectionIndex, sectionName, behind, -1, -1, manager, part.get(), {0, 0}, {0, 0, w, h}, state,
                       true);
      HDC targetDC = canvas->Handle();
      const int saved = SaveDC(targetDC);
      if (position == tabTop || position == tabLeft) {
        const RECT frame = GetPageFrameRect();
        ExcludeClipRect(targetDC, frame.left + dx, frame.top + dy, frame.right + dx, frame.bottom + dy);
      }
      BitBlt(targetDC, tab.left + dx, tab.top + dy, w, h, part->Canvas()->Handle(), 0, 0, SRCCOPY);
      RestoreDC(targetDC, saved);
    }
  }
  OffsetRect(&tab, dx, dy);
  PaintTabContent(index, state, tab, canvas, manager->IsSectionIndexValid(sectionIndex) ? sectionIndex
                                                                                         : SkinLink->SectionIndex);
}

void TacTabControlWnd::PaintTabContent(int index, int state, RECT tab, vcl::TCanvas* canvas, int sectionIndex) {
  TsSkinManager* manager = SkinLink->GetSkinManager();
  const TabItem item = ReadTabItem(Wnd, index);
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(Wnd, TCM_GETIMAGELIST, 0, 0));
  int imageW = 0, imageH = 0;
  const bool image = images && item.image >= 0 && item.image < ImageList_GetImageCount(images) &&
                     ImageList_GetIconSize(images, &imageW, &imageH);
  HDC dc = canvas->Handle();
  const int position = TabPosition();
  const int tw = tab.right - tab.left, th = tab.bottom - tab.top;
  const bool enabled = IsWindowEnabled(Wnd) != FALSE;
  if (position == tabTop || position == tabBottom) {
    if (image) {
      const int textW = canvas->TextWidth(item.caption);
      ImageList_Draw(images, item.image, dc, tab.left + (tw - (textW + imageW + 8)) / 2, tab.top + (th - imageH) / 2,
                     ILD_NORMAL);
      tab.left += imageW;
    }
    canvas->Brush()->SetStyle(vcl::bsClear);
    WriteSectionText(canvas, item.caption, enabled, manager, state != 0, sectionIndex,
                     DT_CENTER | DT_VCENTER | DT_SINGLELINE, {tab.left, tab.top, tab.right, tab.bottom});
    return;
  }
  // Vertical tabs: the caption reads upwards on the left, downwards on the right.
  const bool left = position == tabLeft;
  HFONT rotated = CreateRotatedFont(canvas, left ? 900 : 2700);
  HGDIOBJ oldFont = SelectObject(dc, rotated);
  SIZE extent{};
  GetTextExtentPoint32A(dc, item.caption.c_str(), int(item.caption.size()), &extent);
  const int length = extent.cx, height = extent.cy;
  const TsGeneralData* section =
      manager && manager->IsSectionIndexValid(sectionIndex) ? &manager->Sections[size_t(sectionIndex)] : nullptr;
  const int32_t colour = section ? (state != 0 ? section->HotFontColor[0] : section->FontColor[0]) : 0;
  SetTextColor(dc, vcl::ColorToRGB(colour));
  SetBkMode(dc, TRANSPARENT);
  if (!left) OffsetRect(&tab, -2, -1);
  if (image && state == 2) OffsetRect(&tab, 2, 0);
  int x = tab.left + (tw - height) / 2, y = 0;
  if (left) {
    if (image) {
      y = tab.bottom - (th - (imageH + length + 4)) / 2 - imageH;
      ImageList_Draw(images, item.image, dc, tab.left + (tw - imageW) / 2, y, ILD_TRANSPARENT);
      y -= 4;
    } else {
      y = tab.bottom - (th - length) / 2;
    }
  } else {
    x += height;
    if (image) {
      y = tab.top + (th - (imageH + length + 4)) / 2;
      ImageList_Draw(images, item.image, dc, tab.left + (tw - imageW) / 2, y, ILD_TRANSPARENT);
      y += imageH + 4;
    } else {
      y = tab.top + (th - length) / 2;
    }
  }
  ExtTextOutA(dc, x, y, ETO_CLIPPED, &tab, item.caption.c_str(), UINT(item.caption.size()), nullptr);
  SelectObject(dc, oldFont);
  DeleteObject(rotated);
}

void TacTabControlWnd::PaintTabToDC(int index, int state, HDC dc) {
  if (index < 0) return;
  const RECT r = GetTabRect(index, state == 2);
  if (IsEmpty(r)) return;
  auto part = CreateBmp24(r.right - r.left, r.bottom - r.top);
  PaintTab(index, state, -r.left, -r.top, part.get());
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, part->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacTabControlWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink) {
    TacMainWnd::WndProc(m);
    return;
  }
  const bool skinned = SkinActive() && SkinLink->IsSkinned(false);
  if (m.Msg == SM_ALPHACMD) {
    const bool ours = m.LParam == LPARAM(SkinLink->GetSkinManager());
    switch (m.WParamHi()) {
      case cmdSkinSet:
      case cmdSkinRefresh:
        TacMainWnd::WndProc(m);
        if (ours && !Detached) {
          UpdateUpDownAdapter();
          InvalidateRect(Wnd, nullptr, TRUE);
        }
        return;
      case cmdSkinRemoved:
        TacMainWnd::WndProc(m);
        if (ours) FreeUpDown();
        PassAlphaCmdToChildren(OwnerControl(), Wnd, m);
        if (ours && !Detached)
          RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
        return;
      case cmdRepaint:
        if (!skinned) break;
        SkinLink->UpdatePending = false;
        InvalidateRect(Wnd, nullptr, TRUE);
        return;
      case cmdIsSkinned:
        m.Result = 1;
        return;
      case cmdGetStale:
        if (!skinned) break;
        m.Result = SkinLink->UpdatePending ? 1 : 0;
        return;
      case cmdQueryManager:
        m.Result = LRESULT(SkinLink->GetSkinManager());
        return;
      default:
        break;
    }
    TacMainWnd::WndProc(m);
    return;
  }
  if (skinned) {
    switch (m.Msg) {
      case WM_PAINT:
        if (m.WParam)
          PaintControl(reinterpret_cast<HDC>(m.WParam), true);
        else
          EmptyPaintCycle(Wnd, true);
        m.Result = 0;
        return;
      case WM_ERASEBKGND:
        if (!IsWindowVisible(Wnd)) break;
        if (!AnimationInProgress) PaintControl(reinterpret_cast<HDC>(m.WParam), m.LParam == 1);
        UpdateUpDownAdapter();
        m.Result = 0;
        return;
      case WM_NCPAINT:
        m.Result = 0;
        return;
      case WM_PRINT:
        UpdateUpDownAdapter();
        PaintControl(reinterpret_cast<HDC>(m.WParam), true);
        m.Result = 0;
        return;
      default:
        break;
    }
  }
  const int oldW = WindowWidth, oldH = WindowHeight;
  TacMainWnd::WndProc(m);
  if (!skinned || Detached) return;
  switch (m.Msg) {
    case WM_SIZE:
      UpdateUpDownAdapter();
      ReadGeometry();
      if (WindowWidth < oldW || WindowHeight < oldH)
        RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_NOCHILDREN | RDW_NOERASE | RDW_NOINTERNALPAINT | RDW_INVALIDATE);
      break;
    case TCM_SETCURSEL:
      RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      break;
    case vcl::CM_CONTROLLISTCHANGE:
      UpdateUpDownAdapter();
      break;
    default:
      break;
  }
}

// ---- Page control ------------------------------------------------------------------------------

TacPageControlWnd::TacPageControlWnd(HWND wnd, const std::string& section, TsSkinManager* manager,
                                     TsCommonData* skinLink)
    : TacTabControlWnd(wnd, section, manager, skinLink) {
  AdaptPages();
}

TacPageControlWnd::~TacPageControlWnd() { FreePages(); }

void TacPageControlWnd::FreePages() {
  auto pages = std::move(pages_);
  pages_.clear();
  for (TacMainWnd* page : pages) RemoveAdapter(page->Wnd && IsWindow(page->Wnd) ? page->Wnd : nullptr, true, false, page);
}

void TacPageControlWnd::AdaptPages() {
  // Adapters of pages whose window went are freed here, not kept for the whole run.
  std::erase_if(pages_, [](TacMainWnd* page) {
    if (!page->Detached) return false;
    delete page;
    return true;
  });
  if (Detached || !SkinActive()) return;
  std::vector<HWND> children;
  EnumChildWindows(Wnd, CollectChild, LPARAM(&children));
  // The pages follow the page control's manager.
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager) return;
  for (HWND child : children) {
    if (GetParent(child) != Wnd || WndAnswersAlphaCmd(child, cmdIsSkinned)) continue;
    // A page of the component library links through its control; a bare window is subclassed.
    auto* control = dynamic_cast<vcl::TWinControl*>(vcl::FindControl(child));
    TsCommonData* link = nullptr;
    if (control) {
      link = new TsCommonData(control, true);
      if (!manager->GetIsDefault()) link->SetSkinManager(manager);
      link->SetSkinSection("CHECKBOX");
    }
    TacMainWnd* page = MakeAdapter<TacPageWnd>(true, child, std::string("CHECKBOX"), manager, link);
    if (link) page->OwnsSkinLink = true;
    pages_.push_back(page);
  }
}

void TacPageControlWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinActive() || !SkinLink->IsSkinned(false)) {
    TacTabControlWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (!IsWindowVisible(Wnd)) break;
      if (!AnimationInProgress) PaintControl(reinterpret_cast<HDC>(m.WParam), m.LParam == 1);
      m.Result = 1;
      return;
    case WM_NCPAINT:
      AdaptPages();
      m.Result = 0;
      return;
    case WM_PARENTNOTIFY:
      if (LOWORD(m.WParam) == WM_CREATE || LOWORD(m.WParam) == WM_DESTROY) AdaptPages();
      break;
    case TCM_SETCURSEL:
      if (vcl::TControl* owner = OwnerControl()) SendControlLoaded(owner);
      break;
    default:
      if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdSkinRemoved &&
          m.LParam == LPARAM(SkinLink->GetSkinManager())) {
        TacTabControlWnd::WndProc(m);
        FreePages();
        return;
      }
      break;
  }
  TacTabControlWnd::WndProc(m);
}

// ---- Page ---------------------------------------------------------------------------------------

TacPageWnd::TacPageWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "CHECKBOX" : section, manager, skinLink) {
  ReadGeometry();
}

void TacPageWnd::PaintPageBg(HDC dc) {
  ReadGeometry();
  if (!dc || !ParentWindow) return;
  TsBackgroundRequest request;
  RequestWndBackground(request, ParentWindow, false);
  RECT client{};
  GetClientRect(Wnd, &client);
  if (request.Kind == bkBitmap && request.Bitmap) {
    BitBlt(dc, 0, 0, client.right, client.bottom, request.Bitmap->Canvas()->Handle(), request.OffsetX + PosInParent.x,
           request.OffsetY + PosInParent.y, SRCCOPY);
    return;
  }
  PaintSolidRect(dc, {0, 0, client.right, client.bottom}, vcl::ColorToRGB(request.Color));
  if (!request.Bitmap) return;
  // A plain page keeps the frame's inner edge on the tab side.
  HDC source = request.Bitmap->Canvas()->Handle();
  const int x = PosInParent.x, y = PosInParent.y;
  switch (SendMessageA(ParentWindow, TCM_GETITEMCOUNT, 0, 0) > 0 ? TabPositionOf(ParentWindow) : -1) {
    case tabTop: BitBlt(dc, 0, 0, client.right, 3, source, x, y, SRCCOPY); break;
    case tabBottom: BitBlt(dc, 0, client.bottom - 3, client.right, 3, source, x, y + client.bottom - 3, SRCCOPY); break;
    case tabLeft: BitBlt(dc, 0, 0, 3, client.bottom, source, x, y, SRCCOPY); break;
    case tabRight: BitBlt(dc, client.right - 3, 0, 3, client.bottom, source, x + client.right - 3, y, SRCCOPY); break;
    default: break;
  }
}

void TacPageWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink) {
    TacMainWnd::WndProc(m);
    return;
  }
  const bool skinned = SkinActive() && SkinLink->IsSkinned(false);
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdSkinSet:
      case cmdSkinRefresh:
      case cmdSkinRemoved:
        TacMainWnd::WndProc(m);
        if (!Detached && m.WParamHi() != cmdSkinSet) PassAlphaCmdToChildren(OwnerControl(), Wnd, m);
        if (!Detached) InvalidateRect(Wnd, nullptr, TRUE);
        return;
      case cmdRepaint:
        if (!SkinLink->UpdatePending) break;
        SkinLink->UpdatePending = false;
        InvalidateRect(Wnd, nullptr, TRUE);
        return;
      case cmdIsSkinned:
        m.Result = 1;
        return;
      case cmdGetStale:
        m.Result = SkinLink->UpdatePending ? 1 : 0;
        return;
      case cmdGetBackground: {
        if (!m.LParam || !ParentWindow) break;
        auto& request = *reinterpret_cast<TsBackgroundRequest*>(m.LParam);
        ReadGeometry();
        // The page shows the page control's image at its place in it.
        const bool draw = request.DrawIntoDC;
        if (draw) {
          request.OffsetX += PosInParent.x;
          request.OffsetY += PosInParent.y;
        }
        RequestWndBackground(request, ParentWindow, draw);
        if (!draw) {
          request.OffsetX += PosInParent.x;
          request.OffsetY += PosInParent.y;
        }
        return;
      }
      default:
        break;
    }
    TacMainWnd::WndProc(m);
    return;
  }
  if (skinned) {
    switch (m.Msg) {
      case WM_ERASEBKGND:
        if (!IsWindowVisible(Wnd)) break;
        PaintPageBg(reinterpret_cast<HDC>(m.WParam));
        m.Result = 1;
        return;
      case WM_NCPAINT:
        m.Result = 0;
        return;
      case WM_PRINT:
        PaintPageBg(reinterpret_cast<HDC>(m.WParam));
        m.Result = SendMessageA(Wnd, WM_PAINT, m.WParam, m.LParam);
        return;
      default:
        break;
    }
  }
  TacMainWnd::WndProc(m);
  if (!Detached && m.Msg == WM_PARENTNOTIFY && LOWORD(m.WParam) == WM_CREATE) RequestTopLevelAdapt(Wnd);
}

}  // namespace skin
