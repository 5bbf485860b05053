// Adapters of the platform's buttons: push buttons (TacBtnWnd), glyph buttons (TacBitBtnWnd), check boxes and radio buttons
// (TacCheckBoxWnd) and group boxes (TacGroupBoxWnd). Each composes the whole control in its
// skin link's cache and copies the cache to the window; the button's own painting is held back
// by swallowing WM_ERASEBKGND and WM_NCPAINT and by painting on WM_PAINT itself.
#pragma once

#include "skin/forms/adapters/main_wnd.h"

namespace skin {

class TacBtnWnd : public TacMainWnd {
 public:
  TacBtnWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Paint(HDC given);
  virtual void PrepareCache();
  // 0 normal, 1 hot (focused, under the mouse, or the default button), 2 pressed.
  int CurrentState();
  void PaintCaption(int state);
  // The caption's place; the glyph's size, place and drawing (push buttons have none).
  virtual RECT CaptionRect(HDC dc, int state);
  virtual SIZE GlyphSize() { return SIZE{0, 0}; }
  virtual void DrawGlyph(int state) { (void)state; }
  virtual int MaxCaptionWidth();
  SIZE TextSize(HDC dc);
  // Repaints with the window's own redraw held off around the platform's handling.
  void PassQuietly(vcl::TMessage& message);
  void Repaint();
};

// Buttons with a glyph: a bit button's glyph strip laid out with its caption, or the bitmap a
// plain button window shows.
class TacBitBtnWnd : public TacBtnWnd {
 public:
  using TacBtnWnd::TacBtnWnd;
  RECT GlyphRect(HDC dc, int state);

 protected:
  RECT CaptionRect(HDC dc, int state) override;
  SIZE GlyphSize() override;
  void DrawGlyph(int state) override;
  int MaxCaptionWidth() override;
};

class TacCheckBoxWnd : public TacMainWnd {
 public:
  TacCheckBoxWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;
  // The GLOBALINFO mask of the check glyph for the button state (0 unchecked, 1 checked,
  // 2 indeterminate); radio masks for radio buttons.
  int GlyphMask(int checkState) const;

 protected:
  void Paint(HDC given);
  void PrepareCache();
};

class TacGroupBoxWnd : public TacMainWnd {
 public:
  TacGroupBoxWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;
  int32_t CaptionHeight();

 protected:
  void Paint(HDC given);
  void PrepareCache();
  RECT CaptionBox(HDC dc);
};

// The font a window's caption is drawn in: the owner control's, else the window's own (borrowed:
// it stays the window's), else the default GUI font.
void SelectWindowFont(vcl::TCanvas* canvas, HWND wnd, vcl::TControl* owner);

}  // namespace skin
