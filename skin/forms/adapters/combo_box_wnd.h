// The combo-box adapters. TacComboBoxWnd skins a window of the platform's combo-box class: the
// border around the selection field, the drop-down button (COMBOBTN with the COMBOBOX arrow),
// and the colours of the drop-down list. When the list first asks for its colours it gets a
// TacComboListWnd of its own, which frames the list and draws its skinned scroll bars.
#pragma once

#include <memory>

#include "skin/forms/adapters/edit_wnd.h"

namespace skin {

class TacComboListWnd : public TacEditWnd {
 public:
  // A list adapter always has its own skin link.
  TacComboListWnd(HWND wnd, bool simpleStyle, const std::string& section, TsSkinManager* manager);
  // Makes and starts the adapter of a combo box's list; a dropping list gets its frame laid
  // out again so that the skinned bars take their room.
  static TacComboListWnd* CreateForCombo(HWND list, bool simpleStyle, bool frameRefresh, const std::string& section,
                                         TsSkinManager* manager);

  void WndProc(vcl::TMessage& message) override;
  // The list's frame in the cache: the section's border for a simple list, else a plain
  // rectangle of ListBgColor framed with ListFrameColor.
  void PrepareListCache();

  bool ListTracking = false;
  bool SimpleStyle = false;

 protected:
  bool KeepsCapture() const override { return !SimpleStyle; }
};

class TacComboBoxWnd : public TacEditWnd {
 public:
  using TacEditWnd::TacEditWnd;
  ~TacComboBoxWnd() override;

  void RestoreInitialState() override;
  void WndProc(vcl::TMessage& message) override;
  // The drop-down button in window coordinates; empty for a simple combo box.
  virtual void GetButtonRect(RECT& rect);
  // 2 while the list is shown, 1 when hot, else 0.
  int ButtonState() const;
  void PaintButton(HDC dc);
  // The selected item's text (the window text without a selection) into the cache.
  void PaintText();
  // The border cache of a simple combo box: as wide as the window, as high as its field.
  void PrepareSimpleCache();
  int ComboStyle() const { return int(GetWindowLongA(Wnd, GWL_STYLE) & 3); }

  HWND ListWnd = nullptr;
  std::unique_ptr<TacComboListWnd> ListAdapter;

 private:
  void FreeList();
  LRESULT ListColours(HDC dc);
  HBRUSH listBrush_ = nullptr;
  vcl::TColor listBrushColour_ = 0;
};

// The text of a combo box's item, asked for by length first; empty for an invalid index.
std::string ComboItemText(HWND combo, int index);

}  // namespace skin
