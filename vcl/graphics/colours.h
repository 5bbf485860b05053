// Colours as the component library stores them: a 32-bit value with red in the low byte,
// green and blue above it. Negative values name a system colour (0x80000000 | COLOR_xxx)
// that is looked up when the colour is used, so a control follows the desktop's scheme.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {

using TColor = int32_t;

namespace detail {
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | unsigned(index)); }
}  // namespace detail

// System colours (the COLOR_xxx index with the top bit set).
constexpr TColor clScrollBar = detail::SystemColor(0);
constexpr TColor clBackground = detail::SystemColor(1);
constexpr TColor clActiveCaption = detail::SystemColor(2);
constexpr TColor clInactiveCaption = detail::SystemColor(3);
constexpr TColor clMenu = detail::SystemColor(4);
constexpr TColor clWindow = detail::SystemColor(5);
constexpr TColor clWindowFrame = detail::SystemColor(6);
constexpr TColor clMenuText = detail::SystemColor(7);
constexpr TColor clWindowText = detail::SystemColor(8);
constexpr TColor clCaptionText = detail::SystemColor(9);
constexpr TColor clActiveBorder = detail::SystemColor(10);
constexpr TColor clInactiveBorder = detail::SystemColor(11);
constexpr TColor clAppWorkSpace = detail::SystemColor(12);
constexpr TColor clHighlight = detail::SystemColor(13);
constexpr TColor clHighlightText = detail::SystemColor(14);
constexpr TColor clBtnFace = detail::SystemColor(15);
constexpr TColor clBtnShadow = detail::SystemColor(16);
constexpr TColor clGrayText = detail::SystemColor(17);
constexpr TColor clBtnText = detail::SystemColor(18);
constexpr TColor clInactiveCaptionText = detail::SystemColor(19);
constexpr TColor clBtnHighlight = detail::SystemColor(20);
constexpr TColor cl3DDkShadow = detail::SystemColor(21);
constexpr TColor cl3DLight = detail::SystemColor(22);
constexpr TColor clInfoText = detail::SystemColor(23);
constexpr TColor clInfoBk = detail::SystemColor(24);
constexpr TColor clHotLight = detail::SystemColor(26);
constexpr TColor clGradientActiveCaption = detail::SystemColor(27);
constexpr TColor clGradientInactiveCaption = detail::SystemColor(28);
constexpr TColor clMenuHighlight = detail::SystemColor(29);
constexpr TColor clMenuBar = detail::SystemColor(30);

// Fixed colours.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

// "No colour" and "the control's default colour": positive values that are not RGB.
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour: system colours are looked up with GetSysColor, everything else
// is returned unchanged.
int32_t ColorToRGB(TColor color);

// Colour names as form data stores them ("clBtnFace").
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(const std::string& ident, TColor& color);  // the name is compared without case
// A name when the colour has one, else "$00BBGGRR".
std::string ColorToString(TColor color);
// A name, or a number in decimal or "$" hexadecimal; raises EConvertError otherwise.
TColor StringToColor(const std::string& text);

}  // namespace vcl
