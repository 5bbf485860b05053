#include "skin/forms/skinned_menus.h"

#include <algorithm>
#include <cmath>

#include "skin/engine/published_field.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/adapters/menu_wnd.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"

namespace skin {

bool MenuMeasuring = false;

// Owned by the skin manager as one of its components, so that the menu painter goes with the
// manager; it also hears when a hooked menu is freed.
class TacMenusHolder : public vcl::TComponent {
  VCL_CLASS(TacMenusHolder, vcl::TComponent)
  explicit TacMenusHolder(TsSkinManager* manager)
      : vcl::TComponent(manager), Menus(std::make_unique<TsSkinableMenus>(manager)) {
    Menus->holder_ = this;
  }
  ~TacMenusHolder() override {
    // The menus give back what they hooked while the items still live.
    Menus->SetActive(false);
  }
  std::unique_ptr<TsSkinableMenus> Menus;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
    vcl::TComponent::Notification(component, operation);
    if (operation == vcl::opRemove && Menus) Menus->ForgetMenu(component);
  }
};

TsSkinableMenus* SkinableMenus(TsSkinManager* manager) {
  if (!manager) return nullptr;
  for (int i = 0; i < manager->ComponentCount(); ++i)
    if (auto* holder = dynamic_cast<TacMenusHolder*>(manager->Components(i))) return holder->Menus.get();
  if (manager->ComponentState().Contains(vcl::csDestroying)) return nullptr;
  return (new TacMenusHolder(manager))->Menus.get();
}

namespace {

std::string WithoutAmpersands(const std::string& text) {
  std::string result;
  for (char c : text)
    if (c != '&') result += c;
  return result;
}

bool Destroying(vcl::TComponent* component) {
  return component && component->ComponentState().Contains(vcl::csDestroying);
}

int32_t TextHeightOfW(vcl::TCanvas* canvas) {
  SIZE size{};
  HDC dc = canvas->Handle();
  HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
  GetTextExtentPoint32A(dc, "W", 1, &size);
  SelectObject(dc, old);
  return size.cy;
}

// The application object's hook: the popup window of an item drawn before its window was
// known is found once the popup shows.
bool HandleFindPopupMessage(TsSkinableMenus* menus, vcl::TMessage& message) {
  if (message.Msg != kFindPopupWindow && message.Msg != kPreparePopupWindow) return false;
  TsSkinManager* manager = menus->Owner;
  if (!manager || !manager->SkinnedPopups()) return false;
  PopupImageRecord record;
  HWND window = nullptr;
  if (message.Msg == kFindPopupWindow) {
    vcl::TMenuItem* item = vcl::MenuItemFromData(ULONG_PTR(message.LParam));
    vcl::TMenuItem* parent = item ? item->Parent() : nullptr;
    if (!parent || !parent->HandleAllocated()) return true;
    RECT r{};
    if (!GetMenuItemRect(nullptr, parent->Handle(), 0, &r)) {
      vcl::TMenu* menu = parent->GetParentMenu();
      if (!menu || !GetMenuItemRect(menu->WindowHandle(), parent->Handle(), 0, &r)) return true;
    }
    window = WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    if (!menus->LookupPopupImage(item, false, record, window)) return true;
  } else {
    window = reinterpret_cast<HWND>(message.LParam);
    if (!menus->LookupPopupImage(nullptr, false, record, window)) return true;
  }
  if (window && record.Image) menus->PreparePopupWindow(window, record.Image.get());
  message.Result = 0;
  return true;
}

}  // namespace

// ---- TsMenuDrawHandler / TsMenuMeasureHandler ----

void TsMenuDrawHandler::operator()(vcl::TObject* sender, vcl::TCanvas* canvas, vcl::TRect rect,
                                   vcl::TOwnerDrawState state) const {
  if (MainBar)
    Menus->PaintItem(sender, canvas, rect, state);
  else
    Menus->DrawItem(sender, canvas, rect, state);
}

void TsMenuMeasureHandler::operator()(vcl::TObject* sender, vcl::TCanvas* canvas, int& width, int& height) const {
  if (MainBar)
    Menus->MeasureMainItem(sender, canvas, width, height);
  else
    Menus->MeasureItem(sender, canvas, width, height);
}

// ---- Life ----

TsSkinableMenus::TsSkinableMenus(TsSkinManager* owner)
    : Owner(owner), captionFont_(std::make_unique<vcl::TFont>()) {}

