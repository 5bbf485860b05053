// Colours, fonts, pens and brushes: values, GDI objects made on demand, change events.
#include <gtest/gtest.h>

#include <cstring>

#include "vcl/graphics/colours.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/gdiobjects.h"

using namespace vcl;

namespace {

TEST(Colors, SystemColoursAreLookedUp) {
  EXPECT_EQ(clBtnFace, static_cast<TColor>(0x8000000F));
  EXPECT_EQ(clWindowText, static_cast<TColor>(0x80000008));
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<int32_t>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clHighlight), static_cast<int32_t>(GetSysColor(COLOR_HIGHLIGHT)));
  // Everything else passes unchanged, the special values included.
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFF);
  EXPECT_EQ(ColorToRGB(clDefault), 0x20000000);
}

TEST(Colors, NamesAndNumbers) {
  struct Case {
    const char* text;
    TColor color;
    const char* written;
  };
  const Case cases[] = {
      {"clBtnFace", clBtnFace, "clBtnFace"},
      {"CLBTNFACE", clBtnFace, "clBtnFace"},
      {"clNone", clNone, "clNone"},
      {"clSilver", clSilver, "clSilver"},
      {"$00123456", 0x123456, "$00123456"},
      {"$8000000F", clBtnFace, "clBtnFace"},
      {"255", clRed, "clRed"},
      {"-2147483633", clBtnFace, "clBtnFace"},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(StringToColor(k.text), k.color) << k.text;
    EXPECT_EQ(ColorToString(StringToColor(k.text)), k.written) << k.text;
  }
  for (const char* bad : {"", "clNoSuchColour", "12ab", "$", "$123456789"}) {
    try {
      StringToColor(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(Font, DefaultsAndSize) {
  TFont font;
  const int ppi = ScreenPixelsPerInch();
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  EXPECT_EQ(font.Height(), -MulDiv(8, ppi, 72));
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Color(), clWindowText);
  EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
  EXPECT_TRUE(font.Style().Empty());

  font.SetSize(12);
  EXPECT_EQ(font.Height(), -MulDiv(12, ppi, 72));
  EXPECT_EQ(font.Size(), 12);
  font.SetHeight(-13);
  EXPECT_EQ(font.Size(), MulDiv(13, 72, ppi));
}

TEST(Font, TheHandleCarriesTheAttributes) {
  TFont font;
  font.SetName("Arial");
  font.SetHeight(-20);
  font.SetStyle({fsBold, fsItalic, fsUnderline});
  font.SetCharset(RUSSIAN_CHARSET);
  font.SetOrientation(900);
  font.SetQuality(fqNonAntialiased);
  font.SetPitch(fpVariable);
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(font.Handle(), sizeof lf, &lf), int(sizeof lf));
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfHeight, -20);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_TRUE(lf.lfUnderline);
  EXPECT_FALSE(lf.lfStrikeOut);
  EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfQuality, NONANTIALIASED_QUALITY);
  EXPECT_EQ(lf.lfPitchAndFamily & 3, VARIABLE_PITCH);
}

TEST(Font, TakesOverAHandleAndReadsItBack) {
  LOGFONTA lf{};
  lf.lfHeight = -17;
  lf.lfWeight = FW_BOLD;
  lf.lfStrikeOut = 1;
  lf.lfCharSet = GREEK_CHARSET;
  std::strcpy(lf.lfFaceName, "Courier New");
  HFONT handle = CreateFontIndirectA(&lf);
  TFont font;
  int changes = 0;
  font.OnChange = [&](TObject*) { ++changes; };
  font.SetHandle(handle);
  EXPECT_EQ(font.Handle(), handle);
  EXPECT_EQ(font.Name(), "Courier New");
  EXPECT_EQ(font.Height(), -17);
  EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsStrikeOut}));
  EXPECT_EQ(font.Charset(), GREEK_CHARSET);
  EXPECT_EQ(changes, 1);
}

