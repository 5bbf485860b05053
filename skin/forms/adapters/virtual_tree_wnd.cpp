#include "skin/forms/adapters/virtual_tree_wnd.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"

namespace skin {

namespace {

// The handlers put into the tree's events: named types, so that the adapter knows its own.
struct HeaderDrawHook {
  TacVirtualTreeViewWnd* adapter;
  void operator()(vcl::TObject* sender, TacHeaderPaintInfo& info, uint32_t elements) const {
    adapter->AdvancedHeaderDraw(sender, info, elements);
  }
};

struct QueryElementsHook {
  TacVirtualTreeViewWnd* adapter;
  void operator()(vcl::TObject* sender, TacHeaderPaintInfo& info, uint32_t& elements) const {
    adapter->HeaderDrawQueryElements(sender, info, elements);
  }
};

const char* const kVetColours[3] = {"CompressedTextColor", "FileTextColor", "FolderTextColor"};

std::string StringProp(vcl::TObject* object, const std::string& name) {
  if (!object) return std::string();
  const vcl::TPropInfo* prop = vcl::GetPropInfo(object, name);
  return prop ? vcl::GetStrProp(object, prop) : std::string();
}

const TsGeneralData* SectionOf(TsCommonData* link) {
  TsSkinManager* manager = link ? link->GetSkinManager() : nullptr;
  return manager && manager->IsSectionIndexValid(link->SectionIndex) ? &manager->Sections[size_t(link->SectionIndex)]
                                                                      : nullptr;
}

}  // namespace

TacVirtualTreeViewWnd::TacVirtualTreeViewWnd(HWND wnd, const std::string& section, TsSkinManager* manager,
                                             TsCommonData* skinLink)
    : TacEditWnd(wnd, section, manager, skinLink) {}

TacVirtualTreeViewWnd::~TacVirtualTreeViewWnd() { TakeEventsBack(); }

IacVirtualTreeHeader* TacVirtualTreeViewWnd::Header() const {
  vcl::TControl* tree = OwnerControl();
  if (!tree || tree->ComponentState().Contains(vcl::csDestroying)) return nullptr;
  return dynamic_cast<IacVirtualTreeHeader*>(tree);
}

bool TacVirtualTreeViewWnd::OwnsHeaderDraw() const {
  IacVirtualTreeHeader* header = Header();
  const HeaderDrawHook* hook = header ? header->AdvancedHeaderDrawEvent().target<HeaderDrawHook>() : nullptr;
  return hook && hook->adapter == this;
}

bool TacVirtualTreeViewWnd::OwnsQueryElements() const {
  IacVirtualTreeHeader* header = Header();
  const QueryElementsHook* hook = header ? header->HeaderDrawQueryElementsEvent().target<QueryElementsHook>() : nullptr;
  return hook && hook->adapter == this;
}

void TacVirtualTreeViewWnd::TakeEventsBack() {
  // Only the adapter's own handlers leave: the application's stay where they are.
  IacVirtualTreeHeader* header = Header();
  if (!header) return;
  if (OwnsHeaderDraw()) header->AdvancedHeaderDrawEvent() = nullptr;
  if (OwnsQueryElements()) header->HeaderDrawQueryElementsEvent() = nullptr;
}

void TacVirtualTreeViewWnd::SaveInitialState() {
  TacEditWnd::SaveInitialState();
  vcl::TObject* tree = Tree();
  if (!tree) return;
  if (vcl::TObject* colours = GetObjPropByName(tree, "VETColors")) {
    savedCompressed_ = GetOrdPropByName(colours, kVetColours[0]);
    savedFile_ = GetOrdPropByName(colours, kVetColours[1]);
    savedFolder_ = GetOrdPropByName(colours, kVetColours[2]);
  }
  vcl::TObject* header = GetObjPropByName(tree, "Header");
  if (header) {
    savedOwnerDraw_ = PropSetContains(header, "Options", "hoOwnerDraw");
    savedHeaderColor_ = GetOrdPropByName(header, "Color");
    savedHeaderFontColor_ = GetOrdPropByName(GetObjPropByName(header, "Font"), "Color");
  }
  if (vcl::TObject* column = GetObjPropByName(tree, "PaintInfoColumn")) {
    savedColumnColor_ = GetOrdPropByName(column, "Color");
    savedColumnStyle_ = GetOrdPropByName(column, "Style");
  }
  savedThemed_ = GetOrdPropByName(tree, "Themed");
  saved_ = true;
}

void TacVirtualTreeViewWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  vcl::TObject* tree = Tree();
  TsSkinManager* manager = SkinLink ? SkinLink->GetSkinManager() : nullptr;
  if (!tree || !manager) return;
  if (vcl::TObject* colours = GetObjPropByName(tree, "VETColors")) {
    const TsGeneralData* section = SectionOf(SkinLink);
    if (section)
      for (const char* name : kVetColours) SetOrdPropByName(colours, name, section->HotFontColor[0]);
  }
  vcl::TObject* header = GetObjPropByName(tree, "Header");
  if (IacVirtualTreeHeader* events = Header(); events && !events->AdvancedHeaderDrawEvent()) {
    events->AdvancedHeaderDrawEvent() = HeaderDrawHook{this};
    if (!events->HeaderDrawQueryElementsEvent()) events->HeaderDrawQueryElementsEvent() = QueryElementsHook{this};
    if (header) ChangeSetPropElem(header, "Options", "hoOwnerDraw", true);
  }
  if (vcl::TObject* column = GetObjPropByName(tree, "PaintInfoColumn")) {
    SetOrdPropByName(column, "Color", manager->GetGlobalColor());
    SetOrdPropByName(column, "Style", 1);
    if (header) {
      SetOrdPropByName(header, "Color", manager->GetGlobalHotColor());
      SetOrdPropByName(GetObjPropByName(header, "Font"), "Color", manager->GetGlobalFontColor());
      RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    }
    SetOrdPropByName(tree, "Themed", 0);
  }
}

