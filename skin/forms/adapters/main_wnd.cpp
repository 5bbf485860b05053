#include "skin/forms/adapters/main_wnd.h"

#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/graphics/mask_geometry.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/form_skinning.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"

namespace skin {

bool CreatingDialogChildren = false;
uint32_t CheckStyle = 0;

namespace {

int liveAdapters = 0;

}  // namespace

int TacMainWnd::LiveCount() { return liveAdapters; }

// One message on its way through the adapter via the control's chain; `gone` is set when the
// adapter is freed inside it.
struct TacMainWnd::Frame {
  const vcl::TWindowProcNext* next;
  Frame* outer;
  bool gone;
};

TacMainWnd::TacMainWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : Wnd(wnd), Manager(manager) {
  ++liveAdapters;
  // Visual styles off, so that what the window still paints itself is plain.
  if (SetWindowThemeFunc && section != "DIALOG") SetWindowThemeFunc(wnd, L" ", L" ");
  if (skinLink) {
    SkinLink = skinLink;
    if (!Manager) Manager = skinLink->GetSkinManager();
  } else {
    SkinLink = new TsCommonData(nullptr, true);
    OwnsSkinLink = true;
    if (manager && !manager->GetIsDefault()) SkinLink->SetSkinManager(manager);
  }
  if (!Manager) Manager = DefaultManager;
  if (SkinLink->SkinSection().empty() || SkinLink->SkinSection() == "UNKNOWN") SkinLink->SetSkinSection(section);
  if (SkinLink->SectionIndex < 0) SkinLink->ResolveSkinIndexes();
  DialogMode = CreatingDialogChildren;
  CachedText = GetWindowTextAnsi(wnd);
}

void TacMainWnd::Start(bool frameRefresh) {
  SaveInitialState();
  ParamsApplied = false;
  if (auto* scroll = dynamic_cast<TacScrollWnd*>(this))
    scroll->InitScrollWnd(Wnd, frameRefresh);
  else
    AttachWndAdapter();
  if (vcl::TControl* owner = OwnerControl()) {
    vcl::TControlStyle style = owner->ControlStyle();
    style.Include(vcl::csOpaque);
    owner->SetControlStyle(style);
  }
}

TacMainWnd::~TacMainWnd() {
  for (Frame* frame = frame_; frame; frame = frame->outer) frame->gone = true;
  // A window whose control is gone has nothing to give back; any other is always restored.
  if (!Detached) Detach(false, false);
  Detached = true;
  if (OwnsSkinLink) delete SkinLink;
  SkinLink = nullptr;
  Manager = nullptr;
  --liveAdapters;
}

bool TacMainWnd::SkinActive() const { return Manager && Manager->Active() && Manager->SkinData()->Active; }

void TacMainWnd::AttachWndAdapter() {
  Notifying = false;
  if (Wnd && IsWindow(Wnd)) SetPropA(Wnd, AdapterProperty, this);
  auto* control = dynamic_cast<vcl::TWinControl*>(OwnerControl());
  if (!control) {
    subclassedBare_ = Attach(Wnd);
    return;
  }
  // A control's window (a provider's form among them) is subclassed through its chain: the
  // link sees the window's messages before the control does, and stays through RecreateWnd.
  controlLink_ = control->WindowProc.Install(
      [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) { DispatchControlMessage(message, next); },
      vcl::wlWindow);
}

void TacMainWnd::DispatchControlMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  // An exception goes on to the control's window procedure, which hands it to the
  // application; the frame is taken off on the way unless the adapter went meanwhile.
  struct FrameGuard {
    TacMainWnd* self;
    Frame frame;
    ~FrameGuard() {
      if (!frame.gone) self->frame_ = frame.outer;
    }
  } guard{this, Frame{&next, frame_, false}};
  frame_ = &guard.frame;
  WndProc(message);
}

LRESULT TacMainWnd::SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  vcl::TMessage message(msg, wParam, lParam);
  WndProc(message);
  return message.Result;
}

LRESULT TacMainWnd::CallPrevWndProc(UINT msg, WPARAM wParam, LPARAM& lParam) {
  if (frame_) {
    vcl::TMessage message(msg, wParam, lParam);
    (*frame_->next)(message);
    lParam = message.LParam;
    return message.Result;
  }
  if (subclassedBare_) return CallPrevious(msg, wParam, lParam);
  return 0;
}

void TacMainWnd::Unsubclass() {
  controlLink_.Remove();
  if (subclassedBare_) vcl::TWindowSubclass::Detach();
  subclassedBare_ = false;
}

