#include "skin/forms/system_menu.h"

#include <vector>

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_types.h"
#include "skin/forms/adapters/dialog_wnd.h"
#include "skin/forms/skin_provider.h"
#include "vcl/classes/stringlist.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

namespace skin {

namespace {

// The text of a real system menu item before its tab, and the shortcut text after it.
void SplitMenuText(const std::string& text, std::string& caption, std::string& shortcut) {
  size_t tab = text.find('\t');
  caption = text.substr(0, tab);
  shortcut = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

std::string MenuStringByCommand(HMENU menu, UINT command) {
  char buffer[256] = {};
  int length = GetMenuStringA(menu, command, buffer, 255, MF_BYCOMMAND);
  return length > 0 ? std::string(buffer, size_t(length)) : std::string();
}

}  // namespace

TsSystemMenu::TsSystemMenu(TsSkinProvider* provider)
    : TsCustomSysMenu(provider), Provider(provider), Form(provider ? provider->Form() : nullptr) {
  SetName("SysMenu");
  MakeSkinItems();
}

TsSystemMenu::~TsSystemMenu() = default;

bool TsSystemMenu::IsMdiChild() const { return Form && Form->FormStyle() == vcl::fsMDIChild; }

bool TsSystemMenu::BigStyle() const {
  return Form && (Form->BorderStyle() == vcl::bsSingle || Form->BorderStyle() == vcl::bsSizeable);
}

bool TsSystemMenu::VisibleClose() { return Provider && Provider->SysMenuRemoved(); }

bool TsSystemMenu::VisibleMax() {
  if (!VisibleClose()) return false;
  if ((Form->HandleAllocated() && IsIconic(Form->Handle())) || IsMdiChild()) return true;
  return BigStyle() && Form->BorderIcons().Contains(vcl::biMaximize);
}

bool TsSystemMenu::VisibleMin() {
  if (!VisibleClose()) return false;
  if ((Form->HandleAllocated() && IsIconic(Form->Handle())) || IsMdiChild()) return true;
  return BigStyle() && Form->BorderIcons().Contains(vcl::biMinimize);
}

bool TsSystemMenu::EnabledMax() {
  if (!Form) return false;
  if (IsMdiChild()) return Form->BorderIcons().Contains(vcl::biMaximize);
  if (Form->WindowState() == vcl::wsMaximized || !BigStyle()) return false;
  return Form->BorderIcons().Contains(vcl::biMaximize);
}

bool TsSystemMenu::EnabledMin() {
  return Form && Form->BorderIcons().Contains(vcl::biMinimize) && Form->WindowState() != vcl::wsMinimized;
}

bool TsSystemMenu::EnabledRestore() {
  if (!Form) return false;
  return (Form->BorderIcons().Contains(vcl::biMaximize) && Form->WindowState() != vcl::wsNormal) ||
         Form->WindowState() == vcl::wsMinimized;
}

void TsSystemMenu::SendCommand(UINT command) {
  if (Form && Form->HandleAllocated()) SendMessageA(Form->Handle(), WM_SYSCOMMAND, command, 0);
}

void TsSystemMenu::MakeSkinItems() {
  Items()->Clear();
  ItemRestore = ItemMove = ItemSize = ItemMinimize = ItemMaximize = ItemClose = nullptr;
  ExtItemsCount = 0;
  if (!Form || !Form->HandleAllocated()) return;
  HMENU real = GetSystemMenu(Form->Handle(), FALSE);
  if (!real) return;

  auto addItem = [this](const std::string& caption, const char* name, UINT command, vcl::TNotifyEvent click) {
    auto* item = new vcl::TMenuItem(this);
    item->SetCaption(caption);
    item->SetName(name);
    item->SetTag(int32_t(command));
    item->OnClick = std::move(click);
    Items()->Add(item);
    return item;
  };
  auto addLine = [this] {
    auto* line = new vcl::TMenuItem(this);
    line->SetCaption("-");
    Items()->Add(line);
  };
  auto caption = [real](UINT command, uint32_t textId) {
    std::string text, shortcut;
    SplitMenuText(MenuStringByCommand(real, command), text, shortcut);
    return text.empty() ? SkinText(textId) : text;
  };

  ItemRestore = addItem(caption(SC_RESTORE, stRestore), "acIR", SC_RESTORE, [this](vcl::TObject*) {
    SendCommand(SC_RESTORE);
    UpdateItems(false);
  });
  ItemMove = addItem(caption(SC_MOVE, stMove), "acIM", SC_MOVE, [this](vcl::TObject*) { SendCommand(SC_MOVE); });
  ItemSize = addItem(caption(SC_SIZE, stSize), "acIS", SC_SIZE, [this](vcl::TObject*) { SendCommand(SC_SIZE); });
  ItemMinimize = addItem(caption(SC_MINIMIZE, stMinimize), "acIN", SC_MINIMIZE, [this](vcl::TObject*) {
    if (vcl::Application && vcl::Application->MainForm() == Form) {
      vcl::Application->Minimize();
      UpdateItems(false);
    } else {
      SendCommand(SC_MINIMIZE);
    }
  });
  ItemMaximize = addItem(caption(SC_MAXIMIZE, stMaximize), "acIX", SC_MAXIMIZE, [this](vcl::TObject*) {
    SendCommand(SC_MAXIMIZE);
    UpdateItems(false);
  });
  addLine();

  // The application's own items of the real menu, between Maximize and Close.
  int count = GetMenuItemCount(real);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(real, i);
    if (id == UINT(-1) || id >= 0xF000) continue;
    char buffer[256] = {};
    int length = GetMenuStringA(real, UINT(i), buffer, 255, MF_BYPOSITION);
    if (length <= 0) continue;
    std::string text, shortcut;
    SplitMenuText(std::string(buffer, size_t(length)), text, shortcut);
    if (text.empty()) continue;
    auto* item = new vcl::TMenuItem(this);
    item->SetCaption(text);
    item->SetTag(int32_t(id));
    if (!shortcut.empty()) item->SetShortCut(vcl::TextToShortCut(shortcut));
    vcl::TCustomForm* form = Form;
    item->OnClick = [form, id](vcl::TObject*) {
      if (form->HandleAllocated()) PostMessageA(form->Handle(), WM_SYSCOMMAND, id, 0);
    };
    Items()->Add(item);
    ++ExtItemsCount;
  }
  if (ExtItemsCount > 0) addLine();