void TacVirtualTreeViewWnd::RestoreInitialState() {
  TacEditWnd::RestoreInitialState();
  TakeEventsBack();
  vcl::TControl* tree = OwnerControl();
  if (!tree || !saved_ || tree->ComponentState().Contains(vcl::csDestroying)) return;
  if (vcl::TObject* colours = GetObjPropByName(tree, "VETColors")) {
    const int64_t values[3] = {savedCompressed_, savedFile_, savedFolder_};
    for (int i = 0; i < 3; ++i)
      if (values[i] != -1) SetOrdPropByName(colours, kVetColours[i], values[i]);
  }
  vcl::TObject* header = GetObjPropByName(tree, "Header");
  if (header) ChangeSetPropElem(header, "Options", "hoOwnerDraw", savedOwnerDraw_);
  // The designed colours come back, not fixed system colours.
  if (vcl::TObject* column = GetObjPropByName(tree, "PaintInfoColumn")) {
    if (savedColumnColor_ != -1) SetOrdPropByName(column, "Color", savedColumnColor_);
    if (savedColumnStyle_ != -1) SetOrdPropByName(column, "Style", savedColumnStyle_);
    if (header && savedHeaderColor_ != -1) SetOrdPropByName(header, "Color", savedHeaderColor_);
    if (header && savedHeaderFontColor_ != -1)
      SetOrdPropByName(GetObjPropByName(header, "Font"), "Color", savedHeaderFontColor_);
    if (savedThemed_ != -1) SetOrdPropByName(tree, "Themed", savedThemed_);
  }
}

void TacVirtualTreeViewWnd::HeaderDrawQueryElements(vcl::TObject*, TacHeaderPaintInfo&, uint32_t& elements) {
  elements = kAllHeaderElements;
}