void TacMainWnd::Detach(bool refreshFrame, bool frameChanged) {
  if (Detached) return;
  Detached = true;
  const bool alive = Wnd && IsWindow(Wnd);
  if (alive && SetWindowThemeFunc) SetWindowThemeFunc(Wnd, nullptr, nullptr);
  Unsubclass();
  if (alive && GetPropA(Wnd, AdapterProperty) == this) RemovePropA(Wnd, AdapterProperty);
  RestoreInitialState();
  if (vcl::TControl* owner = OwnerControl()) {
    if (!owner->ComponentState().Contains(vcl::csDestroying)) {
      vcl::TControlStyle style = owner->ControlStyle();
      style.Exclude(vcl::csOpaque);
      owner->SetControlStyle(style);
    }
  }
  if (refreshFrame && alive && IsWindowVisible(Wnd)) RefreshFrame(Wnd, frameChanged);
}

void TacMainWnd::ReadGeometry() {
  ReadWndGeometry(Wnd, ParentWindow, WindowBox, PosInParent, WindowWidth, WindowHeight, ParentBox);
}

void TacMainWnd::CopyBorderFromCache(HDC given, int width, int height, int strip) {
  HDC dc = given ? given : GetWindowDC(Wnd);
  if (!dc) return;
  CopyBorderStrips(dc, 0, 0, width, height, SkinLink->CacheBitmap->Canvas()->Handle(), 0, 0, strip);
  if (!given) ReleaseDC(Wnd, dc);
}

void TacMainWnd::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
      if (SkinLink && SkinLink->GlowHandle >= 0) SkinLink->UpdateGlowEffect(true, Wnd);
      PassOn(m);
      TacMainWnd* self = this;
      RemoveAdapter(Wnd, false, false, self);
      return;
    }
    case WM_UPDATEUISTATE:
      m.Result = 0;
      return;
    case WM_SIZE:
      if (SkinLink) SkinLink->CacheStale = true;
      break;
    case WM_SETTEXT:
      // Passed on once; the cached text follows.
      PassOn(m);
      CachedText = GetWindowTextAnsi(Wnd);
      return;
    case WM_MOUSEMOVE:
      if (DefaultManager && !IsDesigning(DefaultManager) && IsWindowEnabled(Wnd) && DefaultManager->HotWindow() != Wnd)
        DefaultManager->SetHotWindow(Wnd);
      break;
    case WM_PRINT:
      m.Result = SendMessageA(Wnd, WM_PAINT, m.WParam, m.LParam);
      return;
    default:
      break;
  }
  if (!SkinLink || !Manager || !Manager->Active() || m.Msg != SM_ALPHACMD) {
    PassOn(m);
    return;
  }
  const LPARAM ours = LPARAM(SkinLink->GetSkinManager());
  switch (m.WParamHi()) {
    case cmdSkinSet:
      if (m.LParam == ours) {
        SkinLink->ResolveSkinIndexes();
        SkinLink->CacheStale = true;
        PassAlphaCmdToChildren(OwnerControl(), Wnd, m);
      }
      PassOn(m);
      return;
    case cmdSkinRemoved:
      if (m.LParam == ours) RestoreInitialState();
      PassOn(m);
      return;
    case cmdSkinRefresh:
      if (m.LParam != ours) break;
      SkinLink->ResolveSkinIndexes();
      SkinLink->CacheStale = true;
      SkinLink->SetUpdating(false);
      SendMessageA(Wnd, WM_PAINT, 0, 0);
      return;
    case cmdRepaint:
      if (!SkinLink->UpdatePending) break;
      SkinLink->UpdatePending = false;
      SkinLink->UpdatePending = SkinLink->IsUpdating();
      if (!SkinLink->UpdatePending)
        RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      return;
    case cmdIsSkinned:
      m.Result = 1;
      return;
    case cmdGetStale:
      m.Result = SkinLink->UpdatePending ? 1 : 0;
      return;
    case cmdGetShowsParent:
      if (!OwnerControl()) break;
      ProcessAlphaCmd(m, SkinLink);
      return;
    case cmdGetBgColor:
      PassOn(m);
      if (m.Result == 0) m.Result = SkinLink->BgColorForState(0, Wnd);
      return;
    case cmdPaintToCache:
      PaintWndCache(SkinLink, Wnd, false);
      PassOn(m);
      return;
    case cmdGetBackground:
      if (m.LParam) SkinLink->ProvideBgInfo(*reinterpret_cast<TsBackgroundRequest*>(m.LParam), 0, Wnd);
      return;
    case cmdGetApplication:
      m.Result = LRESULT(vcl::Application);
      return;
    default:
      break;
  }
  PassOn(m);
}

// ---- Free routines ----------------------------------------------------------------------------

TacMainWnd* GetWndAdapter(HWND wnd) {
  return wnd && IsWindow(wnd) ? static_cast<TacMainWnd*>(GetPropA(wnd, AdapterProperty)) : nullptr;
}

