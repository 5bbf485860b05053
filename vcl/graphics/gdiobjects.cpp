#include "vcl/graphics/gdiobjects.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "vcl/runtime/ident_map.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TGraphicsObject -------------------------------------------------------------------------

TGraphicsObject::~TGraphicsObject() { DeleteIfOwned(handle_, owned_); }

void TGraphicsObject::DeleteIfOwned(HGDIOBJ handle, bool owned) const {
  if (handle && owned) DeleteObject(handle);
}

HGDIOBJ TGraphicsObject::GdiHandle() {
  if (!handle_) {
    handle_ = CreateGdiObject();
    owned_ = true;
  }
  return handle_;
}

void TGraphicsObject::AdoptGdiHandle(HGDIOBJ handle, bool owned) {
  HGDIOBJ old = handle_;
  const bool oldOwned = owned_;
  handle_ = handle;
  owned_ = owned;
  if (OnChange) OnChange(this);
  if (old != handle) DeleteIfOwned(old, oldOwned);
}

void TGraphicsObject::Changed(bool handleStale) {
  HGDIOBJ old = nullptr;
  const bool oldOwned = owned_;
  if (handleStale) {
    old = handle_;
    handle_ = nullptr;
    owned_ = true;
  }
  // A canvas that has the old object selected swaps in a stock one from OnChange; only then
  // can the object be deleted.
  if (OnChange) OnChange(this);
  DeleteIfOwned(old, oldOwned);
}

// ---- TFont -----------------------------------------------------------------------------------

int ScreenPixelsPerInch() {
  static const int ppi = [] {
    HDC dc = GetDC(nullptr);
    int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return ppi;
}

TFont::TFont()
    : name_("MS Sans Serif"), height_(-MulDiv(8, ScreenPixelsPerInch(), 72)),
      pixelsPerInch_(ScreenPixelsPerInch()) {}

void TFont::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TFont*>(source);
  if (!other) return inherited::Assign(source);
  name_ = other->name_;
  style_ = other->style_;
  color_ = other->color_;
  charset_ = other->charset_;
  pitch_ = other->pitch_;
  orientation_ = other->orientation_;
  quality_ = other->quality_;
  // A font for another resolution keeps its point size here.
  if (pixelsPerInch_ != other->pixelsPerInch_)
    height_ = -MulDiv(other->Size(), pixelsPerInch_, 72);
  else
    height_ = other->height_;
  Changed();
}

void TFont::SetHandle(HFONT font) {
  ReadAttributes(font);
  AdoptGdiHandle(font);
}

void TFont::BorrowHandle(HFONT font) {
  ReadAttributes(font);
  AdoptGdiHandle(font, false);
}

void TFont::ReadAttributes(HFONT font) {
  LOGFONTA lf;
  if (font && GetObjectA(font, sizeof lf, &lf) == sizeof lf) {
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    name_ = lf.lfFaceName;
    height_ = lf.lfHeight;
    style_ = TFontStyles{};
    if (lf.lfWeight >= FW_BOLD) style_.Include(fsBold);
    if (lf.lfItalic) style_.Include(fsItalic);
    if (lf.lfUnderline) style_.Include(fsUnderline);
    if (lf.lfStrikeOut) style_.Include(fsStrikeOut);
    charset_ = lf.lfCharSet;
    switch (lf.lfPitchAndFamily & 3) {
      case VARIABLE_PITCH: pitch_ = fpVariable; break;
      case FIXED_PITCH: pitch_ = fpFixed; break;
      default: pitch_ = fpDefault;
    }
    orientation_ = lf.lfEscapement;
    switch (lf.lfQuality) {
      case DRAFT_QUALITY: quality_ = fqDraft; break;
      case PROOF_QUALITY: quality_ = fqProof; break;
      case NONANTIALIASED_QUALITY: quality_ = fqNonAntialiased; break;
      case ANTIALIASED_QUALITY: quality_ = fqAntialiased; break;
      case CLEARTYPE_QUALITY: quality_ = fqClearType; break;
      case CLEARTYPE_NATURAL_QUALITY: quality_ = fqClearTypeNatural; break;
      default: quality_ = fqDefault;
    }
  }
}