TsSkinableMenus::~TsSkinableMenus() {
  if (vcl::Application) vcl::Application->UnhookMainWindow(this);
  Owner = nullptr;
}

// ---- Hooking ----

void TsSkinableMenus::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  HookAll(value);
}

void TsSkinableMenus::UpdateActive() { SetActive(OwnerSkinActive()); }

bool TsSkinableMenus::OwnerSkinActive() const {
  return Owner && Owner->SkinData() && Owner->SkinData()->Active;
}

void TsSkinableMenus::SelectMenuFont(vcl::TCanvas* canvas, vcl::TMenuItem* item, bool bold) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return;
  if (bold) metrics.lfMenuFont.lfWeight = FW_BOLD;
  vcl::TMenu* menu = item ? item->GetParentMenu() : nullptr;
  if (auto* form = menu ? dynamic_cast<vcl::TCustomForm*>(menu->Owner()) : nullptr)
    metrics.lfMenuFont.lfCharSet = form->Font()->Charset();
  canvas->Font()->SetHandle(CreateFontIndirectA(&metrics.lfMenuFont));
}

void TsSkinableMenus::HookAll(bool value) {
  active_ = value;
  if (vcl::Application) {
    if (value)
      vcl::Application->HookMainWindow([this](vcl::TMessage& m) { return HandleFindPopupMessage(this, m); }, this);
    else
      vcl::Application->UnhookMainWindow(this);
  }
  if (!Owner || Owner->ComponentState().Contains(vcl::csDesigning) || !vcl::Application) return;
  const bool popups = value && Owner->SkinnedPopups();
  std::function<void(vcl::TComponent*)> walk = [&](vcl::TComponent* owner) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
      vcl::TComponent* component = owner->Components(i);
      if (auto* mainMenu = dynamic_cast<vcl::TMainMenu*>(component)) {
        HookMainMenu(mainMenu, value);
        for (int j = 0; j < mainMenu->Items()->Count(); ++j) HookItem(mainMenu->Items()->Items(j), popups);
      } else if (auto* menu = dynamic_cast<vcl::TPopupMenu*>(component)) {
        HookMenu(menu, popups);
      } else if (auto* item = dynamic_cast<vcl::TMenuItem*>(component)) {
        if (!dynamic_cast<vcl::TMainMenu*>(item->GetParentMenu())) HookItem(item, popups);
      }
      walk(component);
    }
  };
  walk(vcl::Application);
}

void TsSkinableMenus::NoteMenu(vcl::TMenu* menu, bool ownerDrawAdded, bool animationAdded) {
  for (HookedMenu& hooked : hookedMenus_)
    if (hooked.Menu == menu) {
      hooked.OwnerDrawAdded = hooked.OwnerDrawAdded || ownerDrawAdded;
      hooked.AnimationAdded = hooked.AnimationAdded || animationAdded;
      return;
    }
  if (!ownerDrawAdded && !animationAdded) return;
  hookedMenus_.push_back({menu, ownerDrawAdded, animationAdded});
  if (holder_) holder_->FreeNotification(menu);
}

void TsSkinableMenus::ForgetMenu(vcl::TComponent* menu) {
  hookedMenus_.erase(std::remove_if(hookedMenus_.begin(), hookedMenus_.end(),
                                    [menu](const HookedMenu& hooked) { return hooked.Menu == menu; }),
                     hookedMenus_.end());
}

void TsSkinableMenus::HookMenu(vcl::TMenu* menu, bool value) {
  if (!menu) return;
  const bool on = value && Owner && Owner->SkinnedPopups();
  auto it = std::find_if(hookedMenus_.begin(), hookedMenus_.end(),
                         [menu](const HookedMenu& hooked) { return hooked.Menu == menu; });
  if (on) {
    bool ownerDrawAdded = !menu->OwnerDraw();
    bool animationAdded = false;
    if (auto* popup = dynamic_cast<vcl::TPopupMenu*>(menu)) {
      // Skinned popups show at once: an animation would show the unskinned frame first.
      vcl::TMenuAnimation animation = popup->MenuAnimation();
      if (!animation.Contains(vcl::maNone)) {
        animation.Include(vcl::maNone);
        popup->SetMenuAnimation(animation);
        animationAdded = true;
      }
    }
    menu->SetOwnerDraw(true);
    NoteMenu(menu, ownerDrawAdded, animationAdded);
  } else if (it != hookedMenus_.end()) {
    // Only what hooking changed is changed back: an application's own owner drawing stays.
    HookedMenu hooked = *it;
    hookedMenus_.erase(it);
    if (holder_) holder_->RemoveFreeNotification(menu);
    if (auto* popup = dynamic_cast<vcl::TPopupMenu*>(menu); popup && hooked.AnimationAdded) {
      vcl::TMenuAnimation animation = popup->MenuAnimation();
      animation.Exclude(vcl::maNone);
      popup->SetMenuAnimation(animation);
    }
    if (hooked.OwnerDrawAdded && !Destroying(menu)) menu->SetOwnerDraw(false);
  }
  for (int i = 0; i < menu->Items()->Count(); ++i) HookItem(menu->Items()->Items(i), on);
  // A popup item of its own (the root's handlers are never called, but its sub-items are).
}

