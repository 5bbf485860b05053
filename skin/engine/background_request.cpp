#include "skin/engine/bitmap_ops.h"
#include "skin/engine/window_messages.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_painting.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {


// The parent paints itself into the asker's DC: its origin moved so that the asker's place in
// it lands on Rect, and clipped to Rect.
template <class Send>
void PaintParentIntoDC(TsBackgroundRequest& request, Send send) {
  HDC dc = request.DC;
  int saved = SaveDC(dc);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x - request.OffsetX, origin.y - request.OffsetY, nullptr);
  OffsetRect(&request.Rect, request.OffsetX, request.OffsetY);
  IntersectClipRect(dc, request.Rect.left, request.Rect.top, request.Rect.right, request.Rect.bottom);
  send(WM_ERASEBKGND, WPARAM(dc));
  send(WM_PAINT, WPARAM(dc));
  RestoreDC(dc, saved);
}

}  // namespace

bool RequestWndBackground(TsBackgroundRequest& request, HWND window, bool draw) {
  const bool wanted = request.DrawIntoDC;
  request.Kind = bkNone;
  request.DrawIntoDC = draw;
  SendMessageA(window, SM_ALPHACMD, AlphaCmdParam(cmdGetBackground), LPARAM(&request));
  if (request.Kind != bkNone) return true;
  if (wanted && request.DC) {
    PaintParentIntoDC(request, [window](UINT msg, WPARAM wParam) { SendMessageA(window, msg, wParam, 0); });
    return false;
  }
  request.Color = DefaultManager ? DefaultManager->GetGlobalColor() : vcl::clBtnFace;
  request.Kind = bkColor;
  return false;
}

bool RequestCtrlBackground(TsBackgroundRequest& request, vcl::TControl* control, bool draw) {
  const bool wanted = request.DrawIntoDC;
  request.Kind = bkNone;
  request.DrawIntoDC = draw;
  if (!control) {
    request.Kind = bkColor;
    request.Color = DefaultManager ? DefaultManager->GetGlobalColor() : vcl::clBtnFace;
    return false;
  }
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  if (win && win->HandleAllocated())
    SendMessageA(win->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdGetBackground), LPARAM(&request));
  else
    control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdGetBackground), LPARAM(&request));
  if (request.Kind != bkNone) return true;
  if (wanted && request.DC) {
    PaintParentIntoDC(request, [control](UINT msg, WPARAM wParam) { control->Perform(msg, wParam, 0); });
    return false;
  }
  request.Kind = bkColor;
  LRESULT colour = control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdGetBgColor), 0);
  request.Color = colour != 0 ? int32_t(colour) : vcl::ColorToRGB(control->Color());
  // Whether to paint depends on the asker's wish alone, never on what Bitmap held on entry.
  if (request.DrawIntoDC && request.DC) PaintSolidRect(request.DC, request.Rect, request.Color);
  return false;
}

void BgRequestToBgInfo(const TsBackgroundRequest& request, TsBackgroundInfo& info) {
  info.X = request.OffsetX;
  info.Y = request.OffsetY;
  if (request.Kind == bkBitmap) {
    info.Bitmap = request.Bitmap;
    info.FillColor = SkinKeyColor;
    info.Ready = true;
  } else {
    info.Bitmap = nullptr;
    info.FillColor = vcl::ColorToRGB(request.Color);
    info.Ready = false;
  }
}

}  // namespace skin
