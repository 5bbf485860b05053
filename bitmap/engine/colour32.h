// TColor32 pixels and the small helpers every part of the bitmap engine uses: building and
// taking apart colours, intensity and alpha, hue/saturation/lightness conversion, integer
// rectangles, and 32-bit run fills and moves.
#pragma once

#include <cstdint>

namespace bitmap {

// A 32-bit ARGB pixel: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7 (in memory the
// bytes are blue, green, red, alpha).
using TColor32 = uint32_t;

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TFloatRect {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;
  friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

// How MakeRectFromFloat turns float sides into integers.
enum TRectRounding : uint8_t { rrClosest = 0, rrOutside = 1, rrInside = 2 };

// A platform colour (0x00BBGGRR, or a negative system colour index in the low byte) as an
// opaque TColor32.
TColor32 ColorToColor32(int32_t color);

constexpr TColor32 MakeColor32(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return TColor32(a) << 24 | TColor32(r) << 16 | TColor32(g) << 8 | b;
}
constexpr TColor32 MakeGray32(uint8_t intensity, uint8_t a = 255) {
  return TColor32(a) << 24 | TColor32(intensity) * 0x010101u;
}
constexpr uint8_t AlphaOf(TColor32 c) { return uint8_t(c >> 24); }
constexpr uint8_t RedOf(TColor32 c) { return uint8_t(c >> 16); }
constexpr uint8_t GreenOf(TColor32 c) { return uint8_t(c >> 8); }
constexpr uint8_t BlueOf(TColor32 c) { return uint8_t(c); }

// Perceived brightness, 0..255; the weights add up to 256 so white gives exactly 255.
constexpr int32_t IntensityOf(TColor32 c) {
  return int32_t((RedOf(c) * 61u + GreenOf(c) * 174u + BlueOf(c) * 21u) >> 8);
}

// The colour with a new alpha, clamped to 0..255.
constexpr TColor32 WithAlpha(TColor32 c, int32_t alpha) {
  const int32_t a = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
  return (c & 0x00FFFFFFu) | TColor32(a) << 24;
}

// Hue, saturation and lightness, each 0..1, computed in single precision.
void Color32ToHsl(TColor32 c, float& h, float& s, float& l);
// The opaque colour of a hue, saturation and lightness.
TColor32 HslToColor32(float h, float s, float l);

constexpr TRect MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return TRect{left, top, right, bottom};
}
// Rounds each side; an unknown kind leaves `dst` as it was.
void MakeRectFromFloat(TRect& dst, const TFloatRect& fr, uint8_t kind);
// The intersection; a zero-width or zero-height result still counts as an intersection.
// Without one, `dst` becomes (0, 0, 0, 0) and the result is false.
bool IntersectRects(TRect& dst, const TRect& r1, const TRect& r2);
constexpr void OffsetRectBy(TRect& r, int32_t dx, int32_t dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}
constexpr bool RectIsEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
constexpr bool RectContainsPoint(const TRect& r, const TPoint& p) {
  return r.Left <= p.X && p.X < r.Right && r.Top <= p.Y && p.Y < r.Bottom;
}

// Writes `value` into `count` consecutive pixels; nothing for count <= 0.
void FillRun(TColor32* dst, int32_t count, TColor32 value);
// Copies `count` pixels; overlapping runs are copied correctly in either direction. Nothing
// when src == dst or count <= 0.
void MoveRun(const TColor32* src, TColor32* dst, int32_t count);

constexpr int32_t ClampValue(int32_t value, int32_t lo, int32_t hi) {
  return value < lo ? lo : value > hi ? hi : value;
}

}  // namespace bitmap
