// What the screen really shows, for tests that run under the X11 driver on the virtual display
// that tools/x11-test starts: whether the test runs there, a copy of a screen rectangle (read
// back from the display, so it holds what a user would see, regions and all), a way to keep
// such a copy as a picture to look at, and bounded waits that keep the windows live.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"

namespace screen_test {

// True when the program runs on a real display through tools/x11-test; tests of what the screen
// shows skip themselves otherwise (the null driver draws nothing anybody could see).
bool OnScreen();

// Pixels of a screen rectangle, top row first, 0x00RRGGBB.
struct Capture {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint32_t> pixels;

  bool Empty() const { return pixels.empty(); }
  // The pixel at screen coordinates; 0 outside the capture.
  uint32_t At(int screenX, int screenY) const;
  // The share of pixels of a screen rectangle (clipped to the capture) that have exactly this
  // colour, 0..1.
  double ShareOf(uint32_t rgb, RECT area) const;
  // The number of different colours in a screen rectangle.
  int ColourCount(RECT area) const;
};

// What the screen shows in the rectangle (screen coordinates), read from the display.
Capture CaptureScreen(const RECT& area);
// What the screen shows where the window is: its whole window rectangle.
Capture CaptureWindow(HWND wnd);
// What the X server itself shows in the rectangle, read from its root window with `xwd`. The
// platform's read-back above composes the windows as the platform believes them stacked and
// painted; this one sees a window the display keeps below another or leaves unpainted. Empty
// when the display cannot be read.
Capture CaptureDisplay(const RECT& area);
Capture CaptureDisplayWindow(HWND wnd);

// Writes the capture as a 24-bit BMP file named NAME.bmp into the folder MERGEON_SCREEN_SHOTS
// names (a Unix or a Windows path); does nothing when it is not set. Returns the file written.
std::string SaveCapture(const Capture& capture, const std::string& name);

// Handles messages until done() holds or the milliseconds pass; whether done() held.
bool PumpUntil(const std::function<bool()>& done, int milliseconds);
// Handles messages for the milliseconds: the screen catches up with what was asked of it.
void Pump(int milliseconds);

// 0x00RRGGBB of a COLORREF.
inline uint32_t Rgb(COLORREF c) {
  return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | uint32_t(GetBValue(c));
}

// Whether a captured pixel is black or nearly so in every channel.
inline bool NearlyBlack(uint32_t pixel) {
  return (pixel & 0xFF) < 24 && (pixel >> 8 & 0xFF) < 24 && (pixel >> 16 & 0xFF) < 24;
}

}  // namespace screen_test