  std::string closeText, closeShortcut;
  SplitMenuText(MenuStringByCommand(real, SC_CLOSE), closeText, closeShortcut);
  ItemClose = addItem(closeText.empty() ? SkinText(stClose) : closeText, "acIC", SC_CLOSE,
                      [this](vcl::TObject*) { SendCommand(SC_CLOSE); });
  if (!closeShortcut.empty()) ItemClose->SetShortCut(vcl::TextToShortCut(closeShortcut));
}

void TsSystemMenu::UpdateItems(bool rebuild) {
  if (rebuild || !ItemClose) MakeSkinItems();
  if (!Form) return;
  bool iconic = Form->HandleAllocated() && IsIconic(Form->Handle());
  vcl::TFormBorderStyle style = Form->BorderStyle();
  if (ItemRestore) {
    ItemRestore->SetVisible(VisibleClose() && (IsMdiChild() || BigStyle()));
    ItemRestore->SetEnabled(EnabledRestore());
  }
  if (ItemMove) {
    ItemMove->SetVisible(true);
    ItemMove->SetEnabled(Form->WindowState() != vcl::wsMaximized);
  }
  if (ItemSize) {
    ItemSize->SetVisible(IsMdiChild() || style == vcl::bsSingle || style == vcl::bsSizeable ||
                         style == vcl::bsSizeToolWin);
    ItemSize->SetEnabled(style != vcl::bsSingle && !iconic);
  }
  if (ItemMinimize) {
    ItemMinimize->SetVisible(VisibleMin());
    ItemMinimize->SetEnabled(EnabledMin());
  }
  if (ItemMaximize) {
    ItemMaximize->SetVisible(VisibleMax());
    ItemMaximize->SetEnabled(EnabledMax());
  }
  if (ItemClose) {
    ItemClose->SetVisible(VisibleClose());
    ItemClose->SetEnabled(true);
  }
}

namespace {

// A skin name from the caption of its menu item: no accelerator marks, and nothing after the
// marker of a stored skin.
std::string SkinNameFromCaption(const std::string& caption) {
  std::string name;
  for (char c : caption)
    if (c != '&') name += c;
  static const std::string marker = "(internal)";
  size_t at = name.find(marker);
  if (at != std::string::npos) name.resize(at + marker.size());
  return name;
}

}  // namespace

void TsSystemMenu::RemoveSkinSelectItems() {
  vcl::TMenuItem* root = Items();
  if (root->Count() == 0 || root->Items(0)->Name() != "SkinSelectItem") return;
  root->Delete(0);
  if (root->Count() > 0 && root->Items(0)->IsLine()) root->Delete(0);
}

void TsSystemMenu::MakeSkinSelectItems() {
  RemoveSkinSelectItems();
  TsSkinManager* manager = Provider && Provider->SkinData() ? Provider->SkinData()->GetSkinManager() : nullptr;
  if (!manager) return;
  vcl::TStringList names;
  manager->ListSkinNames(&names, 2);
  if (names.Count() == 0) return;
  auto* skins = new vcl::TMenuItem(this);
  skins->SetCaption(SkinText(stAvailableSkins));
  skins->SetName("SkinSelectItem");
  for (int i = 0; i < names.Count(); ++i) {
    auto* item = new vcl::TMenuItem(this);
    item->SetCaption(names.Strings(i));
    item->SetName("SkinSelectItem" + std::to_string(i));
    item->SetRadioItem(true);
    item->SetChecked(names.Strings(i) == manager->SkinName());
    // A new column every twenty skins keeps a long list on the screen.
    if (i > 0 && i % 20 == 0) item->SetBreak(vcl::mbBreak);
    item->OnClick = [manager](vcl::TObject* sender) {
      manager->SetSkinName(SkinNameFromCaption(static_cast<vcl::TMenuItem*>(sender)->Caption()));
    };
    skins->Add(item);
  }
  Items()->Insert(0, skins);
  auto* line = new vcl::TMenuItem(this);
  line->SetCaption("-");
  Items()->Insert(1, line);
}

VCL_PUBLISHED(TsSystemMenu, p) { (void)p; }

// ---- TacSystemMenu ----

TacSystemMenu::TacSystemMenu(vcl::TComponent* owner) : TsCustomSysMenu(owner) {
  auto addItem = [this](uint32_t textId, const char* name, UINT command, bool update) {
    auto* item = new vcl::TMenuItem(this);
    item->SetCaption(SkinText(textId));
    item->SetName(name);
    item->SetTag(int32_t(command));
    item->OnClick = [this, command, update](vcl::TObject*) {
      SendCommand(command);
      if (update) UpdateItems();
    };
    Items()->Add(item);
    return item;
  };
  ItemRestore = addItem(stRestore, "miRestore", SC_RESTORE, true);
  ItemMove = addItem(stMove, "miMove", SC_MOVE, false);
  ItemSize = addItem(stSize, "miSize", SC_SIZE, false);
  ItemMinimize = addItem(stMinimize, "miMinimize", SC_MINIMIZE, false);
  ItemMaximize = addItem(stMaximize, "miMaximize", SC_MAXIMIZE, true);
  auto* line = new vcl::TMenuItem(this);
  line->SetCaption("-");
  Items()->Add(line);
  ItemClose = addItem(stClose, "miClose", SC_CLOSE, false);
  ItemClose->SetShortCut(vcl::scAlt | VK_F4);
}

TacSystemMenu::~TacSystemMenu() = default;

bool TacSystemMenu::VisibleClose() { return Dialog && Dialog->HasSysMenu(); }

void TacSystemMenu::SendCommand(UINT command) {
  if (Dialog && IsWindow(Dialog->Wnd)) SendMessageA(Dialog->Wnd, WM_SYSCOMMAND, command, 0);
}

void TacSystemMenu::UpdateItems() {
  if (!Dialog) return;
  const HWND wnd = Dialog->Wnd;
  const bool iconic = IsWindow(wnd) && IsIconic(wnd);
  ItemRestore->SetVisible(Dialog->RestoreVisible());
  ItemRestore->SetEnabled(Dialog->RestoreEnabled());
  ItemMove->SetVisible(true);
  ItemMove->SetEnabled(!(IsWindow(wnd) && IsZoomed(wnd)));
  ItemSize->SetVisible(Dialog->FrameKind == kFrameUnread || Dialog->FrameKind == kFrameSizeable);
  ItemSize->SetEnabled(Dialog->FrameKind != kFrameUnread && !iconic);
  ItemMinimize->SetVisible(Dialog->HasMinBox());
  ItemMinimize->SetEnabled(Dialog->MinEnabled());
  ItemMaximize->SetVisible(Dialog->HasMaxBox());
  ItemMaximize->SetEnabled(Dialog->MaxEnabled());
  ItemClose->SetVisible(Dialog->HasSysMenu());
  ItemClose->SetEnabled(true);
}

VCL_PUBLISHED(TacSystemMenu, p) { (void)p; }

}  // namespace skin
