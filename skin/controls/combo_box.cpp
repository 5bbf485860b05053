#include "skin/controls/combo_box.h"

#include <string>

#include "skin/controls/bound_label_tracking.h"
#include "skin/controls/cache_painting.h"
#include "skin/controls/control_support.h"
#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/form_skinning.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

namespace {

constexpr uint32_t kEditItemState = ODS_COMBOBOXEDIT;
constexpr uint32_t kFocusedEditItemState = ODS_COMBOBOXEDIT | ODS_FOCUS | ODS_SELECTED;
constexpr int32_t kFrameWidth = 3;

// Keys a read-only box refuses: space, paging, end, home and arrows (Alt+Down among them),
// digits, letters and F4, each of which would change the selection or open the list.
bool IsReadOnlyRefusedKey(WPARAM key) {
  const WORD vk = LOWORD(key);
  return (vk >= 0x20 && vk <= 0x28) || (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A) || vk == VK_F4;
}

}  // namespace

TsCustomComboBox::TsCustomComboBox(vcl::TComponent* owner)
    : vcl::TCustomComboBox(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  SetDropDownCount(16);
  skinData_->ControlCode = ccEdit;
  if (skinData_->SkinSection().empty()) skinData_->SetSkinSection("COMBOBOX");
  boundLabel_ = std::make_unique<TsBoundLabel>(skinData_.get());
}

TsCustomComboBox::~TsCustomComboBox() {
  FreeListAdapter();
  boundLabel_.reset();
  skinData_.reset();
}

void TsCustomComboBox::AdaptList(HWND list) {
  if (!list || list == listWnd_ || ComponentState().Contains(vcl::csLoading)) return;
  // A list of a window made anew replaces the one adapted before.
  FreeListAdapter();
  if (Items()->Count() <= DropDownCount()) return;
  listWnd_ = list;
  listAdapter_.reset(
      TacComboListWnd::CreateForCombo(list, Style() == vcl::csSimple, true, "EDIT", skinData_->GetSkinManager()));
}

void TsCustomComboBox::FreeListAdapter() {
  if (listAdapter_) {
    TacMainWnd* adapter = listAdapter_.release();
    RemoveAdapter(IsWindow(adapter->Wnd) ? adapter->Wnd : nullptr, true, true, adapter);
  }
  listWnd_ = nullptr;
}

void TsCustomComboBox::AfterConstruction() {
  vcl::TCustomComboBox::AfterConstruction();
  skinData_->Loaded();
}

void TsCustomComboBox::Loaded() {
  vcl::TCustomComboBox::Loaded();
  skinData_->Loaded();
  ApplySkinColours();
}

void TsCustomComboBox::CreateWnd() {
  vcl::TCustomComboBox::CreateWnd();
  ApplySkinColours();
}

void TsCustomComboBox::ApplySkinColours() {
  TsCommonData* link = skinData_.get();
  if (!link->IsSkinned()) return;
  const TsGeneralData& section = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
  if (!link->CustomColor() && Color() != vcl::TColor(section.Color)) SetColor(vcl::TColor(section.Color));
  if (!link->CustomFont() && Font()->Color() != vcl::TColor(section.FontColor[0]))
    Font()->SetColor(vcl::TColor(section.FontColor[0]));
}

bool TsCustomComboBox::Focused() {
  if (!HandleAllocated()) return false;
  return vcl::TCustomComboBox::Focused() || skinData_->HasFocus;
}

void TsCustomComboBox::Invalidate() {
  if (Focused()) skinData_->HasFocus = true;
  vcl::TCustomComboBox::Invalidate();
}

void TsCustomComboBox::SetDropDownCount(int value) {
  if (value == DropDownCount()) return;
  vcl::TCustomComboBox::SetDropDownCount(value);
}

void TsCustomComboBox::SetAlignment(vcl::TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  skinData_->Invalidate();
}

void TsCustomComboBox::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  skinData_->Invalidate();
}

bool TsCustomComboBox::OwnerDrawn() const {
  return (Style() == vcl::csOwnerDrawFixed || Style() == vcl::csOwnerDrawVariable) && OnDrawItem;
}

// ---- Geometry and composing ------------------------------------------------------------------