void RemoveAdapter(HWND wnd, bool freeIt, bool frameChanged, TacMainWnd*& adapter) {
  if (!adapter) return;
  if (!adapter->Detached) {
    if (auto* scroll = dynamic_cast<TacScrollWnd*>(adapter)) scroll->FreeBars();
    adapter->Detach(wnd != nullptr, frameChanged);
  }
  if (freeIt) {
    delete adapter;
    adapter = nullptr;
  }
}

void RefreshFrame(HWND wnd, bool frameChanged) {
  if (frameChanged)
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  else
    SendMessageA(wnd, WM_NCPAINT, 1, 0);
}

std::string GetWindowTextAnsi(HWND wnd) {
  if (!wnd || !IsWindow(wnd)) return std::string();
  int length = GetWindowTextLengthW(wnd);
  if (length <= 0) return std::string();
  std::vector<WCHAR> wide(size_t(length) + 1);
  int got = GetWindowTextW(wnd, wide.data(), length + 1);
  if (got <= 0) return std::string();
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), got, nullptr, 0, nullptr, nullptr);
  std::string text(size_t(std::max(bytes, 0)), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), got, text.data(), bytes, nullptr, nullptr);
  return text;
}

void ReadWndGeometry(HWND wnd, HWND& parentWindow, RECT& windowBox, POINT& posInParent, int32_t& width,
                     int32_t& height, RECT& parentBox) {
  GetWindowRect(wnd, &windowBox);
  parentWindow = GetParent(wnd);
  parentBox = RECT{};
  if (parentWindow) GetWindowRect(parentWindow, &parentBox);
  width = windowBox.right - windowBox.left;
  height = windowBox.bottom - windowBox.top;
  posInParent = POINT{windowBox.left, windowBox.top};
  if (parentWindow) ScreenToClient(parentWindow, &posInParent);
}

void PassAlphaCmdToChildren(vcl::TControl* control, HWND wnd, vcl::TMessage& message) {
  if (auto* container = dynamic_cast<vcl::TWinControl*>(control))
    PassMessageToChildControls(container, message);
  else if (!control)
    PassMessageToChildWindows(wnd, message);
}

LRESULT RequestTopLevelAdapt(HWND wnd) {
  // GetParent of a top-level popup answers its owner (the application's window for a dialog
  // or borderless form), which skins nothing: the climb ends at the first window that is no
  // child.
  HWND top = wnd;
  while (top && (GetWindowLongA(top, GWL_STYLE) & WS_CHILD))
    if (HWND parent = GetParent(top))
      top = parent;
    else
      break;
  return SendMessageA(top, SM_ALPHACMD, MAKEWPARAM(0, cmdControlLoaded), 0);
}

bool HasMultiStateBorder(TsCommonData* link) {
  if (!link) return false;
  TsSkinManager* manager = link->GetSkinManager();
  if (!manager || !manager->IsSectionIndexValid(link->SectionIndex) || !manager->IsMaskIndexValid(link->BorderMaskIndex))
    return false;
  return manager->Masks[size_t(link->BorderMaskIndex)].ImageCount > 1;
}

vcl::TWinControl* FindWinControlByHandle(HWND wnd, vcl::TComponent* root) {
  if (!root || !wnd) return nullptr;
  for (int i = 0; i < root->ComponentCount(); ++i) {
    vcl::TComponent* component = root->Components(i);
    if (auto* win = dynamic_cast<vcl::TWinControl*>(component))
      if (win->HandleAllocated() && win->WindowHandle() == wnd) return win;
    if (vcl::TWinControl* found = FindWinControlByHandle(wnd, component)) return found;
  }
  return nullptr;
}

void EmptyPaintCycle(HWND wnd, bool wholeWindow) {
  if (wholeWindow) InvalidateRect(wnd, nullptr, TRUE);
  PAINTSTRUCT ps{};
  BeginPaint(wnd, &ps);
  EndPaint(wnd, &ps);
}

void SizeCacheToWindow(TsCommonData* link, HWND wnd) {
  if (!link) return;
  if (!link->CacheBitmap) link->CacheBitmap = CreateBmp24(0, 0);
  RECT r{};
  GetWindowRect(wnd, &r);
  const int w = std::max<int>(r.right - r.left, 0), h = std::max<int>(r.bottom - r.top, 0);
  vcl::TBitmap* cache = link->CacheBitmap.get();
  if (cache->PixelFormat() != vcl::pf24bit) cache->SetPixelFormat(vcl::pf24bit);
  if (cache->HandleType() != vcl::bmDIB) cache->SetHandleType(vcl::bmDIB);
  if (cache->Width() != w || cache->Height() != h) cache->SetSize(w, h);
}

