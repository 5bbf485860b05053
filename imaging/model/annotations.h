// Imaging annotations: the marks (lines, freehand strokes, texts, embedded images and others)
// that a TIFF page carries in one private tag as a block of named records. TIEImagingAnnot
// holds the marks of one image, parses such a block when the TIFF reader meets it and builds
// it again for the TIFF writer.
//
// Block (32-bit little-endian integers): 0, the integer format (1 when written; 0 means the
// named-block headers carry 4 more bytes), then blocks to the end: mark attributes (type 5,
// 164, the 164 attribute bytes), named blocks (type 2 for the whole block, 6 for the preceding
// mark; 12; an 8-byte name; the data size; the data) and other blocks (type and one integer).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/system.h"

namespace imaging {

class TIEBitmap;

struct TIEAnnotPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const TIEAnnotPoint& other) const { return x == other.x && y == other.y; }
};

// Marks by type: 1 carries an image, 3 and 4 points, 7 to 10 a text; every other type its
// attributes only.
class TIEImagingObject : public vcl::TObject {
  VCL_CLASS(TIEImagingObject, vcl::TObject)
  static constexpr size_t kAttributesSize = 164;

  TIEImagingObject();
  ~TIEImagingObject() override;

  // The mark's attribute record, kept as read and written back unchanged: its mark type at
  // offset 0 (32-bit) and its font, a Windows LOGFONTA, at offset 48.
  std::array<uint8_t, kAttributesSize> Attributes{};
  std::vector<TIEAnnotPoint> Points;
  std::string Text;
  std::unique_ptr<TIEBitmap> Image;

  int32_t MarkType() const;
  void SetMarkType(int32_t type);
  // The font's lfHeight.
  int32_t FontHeight() const;
  void SetFontHeight(int32_t height);
  int32_t PointCount() const { return static_cast<int32_t>(Points.size()); }
};

class TIEImagingAnnot : public vcl::TObject {
  VCL_CLASS(TIEImagingAnnot, vcl::TObject)
  TIEImagingAnnot() = default;
  ~TIEImagingAnnot() override;

  void Clear() { Objects.clear(); }
  // Clear, then copies of the source's marks (attributes, points, text, image).
  void Assign(const TIEImagingAnnot* source);
  // Parses a block (length 0 does nothing) and appends its marks. A block whose header or data
  // runs past the end ends the parse; the marks finished before it are kept and the mark being
  // read is finished with what was read. A damaged embedded image leaves that mark without one.
  void LoadFromBuffer(const uint8_t* buffer, int32_t length);
  // The block of the marks; empty when there are none.
  std::vector<uint8_t> SaveToBuffer() const;

  // The parameter block that owns the annotations, nil until one sets itself.
  vcl::TObject* Parent = nullptr;
  std::vector<std::unique_ptr<TIEImagingObject>> Objects;
  // False after a load.
  bool UserChanged = false;
};

}  // namespace imaging
