// Adapters of the platform's passive windows: static texts (TacStaticWnd), static icons and
// pictures (TacIconWnd), dialogs nested in dialogs and folder-browse panes (TacTransPanelWnd)
// and the size grips of dialogs (TacSizerWnd).
#pragma once

#include "skin/forms/adapters/main_wnd.h"

namespace skin {

class TacStaticWnd : public TacMainWnd {
 public:
  TacStaticWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Paint(HDC given);
  virtual void PaintText();
  // WM_PAINT or WM_ERASEBKGND, painted from the skin.
  void HandlePaintMessage(vcl::TMessage& m);
};

// The icon or bitmap the static shows, drawn instead of its text. The static keeps its image.
class TacIconWnd : public TacStaticWnd {
 public:
  TacIconWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  bool IsBitmap = false;

 protected:
  void PaintText() override;
};

// Link windows: their text in the system message font, underlined, without the link tags.
class TacLinkWnd : public TacStaticWnd {
 public:
  using TacStaticWnd::TacStaticWnd;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void PaintText() override;
};

class TacTransPanelWnd : public TacMainWnd {
 public:
  using TacMainWnd::TacMainWnd;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void PaintWindow();
};

class TacSizerWnd : public TacMainWnd {
 public:
  using TacMainWnd::TacMainWnd;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Paint();
};

}  // namespace skin