// A borrowed handle is used and read back like a taken one, but it stays its owner's: not
// when the object goes, not when another handle replaces it, not when an attribute changes.
TEST(GraphicsObjects, BorrowedHandlesStayTheirOwners) {
  auto alive = [](HGDIOBJ handle) { return GetObjectType(handle) != 0; };
  struct Step {
    const char* what;
    void (*act)(TFont& font);
  };
  const Step steps[] = {
      {"the font goes", [](TFont&) {}},
      {"another handle is borrowed", [](TFont& f) { f.BorrowHandle(static_cast<HFONT>(GetStockObject(SYSTEM_FONT))); }},
      {"a handle of its own is taken", [](TFont& f) { f.SetHandle(CreateFontA(-11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial")); }},
      {"an attribute changes", [](TFont& f) { f.SetSize(20); }},
      {"another font is assigned", [](TFont& f) { TFont other; f.Assign(&other); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    LOGFONTA lf{};
    lf.lfHeight = -15;
    lf.lfItalic = 1;
    std::strcpy(lf.lfFaceName, "Tahoma");
    HFONT windows = CreateFontIndirectA(&lf);
    {
      TFont font;
      font.BorrowHandle(windows);
      EXPECT_EQ(font.Handle(), windows);
      EXPECT_TRUE(font.HandleBorrowed());
      EXPECT_EQ(font.Name(), "Tahoma");
      EXPECT_EQ(font.Height(), -15);
      EXPECT_EQ(font.Style(), TFontStyles{fsItalic});
      step.act(font);
      EXPECT_TRUE(alive(windows));
      EXPECT_TRUE(alive(font.Handle()));
    }
    EXPECT_TRUE(alive(windows));
    EXPECT_TRUE(DeleteObject(windows)) << "the owner deletes it once";
  }
  // A handle of its own made after a borrowed one is deleted as usual.
  HFONT own = nullptr;
  {
    TFont font;
    font.BorrowHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    font.SetSize(14);
    own = font.Handle();
    EXPECT_FALSE(font.HandleBorrowed());
  }
  EXPECT_FALSE(alive(own));

  HBRUSH system = CreateSolidBrush(RGB(1, 2, 3));
  {
    TBrush brush;
    brush.BorrowHandle(system);
    EXPECT_EQ(brush.Color(), TColor(RGB(1, 2, 3)));
    brush.SetColor(clRed);
    EXPECT_NE(brush.Handle(), system);
  }
  EXPECT_TRUE(DeleteObject(system));
}

TEST(Font, AssignCopiesAndKeepsThePointSizeAcrossResolutions) {
  TFont a, b;
  a.SetName("Arial");
  a.SetSize(10);
  a.SetColor(clRed);
  a.SetStyle({fsBold});
  b.Assign(&a);
  EXPECT_EQ(b.Name(), "Arial");
  EXPECT_EQ(b.Height(), a.Height());
  EXPECT_EQ(b.Color(), clRed);
  EXPECT_EQ(b.Style(), TFontStyles{fsBold});

  TFont printer;
  printer.SetPixelsPerInch(600);
  printer.Assign(&a);
  EXPECT_EQ(printer.Size(), 10);
  EXPECT_EQ(printer.Height(), -MulDiv(10, 600, 72));
}

TEST(GraphicsObjects, ChangesFireOnChangeOnlyWhenSomethingChanges) {
  TPen pen;
  TBrush brush;
  TFont font;
  int changes = 0;
  auto count = [&](TObject*) { ++changes; };
  pen.OnChange = brush.OnChange = font.OnChange = count;
  pen.SetColor(clRed);
  pen.SetColor(clRed);
  pen.SetWidth(3);
  pen.SetWidth(-1);  // ignored
  pen.SetStyle(psDot);
  pen.SetMode(pmXor);
  brush.SetStyle(bsCross);
  font.SetColor(clBlue);
  font.SetName("");  // ignored
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(pen.Width(), 3);
}

TEST(Pen, HandleMatchesTheAttributes) {
  TPen pen;
  EXPECT_EQ(pen.Color(), clBlack);
  EXPECT_EQ(pen.Width(), 1);
  EXPECT_EQ(pen.Style(), psSolid);
  EXPECT_EQ(pen.Mode(), pmCopy);
  pen.SetColor(clBtnShadow);
  pen.SetWidth(2);
  pen.SetStyle(psInsideFrame);
  LOGPEN lp;
  ASSERT_EQ(GetObjectA(pen.Handle(), sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, UINT(PS_INSIDEFRAME));
  EXPECT_EQ(lp.lopnWidth.x, 2);
  EXPECT_EQ(lp.lopnColor, GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(PenModeToRop2(pmNot), R2_NOT);
  EXPECT_EQ(PenModeToRop2(pmXor), R2_XORPEN);
  EXPECT_EQ(PenModeToRop2(pmCopy), R2_COPYPEN);
}

TEST(Pen, TakesOverAGeometricPen) {
  LOGBRUSH lb{BS_SOLID, RGB(1, 2, 3), 0};
  HPEN geometric = ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT, 5, &lb, 0, nullptr);
  ASSERT_NE(geometric, nullptr);
  TPen pen;
  pen.SetHandle(geometric);
  EXPECT_EQ(pen.Handle(), geometric);
  EXPECT_EQ(pen.Width(), 5);
  EXPECT_EQ(pen.Color(), TColor(RGB(1, 2, 3)));
  EXPECT_EQ(pen.Style(), psDash);
}

TEST(Brush, ClearBrushBecomesSolidWhenGivenAColour) {
  TBrush brush;
  EXPECT_EQ(brush.Color(), clWhite);
  EXPECT_EQ(brush.Style(), bsSolid);
  brush.SetStyle(bsClear);
  brush.SetColor(clWhite);
  EXPECT_EQ(brush.Style(), bsSolid);
}

TEST(Brush, HandleMatchesTheStyle) {
  struct Case {
    TBrushStyle style;
    UINT lbStyle;
    ULONG_PTR hatch;
  };
  const Case cases[] = {
      {bsSolid, BS_SOLID, 0},          {bsClear, BS_HOLLOW, 0},          {bsHorizontal, BS_HATCHED, HS_HORIZONTAL},
      {bsVertical, BS_HATCHED, HS_VERTICAL}, {bsFDiagonal, BS_HATCHED, HS_FDIAGONAL}, {bsBDiagonal, BS_HATCHED, HS_BDIAGONAL},
      {bsCross, BS_HATCHED, HS_CROSS}, {bsDiagCross, BS_HATCHED, HS_DIAGCROSS},
  };
  for (const Case& k : cases) {
    TBrush brush;
    brush.SetColor(clRed);
    brush.SetStyle(k.style);
    LOGBRUSH lb;
    ASSERT_EQ(GetObjectA(brush.Handle(), sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbStyle, k.lbStyle) << k.style;
    if (k.lbStyle == BS_HATCHED) {
      EXPECT_EQ(lb.lbHatch, k.hatch) << k.style;
    }
    if (k.lbStyle != BS_HOLLOW) {
      EXPECT_EQ(lb.lbColor, RGB(255, 0, 0)) << k.style;
    }

    TBrush copy;
    copy.SetHandle(CreateBrushIndirect(&lb));
    EXPECT_EQ(copy.Style(), k.style);
  }
}

TEST(Charsets, NamesAsFormDataWritesThem) {
  std::string ident;
  ASSERT_TRUE(CharsetToIdent(DEFAULT_CHARSET, ident));
  EXPECT_EQ(ident, "DEFAULT_CHARSET");
  TFontCharset charset = 0;
  ASSERT_TRUE(IdentToCharset("russian_charset", charset));
  EXPECT_EQ(charset, RUSSIAN_CHARSET);
  EXPECT_FALSE(IdentToCharset("KLINGON_CHARSET", charset));
  EXPECT_FALSE(CharsetToIdent(99, ident));
}

}  // namespace