vcl::TRect TsCustomComboBox::ButtonRect() {
  const int32_t w = (Style() != vcl::csSimple && showButton_) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const int32_t left = Width() - w - 3;
  return vcl::TRect{left, 2, left + w, Height() - 2};
}

int32_t TsCustomComboBox::ArrowHeight() const {
  TsSkinManager* manager = skinData_->GetSkinManager();
  if (skinData_->IsSkinned() && manager->IsMaskIndexValid(manager->CommonIndexes.ComboGlyphMask))
    return MaskFrameHeight(manager->Masks[size_t(manager->CommonIndexes.ComboGlyphMask)]);
  return 16;
}

void TsCustomComboBox::PrepareCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  TsBackgroundInfo info;
  link->GetParentBgInfo(info);
  const int32_t state = link->InHotState() ? 1 : 0;
  vcl::TBitmap* cache = link->CacheBitmap.get();
  if (Style() == vcl::csSimple) {
    const int32_t height = std::min(ItemHeight() + 8, Height());
    PaintSkinDataItem(link, info, true, true, cache, vcl::TPoint{Left(), Top()}, vcl::TRect{0, 0, Width(), height},
                      state);
  } else {
    PaintSkinDataItem(link, info, true, true, cache, vcl::TPoint{Left(), Top()}, vcl::TRect{0, 0, Width(), Height()},
                      state);
    if (showButton_) PaintButton();
    if (!OwnerDrawn()) PaintSelectedText();
  }
  if (!Enabled() && !OwnerDrawn())
    ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, info);
  link->CacheStale = false;
}