void TacVirtualTreeViewWnd::AdvancedHeaderDraw(vcl::TObject*, TacHeaderPaintInfo& info, uint32_t elements) {
  if (Notifying || Detached || !SkinLink || !SkinLink->IsSkinned() || !info.TargetCanvas) return;
  TsSkinManager* manager = DefaultManager;
  if (!manager) return;
  vcl::TCanvas* target = info.TargetCanvas;
  const vcl::TRect& r = info.PaintRectangle;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (!info.Column) {
    if (const TsGeneralData* section = SectionOf(SkinLink))
      PaintSolidRect(target->Handle(), r, section->Color);
    return;
  }
  if (w <= 0 || h <= 0) return;
  std::string sectionName = "COLHEADER";
  int section = manager->FindSectionIndex(sectionName);
  if (!manager->IsSectionIndexValid(section)) {
    sectionName = "BUTTON";
    section = manager->FindSectionIndex(sectionName);
  }
  const int state = info.IsDownIndex ? 2 : info.IsHoverIndex ? 1 : 0;
  auto part = CreateBmp24(w, h);
  vcl::TCanvas* canvas = part->Canvas();
  if (elements & hpeBackground) {
    TsBackgroundInfo behind;
    if (SkinLink->CacheBitmap)
      FillBmpBgInfo(SkinLink->CacheBitmap.get(), r.left, r.top, behind);
    PaintSectionItem(section, sectionName, behind, -1, -1, manager, part.get(), {r.left, r.top}, {0, 0, w, h}, state,
                     true);
    BitBlt(target->Handle(), r.left, r.top, w, h, canvas->Handle(), 0, 0, SRCCOPY);
    return;
  }
  BitBlt(canvas->Handle(), 0, 0, w, h, target->Handle(), r.left, r.top, SRCCOPY);
  vcl::TObject* header = GetObjPropByName(Tree(), "Header");
  if (auto* font = dynamic_cast<vcl::TFont*>(GetObjPropByName(header, "Font"))) canvas->Font()->Assign(font);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const std::string text = StringProp(info.Column, "Text");
  vcl::TRect textRect = info.TextRectangle;
  textRect.left -= r.left;
  textRect.right -= r.left;
  textRect.top -= r.top;
  textRect.bottom -= r.top;
  if ((elements & hpeOverlay) && !(elements & hpeText) && !text.empty())
    WriteSectionText(canvas, text, true, manager, state > 0, section, 0, textRect);
  if ((elements & hpeSortGlyph) && info.ShowSortGlyph) {
    const char* glyphSection = GetOrdPropByName(header, "SortDirection") > 0 ? "SCROLLBTNTOP" : "SCROLLBTNBOTTOM";
    const int glyph = manager->FindMaskIndex(manager->FindSectionIndex(glyphSection), glyphSection, "GLYPHMASK");
    if (manager->IsMaskIndexValid(glyph)) {
      int32_t fw = 0, fh = 0;
      manager->MaskFrameSize(glyph, fw, fh);
      TsBackgroundInfo behind;
      FillBmpBgInfo(part.get(), 0, 0, behind);
      PaintMaskGlyph(part.get(), {info.SortGlyphPos.x - r.left, (h - fh) / 2}, state, behind,
                     manager->Masks[size_t(glyph)], kGlyphNormal);
    }
  }
  if ((elements & hpeText) && !text.empty()) {
    const bool wrap = PropSetContains(info.Column, "Options", "coWrapCaption");
    WriteSectionText(canvas, text, true, manager, state > 0, section,
                     wrap ? DT_END_ELLIPSIS | DT_WORDBREAK | DT_VCENTER : DT_END_ELLIPSIS | DT_SINGLELINE | DT_VCENTER,
                     textRect);
  }
  BitBlt(target->Handle(), r.left, r.top, w, h, canvas->Handle(), 0, 0, SRCCOPY);
}

void TacVirtualTreeViewWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned()) {
    TacEditWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (LOWORD(m.WParam) == SB_THUMBTRACK) {
        // The tree scrolls to the tracked place as the thumb moves.
        const int bar = m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO info{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(Wnd, bar, &info);
        info.fMask = SIF_POS;
        info.nPos = info.nTrackPos;
        SetScrollInfo(Wnd, bar, &info, FALSE);
      }
      break;
    default:
      break;
  }
  TacEditWnd::WndProc(m);
}

}  // namespace skin
