// Small number and point helpers of the image library that the model's number_helpers.h does
// not already hold.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

// Trunc(x), minus 1 when x has a negative fraction; limited to the int32 range (0 for NaN).
int32_t FloorToInt(double x);
// The larger of the two; a on a tie.
inline double MaxDouble(double a, double b) { return b > a ? b : a; }
void SwapByte(uint8_t& a, uint8_t& b);
// The low bytes of a, b, c and d as bytes 0, 1, 2 and 3 of one value.
int32_t PackFourBytes(int32_t a, int32_t b, int32_t c, int32_t d);
// True when the angle is whole and its truncated value is a multiple of 90.
bool IsMultipleOf90(double angle);
void PointAdd(const POINT& a, const POINT& b, POINT& result);
void PointSub(const POINT& a, const POINT& b, POINT& result);

}  // namespace imaging
