// The screen object: what the program knows about the display and its own forms — the forms
// in activation order, the active form and control, the cursors by number, the screen's size,
// work area and resolution, and the system fonts.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/classes/stringlist.h"

namespace vcl {

class TCustomForm;
class TForm;

class TScreen : public TComponent {
  VCL_CLASS(TScreen, TComponent)
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  // ---- the program's forms, the most recently active first
  // The forms of class TForm (and classes derived from it).
  int FormCount() const;
  TForm* Forms(int index) const;
  int CustomFormCount() const { return static_cast<int>(customForms_.size()); }
  TCustomForm* CustomForms(int index) const;
  TForm* ActiveForm() const;
  TCustomForm* ActiveCustomForm() const { return activeCustomForm_; }
  TWinControl* ActiveControl() const { return activeControl_; }
  // The form that has (or last had) the keyboard focus.
  TCustomForm* FocusedForm() const { return focusedForm_; }
  // Forgets a windowed control that is being destroyed: the active control stays recorded
  // after the focus left the program's forms, and must not outlive the control.
  void ControlDestroyed(TWinControl* control);

  // ---- cursors
  // The cursor shown over every control while it is not crDefault; setting it changes the
  // cursor at once.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  // The cursor of a number: the built-in cursors (crArrow ... crHandPoint) and those the
  // program registered; an unknown number gives the arrow.
  HCURSOR Cursors(int index) const;
  // Registers (or replaces) a cursor under a number; the screen destroys it later. 0 removes
  // a registered cursor.
  void SetCursors(int index, HCURSOR cursor);

  // ---- the display
  int Width() const;
  int Height() const;
  int PixelsPerInch() const;
  // All monitors together, and the primary monitor's area not taken by task bars.
  TRect DesktopRect() const;
  int DesktopLeft() const { return DesktopRect().left; }
  int DesktopTop() const { return DesktopRect().top; }
  int DesktopWidth() const { TRect r = DesktopRect(); return r.right - r.left; }
  int DesktopHeight() const { TRect r = DesktopRect(); return r.bottom - r.top; }
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().left; }
  int WorkAreaTop() const { return WorkAreaRect().top; }
  int WorkAreaWidth() const { TRect r = WorkAreaRect(); return r.right - r.left; }
  int WorkAreaHeight() const { TRect r = WorkAreaRect(); return r.bottom - r.top; }
  // The work area of the monitor that shows most of the window.
  TRect MonitorWorkAreaRect(HWND wnd) const;

  // ---- fonts
  // The names of the installed font families, sorted.
  TStrings* Fonts();
  TFont* HintFont();
  TFont* MenuFont();
  TFont* IconFont();
  // Reads the system's hint, menu and icon fonts again (after a settings change).
  void ResetFonts();

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

 private:
  friend class TCustomForm;
  friend class TApplication;

  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  // Moves the form to the front of the lists and records it (and the control) as active.
  void SetActive(TCustomForm* form, TWinControl* control);
  void LoadBuiltinCursors();

  std::vector<TCustomForm*> customForms_;
  TCustomForm* activeCustomForm_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  TCustomForm* focusedForm_ = nullptr;
  // Forms that had the focus before a modal form took it, most recent first.
  std::vector<TCustomForm*> saveFocusedList_;
  TCursor cursor_ = crDefault;
  std::map<int, HCURSOR> cursors_;
  std::map<int, HCURSOR> ownedCursors_;  // registered by the program, destroyed here
  std::unique_ptr<TStringList> fonts_;
  std::unique_ptr<TFont> hintFont_;
  std::unique_ptr<TFont> menuFont_;
  std::unique_ptr<TFont> iconFont_;
  int pixelsPerInch_;
};

// The program's screen object, made at start-up.
extern TScreen* Screen;

}  // namespace vcl
