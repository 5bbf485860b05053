// Background requests between a control and its parent: answered, unanswered with a colour,
// unanswered with the parent painted into the asker's DC, and the conversion into a
// background info.
#include <gtest/gtest.h>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_painting.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

// A plain window that answers background requests from a bitmap when `answer` is set, and
// otherwise paints blue with a white pixel at (2, 3) into the DC its paint messages carry.
vcl::TBitmap* answer = nullptr;
std::vector<UINT> paintMessages;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SM_ALPHACMD && HIWORD(wParam) == cmdGetBackground && answer) {
    auto* request = reinterpret_cast<TsBackgroundRequest*>(lParam);
    request->Kind = bkBitmap;
    request->Bitmap = answer;
    request->OffsetX = request->OffsetY = 0;
    return 0;
  }
  if ((msg == WM_ERASEBKGND || msg == WM_PAINT) && wParam) {
    paintMessages.push_back(msg);
    HDC dc = HDC(wParam);
    if (msg == WM_ERASEBKGND) {
      RECT all{-100, -100, 200, 200};
      PaintSolidRect(dc, all, 0xFF0000);
    } else {
      SetPixel(dc, 2, 3, RGB(255, 255, 255));
    }
    return 1;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeParentWindow() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = "SkinBgParent";
    wc.hInstance = GetModuleHandleA(nullptr);
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "SkinBgParent", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

// A black 24-bit bitmap whose DC is ready.
std::unique_ptr<vcl::TBitmap> BackgroundBlackBitmap(int w, int h) {
  auto b = CreateBmp24(w, h);
  PaintSolidRect(b->Canvas()->Handle(), {0, 0, w, h}, 0);
  GdiFlush();
  return b;
}

uint32_t BackgroundPixel(vcl::TBitmap* b, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * 3;
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

TEST(BackgroundRequest, AnAnsweringParentGivesItsImageAtItsOrigin) {
  HWND parent = MakeParentWindow();
  auto image = CreateBmp24(20, 20);
  answer = image.get();
  TsBackgroundRequest request;
  EXPECT_TRUE(RequestWndBackground(request, parent, false));
  answer = nullptr;
  TsBackgroundInfo info;
  BgRequestToBgInfo(request, info);
  EXPECT_TRUE(info.Ready);
  EXPECT_EQ(info.Bitmap, image.get());
  EXPECT_EQ(info.X, 0);
  EXPECT_EQ(info.Y, 0);
  EXPECT_EQ(info.FillColor, SkinKeyColor);
  DestroyWindow(parent);
}

TEST(BackgroundRequest, UnansweredQuestionsFallBackToAColour) {
  ASSERT_EQ(DefaultManager, nullptr);
  HWND parent = MakeParentWindow();
  TsBackgroundRequest request;
  request.Bitmap = reinterpret_cast<vcl::TBitmap*>(1);  // stale on entry: not used
  EXPECT_FALSE(RequestWndBackground(request, parent, false));
  EXPECT_EQ(request.Kind, bkColor);
  EXPECT_EQ(uint32_t(request.Color), 0x8000000Fu);
  TsBackgroundInfo info;
  BgRequestToBgInfo(request, info);
  EXPECT_FALSE(info.Ready);
  EXPECT_EQ(info.Bitmap, nullptr);
  EXPECT_EQ(uint32_t(info.FillColor), uint32_t(GetSysColor(COLOR_BTNFACE)));
  DestroyWindow(parent);
  EXPECT_TRUE(paintMessages.empty());

  // An unskinned control, with and without a window, gives its own colour.
  HWND host = MakeParentWindow();
  vcl::TPanel panel(nullptr);
  panel.SetColor(vcl::clRed);
  for (bool withHandle : {false, true}) {
    if (withHandle) {
      panel.SetParentWindow(host);
      panel.HandleNeeded();
    }
    TsBackgroundRequest r;
    EXPECT_FALSE(RequestCtrlBackground(r, &panel, false));
    EXPECT_EQ(r.Kind, bkColor);
    EXPECT_EQ(r.Color, 0x0000FF);
  }
  panel.SetParentWindow(nullptr);
  DestroyWindow(host);
}

TEST(BackgroundRequest, AColourAnswerIsPaintedWheneverTheAskerWantsIt) {
  vcl::TPanel panel(nullptr);
  panel.SetColor(vcl::TColor(0x00FF00));
  auto target = BackgroundBlackBitmap(6, 6);
  TsBackgroundRequest request;  // Bitmap stays null: painting must not depend on it
  request.DC = target->Canvas()->Handle();
  request.Rect = {1, 1, 4, 4};
  EXPECT_FALSE(RequestCtrlBackground(request, &panel, true));
  GdiFlush();
  EXPECT_EQ(BackgroundPixel(target.get(), 1, 1), 0x00FF00u);
  EXPECT_EQ(BackgroundPixel(target.get(), 3, 3), 0x00FF00u);
  EXPECT_EQ(BackgroundPixel(target.get(), 4, 4), 0u);
  EXPECT_EQ(BackgroundPixel(target.get(), 0, 0), 0u);
}

TEST(BackgroundRequest, AnUnansweringParentPaintsItselfIntoTheAskersDC) {
  HWND parent = MakeParentWindow();
  auto target = BackgroundBlackBitmap(10, 10);
  TsBackgroundRequest request;
  request.DrawIntoDC = true;
  request.DC = target->Canvas()->Handle();
  request.OffsetX = 1;
  request.OffsetY = 2;
  request.Rect = {0, 0, 5, 5};
  paintMessages.clear();
  EXPECT_FALSE(RequestWndBackground(request, parent, false));
  GdiFlush();
  EXPECT_EQ(request.Kind, bkNone);
  EXPECT_EQ(paintMessages, (std::vector<UINT>{WM_ERASEBKGND, WM_PAINT}));
  EXPECT_EQ(request.Rect.left, 1);
  EXPECT_EQ(request.Rect.top, 2);
  EXPECT_EQ(request.Rect.right, 6);
  EXPECT_EQ(request.Rect.bottom, 7);
  // The parent's (2, 3) is the asker's (1, 1); nothing lands outside the asker's rectangle.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      uint32_t expected = x < 5 && y < 5 ? (x == 1 && y == 1 ? 0xFFFFFFu : 0xFF0000u) : 0u;
      ASSERT_EQ(BackgroundPixel(target.get(), x, y), expected) << x << "," << y;
    }
  // The DC's origin is restored.
  POINT origin{};
  GetViewportOrgEx(request.DC, &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  DestroyWindow(parent);
  paintMessages.clear();
}

}  // namespace