void TFont::SetName(const std::string& name) {
  if (name.empty() || name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, pixelsPerInch_, 72)); }

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed(false);  // the text colour is the canvas's business, not the font object's
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

void TFont::SetOrientation(int tenthsOfDegree) {
  if (tenthsOfDegree == orientation_) return;
  orientation_ = tenthsOfDegree;
  Changed();
}

void TFont::SetQuality(TFontQuality quality) {
  if (quality == quality_) return;
  quality_ = quality;
  Changed();
}

HGDIOBJ TFont::CreateGdiObject() const {
  static const BYTE kQualities[] = {DEFAULT_QUALITY,       DRAFT_QUALITY,     PROOF_QUALITY,
                                    NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                                    CLEARTYPE_NATURAL_QUALITY};
  static const BYTE kPitches[] = {DEFAULT_PITCH, VARIABLE_PITCH, FIXED_PITCH};
  LOGFONTA lf{};
  lf.lfHeight = height_;
  lf.lfEscapement = orientation_;
  lf.lfOrientation = orientation_;
  lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style_.Contains(fsItalic);
  lf.lfUnderline = style_.Contains(fsUnderline);
  lf.lfStrikeOut = style_.Contains(fsStrikeOut);
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = kQualities[quality_];
  lf.lfPitchAndFamily = kPitches[pitch_];
  std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

namespace {

constexpr TIdentMapEntry<TFontCharset> kCharsetNames[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
    {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"},
    {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
    {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},
    {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {THAI_CHARSET, "THAI_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

}  // namespace

bool CharsetToIdent(TFontCharset charset, std::string& ident) { return IntToIdent(charset, ident, kCharsetNames); }

bool IdentToCharset(const std::string& ident, TFontCharset& charset) {
  return IdentToInt(ident, charset, kCharsetNames);
}

// ---- TPen ------------------------------------------------------------------------------------

int PenModeToRop2(TPenMode mode) {
  static const int kRop2[] = {R2_BLACK,       R2_WHITE,       R2_NOP,        R2_NOT,
                              R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                              R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,   R2_NOTMERGEPEN,
                              R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,     R2_NOTXORPEN};
  return kRop2[mode];
}

void TPen::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TPen*>(source);
  if (!other) return inherited::Assign(source);
  color_ = other->color_;
  width_ = other->width_;
  style_ = other->style_;
  mode_ = other->mode_;
  Changed();
}

void TPen::SetHandle(HPEN pen) {
  static const TPenStyle kStyles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear,
                                      psInsideFrame};
  if (pen) {
    // A cosmetic pen answers with a LOGPEN, a geometric one with an EXTLOGPEN.
    int size = GetObjectA(pen, 0, nullptr);
    if (size == sizeof(LOGPEN)) {
      LOGPEN lp;
      GetObjectA(pen, sizeof lp, &lp);
      color_ = static_cast<TColor>(lp.lopnColor);
      width_ = lp.lopnWidth.x;
      if (lp.lopnStyle < 7) style_ = kStyles[lp.lopnStyle];
    } else if (size >= static_cast<int>(offsetof(EXTLOGPEN, elpStyleEntry))) {
      // The style entries follow the record; only its fixed part is read here.
      std::string buffer(size, '\0');
      GetObjectA(pen, size, buffer.data());
      EXTLOGPEN elp{};
      std::memcpy(&elp, buffer.data(), std::min(sizeof elp, buffer.size()));
      color_ = static_cast<TColor>(elp.elpColor);
      width_ = static_cast<int>(elp.elpWidth);
      DWORD style = elp.elpPenStyle & PS_STYLE_MASK;
      if (style < 7) style_ = kStyles[style];
    }
  }
  AdoptGdiHandle(pen);
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0 || width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Changed(false);
}

HGDIOBJ TPen::CreateGdiObject() const {
  static const UINT kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL,
                                 PS_INSIDEFRAME};
  LOGPEN lp{kStyles[style_], {width_, 0}, static_cast<COLORREF>(ColorToRGB(color_))};
  return CreatePenIndirect(&lp);
}

// ---- TBrush ----------------------------------------------------------------------------------

void TBrush::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TBrush*>(source);
  if (!other) return inherited::Assign(source);
  color_ = other->color_;
  style_ = other->style_;
  Changed();
}

void TBrush::SetHandle(HBRUSH brush) {
  ReadAttributes(brush);
  AdoptGdiHandle(brush);
}

void TBrush::BorrowHandle(HBRUSH brush) {
  ReadAttributes(brush);
  AdoptGdiHandle(brush, false);
}

void TBrush::ReadAttributes(HBRUSH brush) {
  LOGBRUSH lb;
  if (brush && GetObjectA(brush, sizeof lb, &lb) == sizeof lb) {
    color_ = static_cast<TColor>(lb.lbColor);
    if (lb.lbStyle == BS_HOLLOW) style_ = bsClear;
    else if (lb.lbStyle == BS_HATCHED && lb.lbHatch <= HS_DIAGCROSS)
      style_ = static_cast<TBrushStyle>(bsHorizontal + lb.lbHatch);
    else style_ = bsSolid;
  }
}

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ != bsClear) return;
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

HGDIOBJ TBrush::CreateGdiObject() const {
  LOGBRUSH lb{};
  lb.lbColor = static_cast<COLORREF>(ColorToRGB(color_));
  if (style_ == bsSolid) {
    lb.lbStyle = BS_SOLID;
  } else if (style_ == bsClear) {
    lb.lbStyle = BS_HOLLOW;
  } else {
    lb.lbStyle = BS_HATCHED;
    lb.lbHatch = HS_HORIZONTAL + (style_ - bsHorizontal);
  }
  return CreateBrushIndirect(&lb);
}

}  // namespace vcl

