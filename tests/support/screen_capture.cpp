#include "tests/support/screen_capture.h"

#include "tests/support/file_helpers.h"
#include "tests/support/pixel_surface.h"
#include "tests/support/xwd_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace screen_test {

namespace {
// Copies layered windows too; not every header set defines it.
constexpr DWORD kCaptureLayered = 0x40000000;
}  // namespace

bool OnScreen() {
  const char* flag = std::getenv("MERGEON_X11_SCREEN");
  return flag && *flag == '1';
}

uint32_t Capture::At(int screenX, int screenY) const {
  const int x = screenX - left, y = screenY - top;
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[size_t(y) * size_t(width) + size_t(x)];
}

namespace {
RECT Clip(const Capture& c, RECT r) {
  r.left = std::max<LONG>(r.left, c.left);
  r.top = std::max<LONG>(r.top, c.top);
  r.right = std::min<LONG>(r.right, c.left + c.width);
  r.bottom = std::min<LONG>(r.bottom, c.top + c.height);
  return r;
}
}  // namespace

double Capture::ShareOf(uint32_t rgb, RECT area) const {
  area = Clip(*this, area);
  long total = 0, same = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      ++total;
      same += At(x, y) == rgb ? 1 : 0;
    }
  return total ? double(same) / double(total) : 0.0;
}

int Capture::ColourCount(RECT area) const {
  area = Clip(*this, area);
  std::set<uint32_t> colours;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) colours.insert(At(x, y));
  return int(colours.size());
}

Capture CaptureScreen(const RECT& area) {
  Capture capture;
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return capture;
  HDC screen = GetDC(nullptr);
  if (!screen) return capture;
  TPixelSurface surface(width, height);
  if (surface.Valid()) {
    // Only the part on the screen is read (the display refuses a read that passes its edge);
    // the rest stays black. Layered windows (extended borders, glows) are part of what the
    // user sees.
    const int sx = GetSystemMetrics(SM_XVIRTUALSCREEN), sy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT on{std::max<LONG>(area.left, sx), std::max<LONG>(area.top, sy),
            std::min<LONG>(area.right, sx + GetSystemMetrics(SM_CXVIRTUALSCREEN)),
            std::min<LONG>(area.bottom, sy + GetSystemMetrics(SM_CYVIRTUALSCREEN))};
    PatBlt(surface.DC(), 0, 0, width, height, BLACKNESS);
    if (on.right > on.left && on.bottom > on.top &&
        BitBlt(surface.DC(), on.left - area.left, on.top - area.top, on.right - on.left, on.bottom - on.top, screen,
               on.left, on.top, SRCCOPY | kCaptureLayered)) {
      capture.left = area.left;
      capture.top = area.top;
      capture.width = width;
      capture.height = height;
      capture.pixels = surface.RgbPixels();
    }
  }
  ReleaseDC(nullptr, screen);
  return capture;
}

Capture CaptureWindow(HWND wnd) {
  RECT r{};
  if (!wnd || !GetWindowRect(wnd, &r)) return Capture{};
  return CaptureScreen(r);
}

Capture CaptureDisplay(const RECT& area) {
  Capture capture;
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return capture;
  const std::string folder = test_files::MakeTempDir(), file = folder + "/root.xwd";
  const bool read = test_files::RunShell("xwd -root -silent -out '" + file + "'") == 0;
  XwdPicture root;
  const bool parsed = read && ReadXwdPicture(test_files::ReadFileBytes(file), root);
  std::remove(file.c_str());
  if (!parsed) return capture;
  // The root's origin is the platform's virtual screen origin; what lies off the root stays black.
  const int originX = GetSystemMetrics(SM_XVIRTUALSCREEN), originY = GetSystemMetrics(SM_YVIRTUALSCREEN);
  capture.left = area.left;
  capture.top = area.top;
  capture.width = width;
  capture.height = height;
  capture.pixels.assign(size_t(width) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    const int rootY = area.top + y - originY;
    if (rootY < 0 || rootY >= root.height) continue;
    for (int x = 0; x < width; ++x) {
      const int rootX = area.left + x - originX;
      if (rootX < 0 || rootX >= root.width) continue;
      capture.pixels[size_t(y) * size_t(width) + size_t(x)] =
          root.pixels[size_t(rootY) * size_t(root.width) + size_t(rootX)];
    }
  }
  return capture;
}

Capture CaptureDisplayWindow(HWND wnd) {
  RECT r{};
  if (!wnd || !GetWindowRect(wnd, &r)) return Capture{};
  return CaptureDisplay(r);
}

std::string SaveCapture(const Capture& capture, const std::string& name) {
  const char* folder = std::getenv("MERGEON_SCREEN_SHOTS");
  if (!folder || !*folder || capture.Empty()) return "";
  // The C library here is the host's: it takes the Unix path; the folder is made through the
  // platform, which takes the same folder on its root drive.
  std::string windowsFolder = folder;
  if (windowsFolder[0] == '/') windowsFolder = "Z:" + windowsFolder;
  for (char& c : windowsFolder)
    if (c == '/') c = '\\';
  CreateDirectoryA(windowsFolder.c_str(), nullptr);
  const std::string path = std::string(folder) + "/" + name + ".bmp";
  const int rowBytes = (capture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = capture.width;
  header.biHeight = -capture.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(rowBytes) * DWORD(capture.height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + header.biSizeImage;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return "";
  std::fwrite(&file, sizeof(file), 1, out);
  std::fwrite(&header, sizeof(header), 1, out);
  std::vector<uint8_t> row(size_t(rowBytes), 0);
  for (int y = 0; y < capture.height; ++y) {
    for (int x = 0; x < capture.width; ++x) {
      const uint32_t p = capture.pixels[size_t(y) * size_t(capture.width) + size_t(x)];
      row[size_t(x) * 3] = uint8_t(p);
      row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
      row[size_t(x) * 3 + 2] = uint8_t(p >> 16);
    }
    std::fwrite(row.data(), row.size(), 1, out);
  }
  std::fclose(out);
  return path;
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done && done()) return true;
    const DWORD passed = GetTickCount() - start;
    if (passed >= DWORD(milliseconds)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(20, DWORD(milliseconds) - passed), QS_ALLINPUT);
  }
}

void Pump(int milliseconds) { PumpUntil(nullptr, milliseconds); }

}  // namespace screen_test