void TsCustomComboBox::PaintButton() {
  TsCommonData* link = skinData_.get();
  TsSkinManager* manager = link->GetSkinManager();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  const vcl::TRect button = ButtonRect();
  const int32_t state = dropped_ ? 2 : (link->InHotState() ? 1 : 0);
  const TacCommonIndexes& common = manager->CommonIndexes;
  TsBackgroundInfo background{cache, 0, 0, 0, true};
  std::unique_ptr<vcl::TBitmap> copy;
  if (manager->IsSectionIndexValid(common.ComboBtnSection)) {
    // The button is painted over a copy of the box as it is so far.
    copy = CreateBmp24(cache->Width(), cache->Height());
    BitBlt(copy->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    background.Bitmap = copy.get();
    PaintSectionItem(common.ComboBtnSection, "COMBOBTN", background, common.ComboBtnHotPattern, common.ComboBtnPattern,
                     manager, cache, vcl::TPoint{button.left, button.top}, button, state, true);
  }
  if (manager->IsMaskIndexValid(common.ComboGlyphMask)) {
    const TsMaskData& mask = manager->Masks[size_t(common.ComboGlyphMask)];
    const int32_t x = button.left + ((button.right - button.left) - MaskFrameWidth(mask)) / 2;
    const int32_t y = (Height() - ArrowHeight()) / 2;
    TsBackgroundInfo glyphBackground{cache, 0, 0, 0, true};
    if (copy) BitBlt(copy->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
                     SRCCOPY);
    if (copy) glyphBackground.Bitmap = copy.get();
    PaintMaskGlyph(cache, vcl::TPoint{x, y}, state, glyphBackground, mask, 1);
  }
}

void TsCustomComboBox::PaintSelectedText() {
  TsCommonData* link = skinData_.get();
  vcl::TCanvas* canvas = link->CacheBitmap->Canvas();
  const vcl::TRect button = ButtonRect();
  vcl::TRect rect{3, 3, button.left - 1, Height() - 3};
  const bool focusState = (Focused() || link->HasFocus) && Style() == vcl::csDropDownList && Enabled();
  canvas->Font()->Assign(Font());
  if (focusState) {
    canvas->Font()->SetColor(vcl::clHighlightText);
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(vcl::clHighlight);
    canvas->FillRect(rect);
  } else {
    canvas->Brush()->SetStyle(vcl::bsClear);
  }
  const std::string text = Text();
  if (!text.empty()) {
    vcl::TRect textRect = rect;
    if (Style() != vcl::csDropDown) {
      textRect.left += 1;
      textRect.right += 1;
    } else {
      textRect.bottom -= 1;
    }
    DrawCanvasText(canvas, text, textRect, uint32_t(AlignToDrawTextFlags(this, alignment_)) | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (focusState) canvas->DrawFocusRect(rect);
}

void TsCustomComboBox::PaintControl(HDC dc) {
  TsCommonData* link = skinData_.get();
  if (!Showing() || !HandleAllocated()) return;
  HDC target = dc ? dc : GetDC(Handle());
  vcl::TScopeExit release([&] {
    if (!dc) ReleaseDC(Handle(), target);
  });
  link->UpdatePending = link->IsUpdating();
  if (AnimationInProgress || link->UpdatePending) return;
  if (UpdateStaleBeforePaint(link) || OwnerDrawn()) PrepareCache();
  PaintTransparentCorners(link, 0);
  vcl::TBitmap* cache = link->CacheBitmap.get();
  HDC cacheDC = cache->Canvas()->Handle();
  const int32_t cacheHeight = cache->Height();
  auto copyAll = [&] { BitBlt(target, 0, 0, Width(), cacheHeight, cacheDC, 0, 0, SRCCOPY); };
  if (!Enabled() && !OwnerDrawn()) {
    copyAll();
    return;
  }
  switch (Style()) {
    case vcl::csDropDown:
      if (Focused()) {
        // The platform's edit shows the text; the frame and the button come from the cache.
        const vcl::TRect button = ButtonRect();
        CopyBorderStrips(target, 0, 0, Width(), Height(), cacheDC, 0, 0, kFrameWidth);
        BitBlt(target, button.left, button.top, (button.right - button.left), (button.bottom - button.top), cacheDC, button.left, button.top,
               SRCCOPY);
      } else {
        copyAll();
      }
      break;
    case vcl::csSimple:
      CopyBorderStrips(target, 0, 0, Width(), cacheHeight, cacheDC, 0, 0, kFrameWidth);
      break;
    case vcl::csDropDownList:
      copyAll();
      break;
    default: {
      if (OwnerDrawn()) {
        vcl::TCanvas* canvas = Canvas();
        canvas->Lock();
        canvas->SetHandle(cacheDC);
        vcl::TScopeExit detach([&] {
          canvas->SetHandle(nullptr);
          canvas->Unlock();
        });
        const bool focusState = Focused() && Style() >= vcl::csDropDownList;
        DrawItem(ItemIndex(), vcl::TRect{3, 3, ButtonRect().left, cacheHeight - 3},
                 vcl::TOwnerDrawState::FromBits(focusState ? kFocusedEditItemState : kEditItemState));
        if (!Enabled()) {
          TsBackgroundInfo info;
          link->GetParentBgInfo(info);
          ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, info);
        }
      }
      copyAll();
      break;
    }
  }
}

void TsCustomComboBox::DrawItem(int index, const vcl::TRect& rect, vcl::TOwnerDrawState state) {
  TsCommonData* link = skinData_.get();
  if (!link->IsSkinned() || !state.Contains(vcl::odComboBoxEdit)) {
    vcl::TCustomComboBox::DrawItem(index, rect, state);
    return;
  }
  vcl::TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  if ((!Enabled() && !OwnerDrawn()) || readOnly_) return;
  if (state.Contains(vcl::odFocused)) {
    canvas->Font()->SetColor(vcl::clHighlightText);
    canvas->Brush()->SetColor(vcl::clHighlight);
  } else {
    canvas->Font()->SetColor(Font()->Color());
    canvas->Brush()->SetColor(Color());
  }
  canvas->Brush()->SetStyle(vcl::bsSolid);
  if (OnDrawItem) {
    if (index >= 0) OnDrawItem(this, index, rect, state);
  } else if (index >= 0 && index < Items()->Count()) {
    canvas->FillRect(rect);
    canvas->TextOut(rect.left + 1, rect.top + 1, Items()->Strings(index));
  }
  if (state.Contains(vcl::odFocused)) canvas->DrawFocusRect(rect);
}

// ---- Messages --------------------------------------------------------------------------------

bool TsCustomComboBox::ReadOnlyFilter(vcl::TMessage& message) {
  if (!readOnly_) return false;
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
    case vcl::CN_KEYDOWN:
    case vcl::CN_SYSKEYDOWN:
    case vcl::CN_SYSCHAR:
      return IsReadOnlyRefusedKey(message.WParam);
    case WM_CHAR:
      return true;
    case WM_COMMAND:
    case vcl::CN_COMMAND:
      // A list that opens anyway (the platform may open it before telling) is closed again.
      if (HIWORD(message.WParam) == CBN_DROPDOWN) {
        if (HandleAllocated()) PostMessageA(Handle(), CB_SHOWDROPDOWN, FALSE, 0);
        return true;
      }
      return false;
    case WM_LBUTTONDOWN:
      // A read-only box takes the focus but does not open.
      if (CanFocus()) SetFocus();
      return true;
    case WM_LBUTTONDBLCLK:
      if (CanFocus()) SetFocus();
      DblClick();
      return true;
    default:
      return false;
  }
}

void TsCustomComboBox::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (message.Msg == SM_ALPHACMD) {
    if (AnswerSkinCommand(this, message, link,
                          {.SkinSet = {.After =
                                           [&](bool) {
                                             // The list is no child of the box: the news reach its
                                             // adapter from here.
                                             if (listAdapter_ && IsWindow(listWnd_))
                                               SendMessageA(listWnd_, message.Msg, message.WParam, message.LParam);
                                             ApplySkinColours();
                                             return true;
                                           }},
                           .SkinRemoved = {.After =
                                               [&](bool) {
                                                 FreeListAdapter();
                                                 if (!link->CustomColor()) SetColor(vcl::clWindow);
                                                 if (!link->CustomFont()) Font()->SetColor(vcl::clWindowText);
                                                 if (HandleAllocated()) RecreateWnd();
                                                 return true;
                                               }},
                           .SkinRefresh = {.After = [this](bool) {
                             ApplySkinColours();
                             Repaint();
                             return true;
                           }}}))
      return;
    switch (HIWORD(message.WParam)) {
      case cmdRepaint:
        if (link->UpdatePending) {
          link->UpdatePending = false;
          Repaint();
          return;
        }
        break;
      case cmdMouseLeave:
        Perform(vcl::CM_MOUSELEAVE, 0, 0);
        break;
      default:
        break;
    }
  }
  if (ReadOnlyFilter(message)) return;
  if (!ControlReadyToPaint(this) || !link->IsSkinned()) {
    vcl::TCustomComboBox::WndProc(message);
    UpdateBoundLabel(message);
    return;
  }
  if (SkinnedMessage(message)) return;
  PreprocessControlMessage(message, link);
  vcl::TCustomComboBox::WndProc(message);
  if (IsAlphaCmd(message, cmdComboDropped)) {
    message.Result = DroppedDown() ? 1 : 0;
  } else if (message.Msg == CB_SETCURSEL || message.Msg == vcl::CM_TEXTCHANGED || message.Msg == vcl::CM_CHANGED) {
    link->CacheStale = true;
    Repaint();
  }
  UpdateBoundLabel(message);
}

