// TacMainWnd: the window adapter that gives one existing window (a control's window, or a bare
// window of a standard dialog) the look of the current skin without changing its class. It
// subclasses the window, keeps a skin link for it, answers SM_ALPHACMD, paints from the link's
// cache and gives the window back untouched when it is detached. Every adapter derives from it.
//
// The link's names: "background changed" is TsCommonData::CacheStale, "hot" MouseOver,
// "focused" HasFocus, "updating" UpdatePending, the owner control LinkedControl.
#pragma once

#include <cstdint>
#include <string>

#include "skin/engine/common_data.h"
#include "skin/engine/skin_manager.h"
#include "vcl/controls/window_subclass.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/messages.h"
#include "vcl/controls/window_proc_chain.h"
#include "vcl/runtime/win.h"

namespace skin {

// True while the dialog class map creates the adapters of a dialog's children.
extern bool CreatingDialogChildren;
// The window style of the dialog being skinned (check boxes read it before they paint).
extern uint32_t CheckStyle;

// The window property that links a window to its adapter.
constexpr const char* AdapterProperty = "ACSBSC";

class TacMainWnd : protected vcl::TWindowSubclass {
 public:
  // The first half of construction; MakeAdapter (below) runs the second, which needs the most
  // derived class.
  TacMainWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  // Gives the window back unless that was done (or the window is gone); frees an own link.
  ~TacMainWnd() override;
  TacMainWnd(const TacMainWnd&) = delete;
  TacMainWnd& operator=(const TacMainWnd&) = delete;

  // Saves the state to restore, subclasses the window, refreshes its frame when asked.
  void Start(bool frameRefresh);

  virtual void SaveInitialState() {}
  virtual void RestoreInitialState() {}
  virtual void ApplySkinParams() { ParamsApplied = true; }
  // The adapter's message procedure; what it does not handle it passes on (CallPrevWndProc).
  virtual void WndProc(vcl::TMessage& message);

  // Passes a message to the procedure the adapter replaced; lParam comes back changed.
  LRESULT CallPrevWndProc(UINT msg, WPARAM wParam, LPARAM& lParam);
  void PassOn(vcl::TMessage& message) { message.Result = CallPrevWndProc(message.Msg, message.WParam, message.LParam); }

  // Gives the window back (procedure, theme, property, initial state); refreshes the frame of a
  // visible window when asked. Later calls do nothing.
  void Detach(bool refreshFrame, bool frameChanged);

  HWND Wnd = nullptr;
  bool DialogMode = false;
  std::string CachedText;
  RECT WindowBox{};
  int32_t WindowWidth = 0, WindowHeight = 0;
  POINT PosInParent{};
  RECT ParentBox{};
  HWND ParentWindow = nullptr;
  TsSkinManager* Manager = nullptr;
  TsCommonData* SkinLink = nullptr;
  bool Notifying = false;
  bool ParamsApplied = false;
  vcl::TColor SavedColor = 0;
  vcl::TColor SavedFontColor = 0;
  bool Detached = false;
  bool OwnsSkinLink = false;

  // The owner control of the link (null for a bare window).
  vcl::TControl* OwnerControl() const { return SkinLink ? SkinLink->LinkedControl : nullptr; }
  // Fills WindowBox, WindowWidth/Height, PosInParent, ParentBox and ParentWindow.
  void ReadGeometry();
  // Copies the border strips (strip pixels wide) of a width x height window from the link's
  // cache into given, or into the window's own DC when given is null.
  void CopyBorderFromCache(HDC given, int width, int height, int strip);
  // A manager exists and its skin is active.
  bool SkinActive() const;
  // The adapters that exist now (made and not yet freed), for leak checks.
  static int LiveCount();
  // A message of the window is being handled by this adapter now (it must not be freed).
  bool InDispatch() const { return frame_ != nullptr || Dispatching(); }

 protected:
  // Links the adapter into the window's message path (AttachWndAdapter).
  void AttachWndAdapter();
  // The messages of a bare window (one without a control).
  LRESULT SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  struct Frame;
  void DispatchControlMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void Unsubclass();

  vcl::TWindowProcLink controlLink_;
  bool subclassedBare_ = false;
  Frame* frame_ = nullptr;
};

// Constructs an adapter and starts it.
template <class T, class... Args>
T* MakeAdapter(bool frameRefresh, Args&&... args) {
  T* adapter = new T(std::forward<Args>(args)...);
  adapter->Start(frameRefresh);
  return adapter;
}

// The adapter of a window, null when it has none.
TacMainWnd* GetWndAdapter(HWND wnd);
// Detaches the adapter (see TacMainWnd::Detach); with freeIt it is also freed and set to null.
void RemoveAdapter(HWND wnd, bool freeIt, bool frameChanged, TacMainWnd*& adapter);
// true: SetWindowPos with SWP_FRAMECHANGED (the frame is laid out again); false: WM_NCPAINT.
void RefreshFrame(HWND wnd, bool frameChanged);
std::string GetWindowTextAnsi(HWND wnd);
void ReadWndGeometry(HWND wnd, HWND& parentWindow, RECT& windowBox, POINT& posInParent, int32_t& width,
                     int32_t& height, RECT& parentBox);
// SM_ALPHACMD to the children: through the control tree when there is a control, else to the
// child windows.
void PassAlphaCmdToChildren(vcl::TControl* control, HWND wnd, vcl::TMessage& message);
// Asks the top-level ancestor to adapt its new children (command 25, lParam 0).
LRESULT RequestTopLevelAdapt(HWND wnd);
// The link's border mask has more than one state frame.
bool HasMultiStateBorder(TsCommonData* link);
// The windowed control among root's owned components (depth first) whose window is wnd.
vcl::TWinControl* FindWinControlByHandle(HWND wnd, vcl::TComponent* root);
// BeginPaint and EndPaint with nothing drawn between: the window's WM_ERASEBKGND (where most
// adapters paint from their cache) gets the update region, the whole window with wholeWindow,
// and the region ends validated.
void EmptyPaintCycle(HWND wnd, bool wholeWindow = false);
// Sizes the link's cache to the window as a 24-bit DIB.
void SizeCacheToWindow(TsCommonData* link, HWND wnd);
// Fills the link's cache for a window (answer to command 23): the section over the parent's
// background, the disabled look of a disabled owner control.
void PaintWndCache(TsCommonData* link, HWND wnd, bool flatBorder);
// Lets the parent's background through the key-coloured corners of the border mask.
void PaintAdapterCorners(TsCommonData* link, int32_t state, TacMainWnd* adapter);

}  // namespace skin