bool TsSkinableMenus::OwnsDrawHandler(vcl::TMenuItem* item) const {
  const auto* handler = item->OnAdvancedDrawItem.target<TsMenuDrawHandler>();
  return handler && handler->Menus == this;
}

bool TsSkinableMenus::OwnsMeasureHandler(vcl::TMenuItem* item) const {
  const auto* handler = item->OnMeasureItem.target<TsMenuMeasureHandler>();
  return handler && handler->Menus == this;
}

namespace {

// Puts the menus' handlers into an item: where the events are empty, or, for menu bar items,
// in place of the application's handlers, which are kept to be given back.
void InstallHandlers(TsSkinableMenus* menus, vcl::TMenuItem* item, bool mainBar) {
  if (!menus->OwnsDrawHandler(item) && (mainBar || !item->OnAdvancedDrawItem))
    item->OnAdvancedDrawItem = TsMenuDrawHandler{menus, mainBar, std::move(item->OnAdvancedDrawItem)};
  if (!menus->OwnsMeasureHandler(item) && (mainBar || !item->OnMeasureItem))
    item->OnMeasureItem = TsMenuMeasureHandler{menus, mainBar, std::move(item->OnMeasureItem)};
}

void RemoveHandlers(TsSkinableMenus* menus, vcl::TMenuItem* item) {
  if (menus->OwnsDrawHandler(item)) {
    vcl::TAdvancedMenuDrawItemEvent replaced = item->OnAdvancedDrawItem.target<TsMenuDrawHandler>()->Replaced;
    item->OnAdvancedDrawItem = std::move(replaced);
  }
  if (menus->OwnsMeasureHandler(item)) {
    vcl::TMenuMeasureItemEvent replaced = item->OnMeasureItem.target<TsMenuMeasureHandler>()->Replaced;
    item->OnMeasureItem = std::move(replaced);
  }
}

}  // namespace

void TsSkinableMenus::HookItem(vcl::TMenuItem* item, bool value) {
  if (!item) return;
  for (int i = 0; i < item->Count(); ++i) {
    vcl::TMenuItem* sub = item->Items(i);
    if (value) {
      if (!IsMainBarItem(sub)) InstallHandlers(this, sub, false);
    } else {
      RemoveHandlers(this, sub);
    }
    HookItem(sub, value);
  }
  // A popup's top items are the root's sub-items; the loop above reaches them through the root.
  if (item->Parent() == nullptr) return;
  if (value) {
    if (!IsMainBarItem(item)) InstallHandlers(this, item, false);
  } else {
    RemoveHandlers(this, item);
  }
}

void TsSkinableMenus::HookMainMenu(vcl::TMainMenu* menu, bool value) {
  if (!menu) return;
  vcl::TMenuItem* root = menu->Items();
  for (int i = 0; i < root->Count(); ++i) {
    vcl::TMenuItem* item = root->Items(i);
    if (value && OwnerSkinActive() && Owner->SkinnedPopups()) {
      InstallHandlers(this, item, true);
    } else if (value && Owner && !Owner->SkinnedPopups()) {
      return;
    } else if (!value) {
      RemoveHandlers(this, item);
    }
  }
  if (Destroying(menu)) return;
  if (value) {
    NoteMenu(menu, !menu->OwnerDraw(), false);
    menu->SetOwnerDraw(true);
  } else {
    auto it = std::find_if(hookedMenus_.begin(), hookedMenus_.end(),
                           [menu](const HookedMenu& hooked) { return hooked.Menu == menu; });
    if (it != hookedMenus_.end()) {
      const bool added = it->OwnerDrawAdded;
      hookedMenus_.erase(it);
      if (holder_) holder_->RemoveFreeNotification(menu);
      if (added) menu->SetOwnerDraw(false);
    }
  }
}

