// The drawing tools of a canvas: font, pen and brush. Each keeps its attributes as properties
// and makes its GDI object only when somebody asks for the handle; a change of an attribute
// that the GDI object carries drops the handle (it is made again on the next request) and
// fires OnChange, which is how a canvas knows to select the tool again.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "vcl/graphics/colours.h"
#include "vcl/runtime/persistent.h"
#include "vcl/runtime/win.h"

namespace vcl {

using TNotifyEvent = std::function<void(TObject* Sender)>;

// The common part of TFont, TPen and TBrush: the GDI handle and the change event. The handle is
// owned (deleted when it is replaced or the object goes) unless it was borrowed: a handle that
// belongs to somebody else (a window's font, a stock object) is used and never deleted.
class TGraphicsObject : public TPersistent {
  VCL_CLASS(TGraphicsObject, TPersistent)
  ~TGraphicsObject() override;

  TNotifyEvent OnChange;

  // True when the GDI object exists (it is made on the first Handle request).
  bool HandleAllocated() const { return handle_ != nullptr; }
  // True when the current handle belongs to somebody else.
  bool HandleBorrowed() const { return handle_ != nullptr && !owned_; }

 protected:
  TGraphicsObject() = default;

  // The GDI object, made by CreateGdiObject when there is none.
  HGDIOBJ GdiHandle();
  // Takes over a GDI object made elsewhere (owned: deleted by this object later, else only
  // used); the previous one is deleted when it was owned.
  void AdoptGdiHandle(HGDIOBJ handle, bool owned = true);
  virtual HGDIOBJ CreateGdiObject() const = 0;

  // Fires OnChange. With handleStale the GDI object no longer matches the attributes: it is
  // dropped first and deleted after the listeners had the chance to deselect it.
  void Changed(bool handleStale = true);

 private:
  void DeleteIfOwned(HGDIOBJ handle, bool owned) const;

  HGDIOBJ handle_ = nullptr;
  bool owned_ = true;
};

// ---- TFont -----------------------------------------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles.
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle s : styles) bits_ |= Bit(s);
  }
  constexpr bool Contains(TFontStyle s) const { return (bits_ & Bit(s)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TFontStyles& Include(TFontStyle s) { bits_ |= Bit(s); return *this; }
  constexpr TFontStyles& Exclude(TFontStyle s) { bits_ &= ~Bit(s); return *this; }
  constexpr uint8_t Bits() const { return bits_; }
  static constexpr TFontStyles FromBits(uint8_t bits) { TFontStyles s; s.bits_ = bits & 0x0F; return s; }
  friend constexpr bool operator==(TFontStyles a, TFontStyles b) { return a.bits_ == b.bits_; }

 private:
  static constexpr uint8_t Bit(TFontStyle s) { return uint8_t(1u << s); }
  uint8_t bits_ = 0;
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality {
  fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural
};
using TFontCharset = uint8_t;

class TFont : public TGraphicsObject {
  VCL_CLASS(TFont, TGraphicsObject)
  // The platform's default font: "MS Sans Serif", 8 points on this screen, the window text colour.
  TFont();

  // Copies every attribute from another TFont. When the two fonts are meant for different
  // resolutions the point size is kept, not the pixel height.
  void Assign(TPersistent* source) override;

  HFONT Handle() { return static_cast<HFONT>(GdiHandle()); }
  // Takes over a font made elsewhere and reads its attributes back from it.
  void SetHandle(HFONT font);
  // Uses a font that stays its owner's (a window's WM_GETFONT font, a stock font) and reads its
  // attributes back; it is never deleted here. A change of an attribute makes a font of our own.
  void BorrowHandle(HFONT font);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  // Negative: character height in pixels; positive: cell height.
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points at PixelsPerInch.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset charset);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);
  // Angle of the text's base line in tenths of a degree, counter-clockwise.
  int Orientation() const { return orientation_; }
  void SetOrientation(int tenthsOfDegree);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality quality);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }

 protected:
  HGDIOBJ CreateGdiObject() const override;

 private:
  void ReadAttributes(HFONT font);

  std::string name_;
  int height_;
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  TFontQuality quality_ = fqDefault;
  int pixelsPerInch_;
};

// The screen's vertical resolution in pixels per inch, read once.
int ScreenPixelsPerInch();

// Character set names as form data stores them ("DEFAULT_CHARSET").
bool CharsetToIdent(TFontCharset charset, std::string& ident);
bool IdentToCharset(const std::string& ident, TFontCharset& charset);

// ---- TPen ------------------------------------------------------------------------------------

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen's colour combines with the pixels under it (the raster operations R2_xxx).
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

// The R2_xxx code of a pen mode.
int PenModeToRop2(TPenMode mode);

class TPen : public TGraphicsObject {
  VCL_CLASS(TPen, TGraphicsObject)
  TPen() = default;

  void Assign(TPersistent* source) override;

  HPEN Handle() { return static_cast<HPEN>(GdiHandle()); }
  // Takes over a pen made elsewhere (a geometric pen, say) and reads its attributes back.
  void SetHandle(HPEN pen);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  // Not part of the GDI pen: the canvas applies it with SetROP2.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);

 protected:
  HGDIOBJ CreateGdiObject() const override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

// ---- TBrush ----------------------------------------------------------------------------------

enum TBrushStyle {
  bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};

class TBrush : public TGraphicsObject {
  VCL_CLASS(TBrush, TGraphicsObject)
  TBrush() = default;

  void Assign(TPersistent* source) override;

  HBRUSH Handle() { return static_cast<HBRUSH>(GdiHandle()); }
  // Takes over a brush made elsewhere and reads its attributes back.
  void SetHandle(HBRUSH brush);
  // Uses a brush that stays its owner's (a system colour brush, a stock brush) and reads its
  // attributes back; it is never deleted here.
  void BorrowHandle(HBRUSH brush);

  TColor Color() const { return color_; }
  // Giving a clear brush a colour makes it solid, so that the colour shows.
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);

 protected:
  HGDIOBJ CreateGdiObject() const override;

 private:
  void ReadAttributes(HBRUSH brush);

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

}  // namespace vcl
