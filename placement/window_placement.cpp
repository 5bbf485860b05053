#include "placement/window_placement.h"

#include <algorithm>
#include <cstdint>

#include "placement/ini_storage.h"
#include "placement/placement_text.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"

using namespace vcl;

namespace placement {

namespace {

// The placement flags the platform knows; other bits read from a file are dropped.
constexpr UINT kKnownPlacementFlags = WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED | 0x0004;  // and WPF_ASYNCWINDOWPLACEMENT

const TCharSet& PositionDelimiters() {
  static const TCharSet set = MakeCharSet(" ,");
  return set;
}

int WordAsInt(const std::string& text, int word, int defaultValue) {
  return StrToIntDef(ExtractWordAt(word, text, PositionDelimiters()), defaultValue);
}

int ScreenPixelsPerInch() { return Screen != nullptr ? Screen->PixelsPerInch() : 96; }

bool IsMainFormOrNone(TCustomForm* form) {
  return Application == nullptr || Application->MainForm() == nullptr || Application->MainForm() == form;
}

WINDOWPLACEMENT GetPlacement(HWND wnd) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(wnd, &placement);
  return placement;
}

TWindowState DefaultWindowState(TCustomForm* form) {
  if (IsMainFormOrNone(form) && (form->FormStyle() == fsMDIForm ||
                                 (form->FormStyle() == fsNormal && form->Position() == poDefault)))
    return wsMaximized;
  return wsNormal;
}

TWindowState ShowCommandToState(int showCmd, TWindowState defaultState) {
  switch (showCmd) {
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_RESTORE:
      return wsNormal;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      return wsMinimized;
    case SW_SHOWMAXIMIZED:
      return wsMaximized;
    default:
      return defaultState;
  }
}

// Reads the stored position into the placement; true when the file held one worth applying.
bool ReadPosition(TCustomForm* form, TObject* storage, const std::string& section, WINDOWPLACEMENT& placement) {
  bool found = false;
  placement.flags = static_cast<UINT>(IniReadInteger(storage, section, "Flags", static_cast<int32_t>(placement.flags))) &
                    kKnownPlacementFlags;
  std::string minMax = IniReadScreenString(storage, section, "MinMaxPos");
  if (!minMax.empty()) {
    placement.ptMinPosition.x = WordAsInt(minMax, 1, 0);
    placement.ptMinPosition.y = WordAsInt(minMax, 2, 0);
    placement.ptMaxPosition.x = WordAsInt(minMax, 3, 0);
    placement.ptMaxPosition.y = WordAsInt(minMax, 4, 0);
    found = true;
  }
  std::string normal = IniReadScreenString(storage, section, "NormPos");
  if (!normal.empty()) {
    placement.rcNormalPosition.left = WordAsInt(normal, 1, form->Left());
    placement.rcNormalPosition.top = WordAsInt(normal, 2, form->Top());
    placement.rcNormalPosition.right = WordAsInt(normal, 3, form->Left() + form->Width());
    placement.rcNormalPosition.bottom = WordAsInt(normal, 4, form->Top() + form->Height());
    found = true;
  }
  // A change of the screen's text size makes the stored positions meaningless.
  int pixelsPerInch = IniReadInteger(storage, section, "PixelsPerInch", ScreenPixelsPerInch());
  return found && pixelsPerInch == ScreenPixelsPerInch();
}

void ApplyPosition(TCustomForm* form, WINDOWPLACEMENT& placement) {
  RECT& normal = placement.rcNormalPosition;
  // A form that cannot be sized keeps its size; only its corner is restored.
  if (form->BorderStyle() != bsSizeable && form->BorderStyle() != bsSizeToolWin) {
    normal.right = normal.left + form->Width();
    normal.bottom = normal.top + form->Height();
  }
  // A rectangle without width or height (a damaged file) is no position.
  if (int64_t(normal.right) <= int64_t(normal.left) || int64_t(normal.bottom) <= int64_t(normal.top)) return;

  // The platform keeps the normal rectangle in screen coordinates.
  normal = FitOntoDesktop(normal);

  // A centred form would be centred again when shown: it keeps the restored position instead.
  if ((form->Position() == poScreenCenter || form->Position() == poDesktopCenter) &&
      !form->ComponentState().Contains(csDesigning))
    form->SetPosition(poDesigned);
  SetWindowPlacement(form->Handle(), &placement);
}

// Returns false when the form's state is left to a posted minimize command.
bool ApplyState(TCustomForm* form, TObject* storage, const std::string& section) {
  TWindowState state = ShowCommandToState(IniReadInteger(storage, section, "ShowCmd", 0), DefaultWindowState(form));
  if (state == wsMinimized && IsMainFormOrNone(form)) {
    // The program as a whole starts minimized; the form itself stays normal.
    form->SetWindowState(wsNormal);
    if (Application != nullptr) PostMessageA(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return false;
  }
  form->SetWindowState(state);
  return true;
}

}  // namespace

RECT FitOntoDesktop(const RECT& rect) {
  RECT desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  desktop.right = desktop.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  desktop.bottom = desktop.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  bool insideDesktop = rect.left >= desktop.left && rect.top >= desktop.top && rect.right <= desktop.right &&
                       rect.bottom <= desktop.bottom;
  if (insideDesktop && MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr) return rect;

  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
  if (monitor == nullptr || !GetMonitorInfoA(monitor, &info)) return rect;
  const RECT& work = info.rcWork;
  int64_t width = std::min<int64_t>(int64_t(rect.right) - rect.left, int64_t(work.right) - work.left);
  int64_t height = std::min<int64_t>(int64_t(rect.bottom) - rect.top, int64_t(work.bottom) - work.top);
  int64_t left = std::clamp<int64_t>(rect.left, work.left, work.right - width);
  int64_t top = std::clamp<int64_t>(rect.top, work.top, work.bottom - height);
  RECT fitted{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
              static_cast<LONG>(top + height)};
  return fitted;
}

void SaveWindowPlacement(TCustomForm* form, TObject* storage, const std::string& section) {
  if (form == nullptr || !form->HandleAllocated()) return;
  WINDOWPLACEMENT placement = GetPlacement(form->WindowHandle());
  if (Application != nullptr && form == Application->MainForm() && Application->HandleAllocated() &&
      IsIconic(Application->Handle()))
    placement.showCmd = SW_SHOWMINIMIZED;
  if (form->FormStyle() == fsMDIChild && form->WindowState() == wsMinimized) placement.flags |= WPF_SETMINPOSITION;
  IniWriteInteger(storage, section, "Flags", static_cast<int32_t>(placement.flags));
  IniWriteInteger(storage, section, "ShowCmd", static_cast<int32_t>(placement.showCmd));
  IniWriteInteger(storage, section, "PixelsPerInch", ScreenPixelsPerInch());
  IniWriteScreenString(storage, section, "MinMaxPos",
                       Format("%d,%d,%d,%d", placement.ptMinPosition.x, placement.ptMinPosition.y,
                              placement.ptMaxPosition.x, placement.ptMaxPosition.y));
  IniWriteScreenString(storage, section, "NormPos",
                       Format("%d,%d,%d,%d", placement.rcNormalPosition.left, placement.rcNormalPosition.top,
                              placement.rcNormalPosition.right, placement.rcNormalPosition.bottom));
}

void LoadWindowPlacement(TCustomForm* form, TObject* storage, const std::string& section, bool loadState,
                         bool loadPosition) {
  if (form == nullptr || (!loadState && !loadPosition)) return;
  HWND wnd = form->Handle();
  WINDOWPLACEMENT placement = GetPlacement(wnd);
  // Applying the placement must not show a hidden form.
  if (!IsWindowVisible(wnd)) placement.showCmd = SW_HIDE;
  if (loadPosition && ReadPosition(form, storage, section, placement)) ApplyPosition(form, placement);
  if (loadState && !ApplyState(form, storage, section)) return;
  form->Update();
}

}  // namespace placement