void TsSkinableMenus::HookOneItem(vcl::TMenuItem* item, bool value) {
  if (!item) return;
  vcl::TMenu* menu = item->GetParentMenu();
  if (menu && !Destroying(menu)) {
    if (value) NoteMenu(menu, !menu->OwnerDraw(), false);
    if (value) menu->SetOwnerDraw(true);
  }
  if (!value) {
    RemoveHandlers(this, item);
  } else if (IsMainBarItem(item)) {
    InstallHandlers(this, item, true);
  } else if (Owner && Owner->SkinnedPopups()) {
    InstallHandlers(this, item, false);
  }
}

// ---- Sizes ----

int32_t TsSkinableMenus::GetSkinBorderWidth() {
  if (skinBorderWidth_ >= 0) return skinBorderWidth_;
  int32_t width = 0;
  if (Owner) {
    int mask = Owner->FindMaskIndexByName("MAINMENU", "BORDERSMASK");
    if (Owner->IsMaskIndexValid(mask)) {
      width = Owner->Masks[size_t(mask)].BorderWidth;
      if (width <= 0) width = 3;
    }
  }
  skinBorderWidth_ = width;
  return width;
}

int32_t TsSkinableMenus::VisibleExtraLineWidth(const PopupImageRecord& record) const {
  if (!Owner || !Owner->MenuSupport()->UseExtraLine || !record.ExtraLineVisible) return 0;
  return Owner->MenuSupport()->ExtraLineWidth;
}

bool TsSkinableMenus::IsCaptionItem(vcl::TMenuItem* item) {
  const std::string& caption = item->Caption();
  return caption.size() >= 2 && caption.front() == '-' && caption.back() == '-';
}

bool TsSkinableMenus::IsMainBarItem(vcl::TMenuItem* item) {
  return item && item->Parent() && item->Parent()->Parent() == nullptr &&
         dynamic_cast<vcl::TMainMenu*>(item->GetParentMenu()) != nullptr;
}

vcl::TSize TsSkinableMenus::GlyphSize(vcl::TMenuItem* item) {
  if (item->Bitmap() && !item->Bitmap()->Empty()) return {item->Bitmap()->Width(), item->Bitmap()->Height()};
  if (vcl::TCustomImageList* images = item->GetImageList()) return {images->Width(), images->Height()};
  return {16, 16};
}

bool TsSkinableMenus::InFirstColumn(vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  if (!parent) return true;
  for (int i = 0; i < parent->Count(); ++i) {
    vcl::TMenuItem* sibling = parent->Items(i);
    if (sibling->Break() != vcl::mbNone) return false;
    if (sibling == item) break;
  }
  return true;
}

int32_t TsSkinableMenus::ItemHeight(vcl::TCanvas* canvas, vcl::TMenuItem* item) {
  SelectMenuFont(canvas, item, false);
  if (item->IsLine()) {
    // Two pixels, or as tall as the skin's divider mask: a thinner line would show only the
    // mask's transparent margins.
    int32_t height = 2;
    if (Owner) {
      const int32_t mask = Owner->FindMaskIndex(Owner->FindSectionIndex("DIVIDERV"), "DIVIDERV", "BORDERSMASK");
      if (Owner->IsMaskIndexValid(mask)) height = std::max(height, MaskFrameHeight(Owner->Masks[size_t(mask)]));
    }
    return height;
  }
  const int32_t text = int32_t(std::nearbyint(TextHeightOfW(canvas) * 1.25));
  if (IsCaptionItem(item)) return text + 2 * Margin;
  return std::max(text, int32_t(GlyphSize(item).cy)) + 2 * Margin;
}

int32_t TsSkinableMenus::PopupHeight(vcl::TCanvas* canvas, vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  if (!parent) return 0;
  int32_t tallest = 0, column = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    vcl::TMenuItem* sibling = parent->Items(i);
    if (!sibling->Visible()) continue;
    if (sibling->Break() != vcl::mbNone) column = 0;
    column += ItemHeight(canvas, sibling);
    tallest = std::max(tallest, column);
  }
  return tallest;
}

int32_t TsSkinableMenus::PopupWidth(vcl::TCanvas* canvas, vcl::TMenuItem* item) {
  vcl::TMenuItem* parent = item->Parent();
  if (!parent) return 0;
  int32_t sum = 0, column = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    vcl::TMenuItem* sibling = parent->Items(i);
    if (!sibling->Visible()) continue;
    int width = 0, height = 0;
    MeasureItem(sibling, canvas, width, height);
    if (sibling->Break() != vcl::mbNone) {
      sum += column + 4;
      column = 0;
    }
    column = std::max(column, int32_t(width) + 12);
  }
  return column + sum;
}