// The messages of a skinned box that are handled here; true when handled completely.
bool TsCustomComboBox::SkinnedMessage(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  switch (message.Msg) {
    case WM_SETFOCUS:
    case vcl::CM_ENTER:
      if (!CanFocus()) return false;
      link->HasFocus = true;
      link->MouseOver = false;
      link->CacheStale = true;
      vcl::TCustomComboBox::WndProc(message);
      return true;
    case WM_KILLFOCUS:
    case vcl::CM_EXIT:
      if (HandleAllocated() && DroppedDown()) SetDroppedDown(false);
      link->HasFocus = false;
      link->MouseOver = false;
      link->CacheStale = true;
      Repaint();
      vcl::TCustomComboBox::WndProc(message);
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(Handle(), &ps);
      if (!AnimationInProgress) PaintControl(message.WParam ? reinterpret_cast<HDC>(message.WParam) : dc);
      EndPaint(Handle(), &ps);
      return true;
    }
    case WM_NCPAINT:
      // The frame is part of the cached image.
      return true;
    case WM_CTLCOLORLISTBOX:
      AdaptList(reinterpret_cast<HWND>(message.LParam));
      return false;
    case WM_SETFONT:
    case vcl::CM_VISIBLECHANGED:
    case vcl::CM_ENABLEDCHANGED:
    case vcl::CM_COLORCHANGED:
    case vcl::CM_MOUSEWHEEL:
      link->CacheStale = true;
      return false;
    case WM_COMMAND:
      dropped_ = false;
      PaintControl();
      return false;
    case WM_PRINT:
      link->UpdatePending = false;
      PaintControl(reinterpret_cast<HDC>(message.WParam));
      return true;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      HandleMouseHover(message);
      return true;
    case vcl::CN_COMMAND:
      if (HIWORD(message.WParam) == CBN_DROPDOWN) {
        dropped_ = true;
      } else if (HIWORD(message.WParam) == CBN_CLOSEUP) {
        dropped_ = false;
        link->CacheStale = true;
        PaintControl();
      }
      return false;
    case vcl::CN_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
      if (item && (item->itemState & ODS_COMBOBOXEDIT) && !(item->itemState & ODS_FOCUS) && !dropped_) {
        // The closed box's own part shows the cached face.
        if (link->CacheStale) PrepareCache();
        const RECT& r = item->rcItem;
        BitBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, link->CacheBitmap->Canvas()->Handle(),
               r.left, r.top, SRCCOPY);
        message.Result = 1;
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

void TsCustomComboBox::HandleMouseHover(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (ComponentState().Contains(vcl::csDesigning)) return;
  if (dropped_) {
    vcl::TCustomComboBox::WndProc(message);
    return;
  }
  const bool enter = message.Msg == vcl::CM_MOUSEENTER;
  if (!enter) {
    POINT cursor{};
    RECT window{};
    GetCursorPos(&cursor);
    GetWindowRect(Handle(), &window);
    if (PtInRect(&window, cursor)) return;
  } else {
    if (link->MouseOver) return;
    if (TsSkinManager* manager = link->GetSkinManager()) manager->SetHotWindow(Handle());
  }
  link->MouseOver = enter;
  link->CacheStale = true;
  Repaint();
  vcl::TCustomComboBox::WndProc(message);
}

void TsCustomComboBox::ComboWndProc(vcl::TMessage& message, HWND comboWnd, WNDPROC comboProc) {
  if (readOnly_) {
    switch (message.Msg) {
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
      case WM_SYSKEYUP:
      case WM_CUT:
      case WM_PASTE:
      case WM_CLEAR:
      case WM_UNDO:
        return;
      case WM_SYSKEYDOWN:
        // Alt+Down and F4 would open the list from the edit.
        if (IsReadOnlyRefusedKey(message.WParam)) return;
        break;
      default:
        break;
    }
  }
  TsCommonData* link = skinData_.get();
  if (link->IsSkinned() && comboWnd == EditHandle()) {
    // The edit paints itself only while the box is being edited; otherwise the cached face
    // of the box shows through it.
    const bool editing = Style() == vcl::csSimple || ((Focused() || link->HasFocus) && Enabled() && !readOnly_);
    if (!editing) {
      switch (message.Msg) {
        case WM_PAINT: {
          PAINTSTRUCT ps{};
          BeginPaint(comboWnd, &ps);
          EndPaint(comboWnd, &ps);
          message.Result = 0;
          return;
        }
        case WM_ERASEBKGND:
        case WM_NCPAINT:
          message.Result = 1;
          return;
        default:
          break;
      }
    }
  }
  vcl::TCustomComboBox::ComboWndProc(message, comboWnd, comboProc);
}

void TsCustomComboBox::UpdateBoundLabel(const vcl::TMessage& message) {
  TrackBoundLabel(boundLabel_.get(), this, disabledKind_, message);
}

// ---- TsComboBox ------------------------------------------------------------------------------

TsComboBox::TsComboBox(vcl::TComponent* owner) : TsCustomComboBox(owner) {}

TsComboBox::~TsComboBox() = default;

VCL_PUBLISHED(TsCustomComboBox, p) {
  using C = TsCustomComboBox;
  p.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"},
         vcl::taLeftJustify)
      .Object("BoundLabel", &C::BoundLabel, nullptr)
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, {"dkBlended", "dkGrayed"}, TsDisabledKind{dkBlended})
      .Integer("DropDownCount", &C::DropDownCount, &C::SetDropDownCount, 16)
      .Object("SkinData", &C::SkinData, nullptr)
      .Bool("ReadOnly", &C::ReadOnly, &C::SetReadOnly, false);
}

VCL_PUBLISHED(TsComboBox, p) { (void)p; }

}  // namespace skin
