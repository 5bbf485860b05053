#include "skin/forms/adapters/tree_view_wnd.h"

#include "skin/engine/bitmap_ops.h"
#include "vcl/graphics/colours.h"

namespace skin {

vcl::TColor TacTreeViewWnd::TreeBackground() const {
  TsSkinManager* manager = SkinLink ? SkinLink->GetSkinManager() : nullptr;
  if (DialogMode || !manager || !manager->IsSectionIndexValid(SkinLink->SectionIndex)) return vcl::clWindow;
  return manager->Sections[size_t(SkinLink->SectionIndex)].HotColor;
}

void TacTreeViewWnd::SaveInitialState() {
  TacEditWnd::SaveInitialState();
  // The tree's own colour, so that one set by its program comes back with the skin's removal.
  savedTreeBackground_ = COLORREF(SendMessageA(Wnd, TVM_GETBKCOLOR, 0, 0));
  savedTreeText_ = COLORREF(SendMessageA(Wnd, TVM_GETTEXTCOLOR, 0, 0));
}

void TacTreeViewWnd::RestoreInitialState() {
  TacEditWnd::RestoreInitialState();
  if (!Wnd || !IsWindow(Wnd)) return;
  SendMessageA(Wnd, TVM_SETBKCOLOR, 0, LPARAM(savedTreeBackground_));
  SendMessageA(Wnd, TVM_SETTEXTCOLOR, 0, LPARAM(savedTreeText_));
}

void TacTreeViewWnd::ApplySkinParams() {
  ParamsApplied = true;
  if (DialogMode) {
    SendMessageA(Wnd, TVM_SETBKCOLOR, 0, LPARAM(vcl::ColorToRGB(vcl::clWindow)));
    return;
  }
  if (!SkinLink) return;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager || !manager->IsSectionIndexValid(SkinLink->SectionIndex)) return;
  const TsGeneralData& section = manager->Sections[size_t(SkinLink->SectionIndex)];
  vcl::TControl* owner = OwnerControl();
  if (owner) {
    if (!SkinLink->CustomFont() && owner->Font()->Color() != section.HotFontColor[0])
      owner->Font()->SetColor(section.HotFontColor[0]);
    if (SkinLink->CustomColor()) return;
  }
  SendMessageA(Wnd, TVM_SETBKCOLOR, 0, LPARAM(vcl::ColorToRGB(section.HotColor)));
  SendMessageA(Wnd, TVM_SETTEXTCOLOR, 0,
               LPARAM(vcl::ColorToRGB(owner ? owner->Font()->Color() : vcl::TColor(section.HotFontColor[0]))));
}

void TacTreeViewWnd::WndProc(vcl::TMessage& m) {
  if (m.Msg == WM_ERASEBKGND && !Detached && SkinLink && SkinLink->IsSkinned(false)) {
    if (RecomputeUpdating()) {
      m.Result = 1;
      return;
    }
    RebuildCache();
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    HDC own = dc ? nullptr : GetWindowDC(Wnd);
    RECT r{};
    GetWindowRect(Wnd, &r);
    const vcl::TColor colour = SkinLink->CustomColor() && OwnerControl() ? OwnerControl()->Color() : TreeBackground();
    PaintSolidRect(dc ? dc : own, {0, 0, r.right - r.left, r.bottom - r.top}, colour);
    if (own) ReleaseDC(Wnd, own);
    m.Result = 1;
    return;
  }
  TacEditWnd::WndProc(m);
  if (m.Msg == WM_LBUTTONUP && !Detached && GetCapture() == Wnd) ReleaseCapture();
}

}  // namespace skin