// ---- Measuring ----

bool TsSkinableMenus::QueryExtraLine(vcl::TMenuItem* firstItem, std::string& section, std::string& caption,
                                     std::unique_ptr<vcl::TBitmap>& glyph) {
  section = "EXTRALINE";
  caption = "Use OnGetExtraLineData event";
  glyph.reset();
  if (!firstItem || firstItem->Name() == "SkinSelectItem") return false;
  if (queryingExtraLine_ || !Owner || Owner->ComponentState().Contains(vcl::csDesigning)) return false;
  bool visible = true;
  if (Owner->OnGetMenuExtraLineData) {
    queryingExtraLine_ = true;
    vcl::TBitmap* returned = nullptr;
    try {
      Owner->OnGetMenuExtraLineData(firstItem, section, caption, returned, visible);
    } catch (...) {
      queryingExtraLine_ = false;
      throw;
    }
    queryingExtraLine_ = false;
    glyph.reset(returned);
  }
  caption = WithoutAmpersands(caption);
  if (!visible) glyph.reset();
  return visible;
}

void TsSkinableMenus::MeasureItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, int& Width, int& Height) {
  auto* item = dynamic_cast<vcl::TMenuItem*>(Sender);
  if (!item || Destroying(item) || !ACanvas || MeasureIfUnskinned(item, ACanvas, Width, Height)) return;
  MenuMeasuring = true;
  PopupImageRecord popup;
  LookupPopupImage(item, false, popup);
  if (!popup.Image && item->Parent() && item->Parent()->Count() > 0) {
    popup.FirstItem = item->Parent()->Items(0);
    std::string section, caption;
    std::unique_ptr<vcl::TBitmap> glyph;
    popup.ExtraLineVisible = QueryExtraLine(popup.FirstItem, section, caption, glyph);
  }
  SelectMenuFont(ACanvas, item, item->Default());
  std::string text;
  if (item->IsLine())
    text.clear();
  else if (IsCaptionItem(item))
    text = "-" + item->Caption() + "-";
  else {
    text = item->Caption();
    std::string shortCut = vcl::ShortCutToText(item->ShortCut());
    if (!shortCut.empty()) text += "\t" + shortCut;
  }
  RECT r{0, 0, 0, 0};
  HDC dc = ACanvas->Handle();
  HGDIOBJ old = SelectObject(dc, ACanvas->Font()->Handle());
  if (!text.empty()) DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE);
  SelectObject(dc, old);
  const int32_t glyphWidth = GlyphSize(item).cx;
  Width = 2 * glyphWidth + (r.right - r.left) + 3 * Margin + Spacing;
  if (InFirstColumn(item)) Width += VisibleExtraLineWidth(popup);
  Height = ItemHeight(ACanvas, item);
}

void TsSkinableMenus::MeasureMainItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, int& Width, int& Height) {
  auto* item = dynamic_cast<vcl::TMenuItem*>(Sender);
  if (!item || !ACanvas || MeasureIfUnskinned(item, ACanvas, Width, Height)) return;
  Height = GetSystemMetrics(SM_CYMENU) - 1;
  SelectMenuFont(ACanvas, item, item->Default());
  Width = ACanvas->TextWidth(WithoutAmpersands(item->Caption()));
  vcl::TMenu* menu = item->GetParentMenu();
  if (menu && menu->Images() && item->ImageIndex() >= 0) Width += menu->Images()->Width() + 6;
}

VCL_PUBLISHED(TsSkinableMenus, p) {
  using C = TsSkinableMenus;
  p.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"},
         vcl::taLeftJustify)
      .Integer("BevelWidth", SKIN_FIELD(C, BevelWidth), 0)
      .Integer("BorderWidth", SKIN_FIELD(C, BorderWidth), 3)
      .Object("CaptionFont", &C::CaptionFont, &C::SetCaptionFont)
      .Integer("Margin", SKIN_FIELD(C, Margin), 2)
      .Integer("SkinBorderWidth", &C::GetSkinBorderWidth, &C::SetSkinBorderWidth, -1)
      .Integer("Spacing", SKIN_FIELD(C, Spacing), 6);
}

}  // namespace skin