// ---- Published properties --------------------------------------------------------------------

namespace vcl {

VCL_PUBLISHED(TFont, p) {
  p.Integer("Charset", &TFont::Charset, &TFont::SetCharset, DEFAULT_CHARSET)
      .Idents(CharsetToIdent, IdentToCharset)
      .Integer("Color", &TFont::Color, &TFont::SetColor, clWindowText)
      .Idents(ColorToIdent, IdentToColor)
      .Integer("Height", &TFont::Height, &TFont::SetHeight)
      .String("Name", &TFont::Name, &TFont::SetName)
      .Integer("Orientation", &TFont::Orientation, &TFont::SetOrientation, 0)
      .Enum("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"}, fpDefault)
      .Enum("Quality", &TFont::Quality, &TFont::SetQuality,
            {"fqDefault", "fqDraft", "fqProof", "fqNonAntialiased", "fqAntialiased", "fqClearType",
             "fqClearTypeNatural"},
            fqDefault)
      // The height says it all; the size is for code and is not stored.
      .Integer("Size", &TFont::Size, &TFont::SetSize)
      .Stored(false)
      .Set("Style", &TFont::Style, &TFont::SetStyle, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
           TFontStyles{});
}

VCL_PUBLISHED(TPen, p) {
  p.Integer("Color", &TPen::Color, &TPen::SetColor, clBlack)
      .Idents(ColorToIdent, IdentToColor)
      .Enum("Mode", &TPen::Mode, &TPen::SetMode,
            {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
             "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"},
            pmCopy)
      .Enum("Style", &TPen::Style, &TPen::SetStyle,
            {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}, psSolid)
      .Integer("Width", &TPen::Width, &TPen::SetWidth, 1);
}

VCL_PUBLISHED(TBrush, p) {
  p.Integer("Color", &TBrush::Color, &TBrush::SetColor, clWhite)
      .Idents(ColorToIdent, IdentToColor)
      .Enum("Style", &TBrush::Style, &TBrush::SetStyle,
            {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
             "bsDiagCross"},
            bsSolid);
}

}  // namespace vcl
