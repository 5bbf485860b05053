#include "vcl/colors.h"

#include <strings.h>

#include "vcl/sysutils.h"
#include "vcl/win.h"

namespace vcl {

int32_t ColorToRGB(TColor color) {
  if (color < 0) return static_cast<int32_t>(GetSysColor(color & 0xFF));
  return color;
}

namespace {

struct ColorName {
  TColor color;
  const char* ident;
};

// In the order the names are offered to a user: fixed colours first, then the system ones.
constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

}  // namespace

bool ColorToIdent(TColor color, std::string& ident) {
  for (const ColorName& n : kColorNames)
    if (n.color == color) {
      ident = n.ident;
      return true;
    }
  return false;
}

bool IdentToColor(const std::string& ident, TColor& color) {
  for (const ColorName& n : kColorNames)
    if (strcasecmp(n.ident, ident.c_str()) == 0) {
      color = n.color;
      return true;
    }
  return false;
}

std::string ColorToString(TColor color) {
  std::string ident;
  if (ColorToIdent(color, ident)) return ident;
  return "$" + IntToHex(color, 8);
}

TColor StringToColor(const std::string& text) {
  TColor color;
  if (IdentToColor(text, color)) return color;
  return StrToInt(text);
}

}  // namespace vcl
