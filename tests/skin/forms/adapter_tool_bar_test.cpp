// A dialog tool bar under its adapter: image 0 is a real image and is drawn, "no image" indexes
// draw nothing, and the bar's image list is left as it was.
#include <gtest/gtest.h>

#include <memory>

#include "skin/forms/adapters/tool_bar_adapter.h"
#include "tests/skin/forms/adapter_skin_fixture.h"

using namespace skin;

namespace {

constexpr COLORREF kImageColour = RGB(250, 10, 10);

int CountColour(HWND wnd, COLORREF colour) {
  RECT r{};
  GetWindowRect(wnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageA(wnd, WM_PRINT, WPARAM(dc), PRF_CLIENT | PRF_NONCLIENT);
  int count = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) count += GetPixel(dc, x, y) == colour ? 1 : 0;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return count;
}

TEST(ToolBarAdapter, DrawsImageZeroAndLeavesTheImageListAlone) {
  auto manager = adapter_test::LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE, 0, 0, 300,
                             40, host, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(bar, nullptr);
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
  HDC screen = GetDC(nullptr);
  HBITMAP red = CreateCompatibleBitmap(screen, 16, 16);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, red);
  HBRUSH brush = CreateSolidBrush(kImageColour);
  RECT all{0, 0, 16, 16};
  FillRect(dc, &all, brush);
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ImageList_Add(images, red, nullptr);
  DeleteObject(red);
  ImageList_SetBkColor(images, RGB(1, 2, 3));
  SendMessageA(bar, TB_SETIMAGELIST, 0, LPARAM(images));

  TBBUTTON buttons[3] = {};
  buttons[0] = TBBUTTON{0, 1, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
  buttons[1] = TBBUTTON{0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
  buttons[2] = TBBUTTON{I_IMAGENONE, 2, 0, BTNS_BUTTON, {}, 0, 0};
  SendMessageA(bar, TB_ADDBUTTONSA, 3, LPARAM(buttons));

  TacMainWnd* adapter = MakeAdapter<TacToolBarWnd>(true, bar, std::string("CHECKBOX"), manager.get(), nullptr);
  EXPECT_GT(CountColour(bar, kImageColour), 100) << "image 0 is drawn";
  EXPECT_EQ(ImageList_GetBkColor(images), RGB(1, 2, 3));
  RemoveAdapter(bar, true, false, adapter);
  DestroyWindow(host);
  ImageList_Destroy(images);
}

}  // namespace