void PaintWndCache(TsCommonData* link, HWND wnd, bool flatBorder) {
  if (!link || !link->CacheStale || !wnd) return;
  TsBackgroundInfo info;
  GetWndParentBgInfo(wnd, info);
  SizeCacheToWindow(link, wnd);
  vcl::TBitmap* cache = link->CacheBitmap.get();
  const int w = cache->Width(), h = cache->Height();
  TsSkinManager* manager = link->GetSkinManager();
  const int32_t borderColour = manager && manager->SkinData() ? manager->SkinData()->BorderColor : SkinKeyColor;
  if (flatBorder && manager && borderColour != SkinKeyColor && borderColour != 0) {
    PaintSolidRect(cache->Canvas()->Handle(), {0, 0, w, h}, vcl::clWindow);
    PaintSolidFrame(cache->Canvas()->Handle(), {0, 0, w, h}, 1, 1, 1, 1, borderColour);
  } else if (HWND parent = GetParent(wnd); parent && manager && manager->IsSectionIndexValid(link->SectionIndex)) {
    RECT r{};
    GetWindowRect(wnd, &r);
    POINT pos{r.left, r.top};
    ScreenToClient(parent, &pos);
    const int32_t state = link->HasFocus || link->MouseOver ? 1 : 0;
    if (flatBorder) {
      const int32_t saved = link->BorderMaskIndex;
      link->BorderMaskIndex = -1;
      PaintSkinDataItem(link, info, true, false, cache, {pos.x, pos.y}, {0, 0, w, h}, state);
      link->BorderMaskIndex = saved;
    } else {
      PaintSkinDataItem(link, info, true, false, cache, {pos.x, pos.y}, {0, 0, w, h}, state);
    }
  }
  vcl::TControl* owner = link->LinkedControl;
  if (owner && !owner->Enabled()) {
    SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdDisabledPaint), 0);
    TsBackgroundInfo parentInfo;
    link->GetParentBgInfo(parentInfo);
    ApplyDisabledKind(cache, TsDisabledKind{dkBlended}, owner->Parent(), {owner->Left(), owner->Top()}, parentInfo);
  }
  link->CacheStale = false;
}

void PaintAdapterCorners(TsCommonData* link, int32_t state, TacMainWnd* adapter) {
  if (!link || !adapter || adapter->DialogMode) return;
  TsSkinManager* manager = link->GetSkinManager();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  if (!manager || !cache || !manager->IsMaskIndexValid(link->BorderMaskIndex)) return;
  const int W = adapter->WindowWidth, H = adapter->WindowHeight;
  if (W < 2 || H < 2) return;

  TsMaskData mask = manager->Masks[size_t(link->BorderMaskIndex)];
  TsBackgroundInfo parent;
  GetWndParentBgInfo(adapter->Wnd, parent);
  if (parent.Ready && parent.Bitmap) {
    parent.X += adapter->PosInParent.x;
    parent.Y += adapter->PosInParent.y;
  } else {
    parent.Ready = false;
    parent.FillColor = vcl::ColorToRGB(parent.FillColor);
  }
  if (mask.ImageCount == 0 && mask.Image) {
    mask.ImageCount = 3;
    mask.MaskType = 1;
    mask.ImageRect = {0, 0, mask.Image->Width(), mask.Image->Height()};
  }
  vcl::TBitmap* bitmap = MaskBitmap(mask);
  if (!bitmap) return;
  if (mask.ImageCount < 1) mask.ImageCount = 1;
  const vcl::TRect& R = mask.ImageRect;
  state = std::clamp<int32_t>(state, 0, mask.ImageCount - 1);
  const int X = (R.right - R.left) * state / mask.ImageCount;
  const int T = std::max<int>(mask.MaskType, 0);
  const int FH = (R.bottom - R.top) / (T + 1);
  const int midW = (R.right - R.left) / mask.ImageCount - mask.WL - mask.WR;
  const int WL = mask.WL, WT = mask.WT, WR = mask.WR, WB = mask.WB;
  struct Corner {
    int sx, sy, w, h, cx, cy;
  } const table[] = {
      {0, 0, WL, WT, 0, 0},
      {0, FH - WB, WL, WB, 0, H - WB},
      {WL + midW, FH - WB, WR, WB, W - WR, H - WB},
      {WL + midW, 0, WR, WT, W - WR, 0},
  };
  for (const Corner& c : table) {
    if (c.w <= 0 || c.h <= 0) continue;
    const int left = R.left + X + c.sx, top = R.top + c.sy;
    if (T == 0)
      RestoreCornerKeyColor(cache, bitmap, c.cx, c.cy, {left, top, left + c.w - 1, top + c.h - 1}, parent);
    else
      RestoreCornerMasked(cache, {c.cx, c.cy, c.cx + c.w, c.cy + c.h}, {left, top, left + c.w, top + c.h}, bitmap,
                          parent);
  }
}

}  // namespace skin
