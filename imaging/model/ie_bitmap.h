// TIEBitmap: the image library's bitmap. It holds one raster image in one of eleven pixel
// formats and keeps its pixels in process memory, in a temporary file (rows paged through
// heap views) or in a platform TBitmap (a DIB section). It hands out row addresses, carries an
// optional 8-bit alpha channel (itself a TIEBitmap) and an optional palette.
//
// Rows are numbered from the top. In memory one block stores them bottom-up (a DIB's layout);
// the temporary file stores them top-down. Every row is padded to RowAlignment bits (32 by
// default).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/colour_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/pixel_formats.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

namespace imaging {

class TIEFileBuffer;
class TIEDibbitmap;
class TIEMask;

// Bits per pixel and channels of each pixel format; 0 for values outside the enumeration.
int32_t IEBitsPerPixel(TIEPixelFormat format);
int32_t IEChannelsPerPixel(TIEPixelFormat format);
// Whole bytes of one pixel (1-bit: 0), as rectangle copies move them.
int32_t IEBytesPerPixel(TIEPixelFormat format);

// Where the memory location's storage comes from: kind 0 the heap, 1 zero-filled global
// memory, 2 the heap below 1 MiB and global memory above (the blocks of the fallback are of
// kind 1); nil when there is no memory. A block of kind k is freed as kind k is. The pointer
// can be replaced, so that tests can make large requests fail and follow the fallbacks to
// smaller blocks and to the temporary file.
using TIEBlockAllocator = void* (*)(uint8_t kind, int64_t size);
void* IEDefaultBlockAllocator(uint8_t kind, int64_t size);
extern TIEBlockAllocator IEBitmapBlockAllocator;

enum TIELocation : uint8_t {
  ieMemory,   // one aligned block (or, as a fallback, several), or caller memory
  ieFile,     // a temporary file of the bitmap's TIEFileBuffer
  ieTBitmap   // a platform TBitmap, owned or attached
};

// Code that only reads geometry and rows takes this base of TIEBitmap and TIEDibbitmap.
class TIEBaseBitmap : public vcl::TObject {
  VCL_CLASS(TIEBaseBitmap, vcl::TObject)

  // Rights used when a row of a file-located image is mapped: 1 read, 2 write, 3 both.
  uint8_t Access() const { return access_; }
  void SetAccess(uint8_t access) { access_ = access; }

  virtual void* GetScanline(int32_t row) = 0;
  virtual int32_t GetBitCount() = 0;
  virtual int32_t GetHeight() = 0;
  virtual int32_t GetWidth() = 0;
  virtual TIEPixelFormat GetPixelFormat() = 0;
  virtual int32_t GetRowLen() = 0;
  virtual TRGB* GetPalette() = 0;
  virtual TRGB GetPaletteColor(int32_t index) = 0;
  virtual void SetPaletteColor(int32_t index, const TRGB& colour) = 0;
  virtual int32_t GetPaletteLen() = 0;
  virtual bool Allocate(int32_t width, int32_t height, TIEPixelFormat format) = 0;
  virtual void Assign(vcl::TObject* source) = 0;
  virtual void CopyPaletteTo(vcl::TObject* destination) = 0;

 protected:
  uint8_t access_ = 3;
};

class TIEBitmap : public TIEBaseBitmap {
  VCL_CLASS(TIEBitmap, TIEBaseBitmap)

  // An empty bitmap (ieNull, 0 x 0) that asks for the file location; allocation then puts it
  // in memory unless it is larger than MemoryThreshold.
  TIEBitmap();
  // TIEBitmap() followed by Allocate(width, height, format).
  TIEBitmap(int32_t width, int32_t height, TIEPixelFormat format);
  ~TIEBitmap() override;

  // A bitmap made to be another one's alpha channel: ie8g, all 255, Full. ieTBitmap is
  // taken as ieMemory.
  static std::unique_ptr<TIEBitmap> CreateAlphaChannel(int32_t width, int32_t height, TIELocation location);

  // ---- geometry (in the ieTBitmap location each first looks at the platform bitmap) ----
  void* GetScanline(int32_t row) override;
  int32_t GetBitCount() override;
  int32_t GetHeight() override;
  int32_t GetWidth() override;
  TIEPixelFormat GetPixelFormat() override;
  int32_t GetRowLen() override;
  int32_t GetChannelCount();

  // Property-style names of the same getters, and the setters that rebuild the image.
  void* Scanline(int32_t row) { return GetScanline(row); }
  int32_t Width() { return GetWidth(); }
  int32_t Height() { return GetHeight(); }
  int32_t BitCount() { return GetBitCount(); }
  int32_t ChannelCount() { return GetChannelCount(); }
  int32_t RowLen() { return GetRowLen(); }
  TIEPixelFormat PixelFormat() { return GetPixelFormat(); }
  // Resize keeping the first rows / columns (the pixels outside the old area are undefined).
  void SetWidth(int32_t width);
  void SetHeight(int32_t height);
  // Converts the pixels in place (nothing for the current format).
  void SetPixelFormat(TIEPixelFormat format);

  // ---- storage ----
  // Releases the image and allocates width x height pixels of `format` (contents undefined).
  // Returns true at once when nothing changes; on failure the image is 0 x 0 and false is
  // returned. No error reaches the caller.
  bool Allocate(int32_t width, int32_t height, TIEPixelFormat format) override;
  // As Allocate, for a caller that writes every pixel of every row next (a decoder): a large
  // block kept from an earlier bitmap serves as it is, without the clearing pass that would
  // double the writes to a whole picture. The bytes after each row's pixels are cleared (with
  // the last byte when it holds bits past the width).
  bool AllocateToOverwrite(int32_t width, int32_t height, TIEPixelFormat format);
  // Frees the pixels, the palette, the storage and (when asked) the alpha channel; the format,
  // location, IsAlphaChannel and ReversedRows stay.
  void FreeImage(bool freeAlpha);
  // Width, height, row length or bit count is 0.
  bool IsEmpty();

  TIELocation Location() const { return location_; }
  // Moves the pixels to another location. ieMemory and ieFile are requests that allocation
  // may swap by size.
  void SetLocation(TIELocation location);
  // Makes a caller's platform bitmap the pixel store without copying; the caller keeps it and
  // it must outlive this bitmap's use of it. Formats other than 1, 8, 24 and 32 bits are
  // converted to 24 bits first, so that rows always match the reported format.
  void AttachVclBitmap(vcl::TBitmap* bitmap, bool freeFirst);
  // Makes caller memory (rows padded to RowAlignment) the pixel store without copying.
  // reversedRows: the memory's first row is the top row.
  void AttachMemory(void* data, int32_t width, int32_t height, TIEPixelFormat format, bool freeFirst,
                    bool reversedRows);
  // Hands the whole image (pixels, palette, alpha, storage) to `destination` and leaves this
  // bitmap empty.
  void MoveContentTo(TIEBitmap* destination);

  // ---- rows ----
  // A row address that stays valid until UnlockScanline(row), so that several rows of a
  // file-located image can be held at once. Locks of one row nest; GetScanline of a locked
  // row returns the locked view, so both see the same bytes.
  void* LockScanline(int32_t row);
  void UnlockScanline(int32_t row);

  // ---- palette (ie8p always has 256 entries allocated, unused ones black) ----
  TRGB* GetPalette() override;
  // An index outside 0 .. PaletteLength - 1 gives black.
  TRGB GetPaletteColor(int32_t index) override;
  // Ignored outside the range.
  void SetPaletteColor(int32_t index, const TRGB& colour) override;
  int32_t GetPaletteLen() override;
  // TIEBitmap destinations only: they receive a copy of the entries and PaletteUsed.
  void CopyPaletteTo(vcl::TObject* destination) override;
  // Writes the palette into the platform bitmap's colour table (ieTBitmap location).
  void SyncPaletteToVclBitmap();

  // ---- alpha channel ----
  // Created on first use (all 255, Full); nil for a bitmap that is itself an alpha channel.
  TIEBitmap* GetAlphaChannel();
  TIEBitmap* AlphaChannel() { return GetAlphaChannel(); }
  bool HasAlphaChannel() const { return alphaChannel_ != nullptr; }
  // Takes ownership of `bitmap` as the alpha channel (a previous one is freed).
  void AttachAlphaChannel(std::unique_ptr<TIEBitmap> bitmap);
  // With merge, a 24-bit image is blended over the background by the alpha first; then the
  // alpha channel is freed.
  void RemoveAlphaChannel(bool merge, vcl::TColor background);
  bool IsAlphaChannel() const { return isAlphaChannel_; }
  void SetIsAlphaChannel(bool value) { isAlphaChannel_ = value; }

  // ---- platform bitmap access ----
  // Moves the image to the ieTBitmap location and returns the platform bitmap.
  vcl::TBitmap* GetVclBitmap();
  vcl::TBitmap* VclBitmap() { return GetVclBitmap(); }
  // The platform bitmap's canvas (moving the image there first).
  vcl::TCanvas* GetCanvas();
  vcl::TCanvas* Canvas() { return GetCanvas(); }
  // Makes canvas coordinates follow this bitmap's row numbering when rows are reversed.
  void UpdateCanvasTransform();
  // Re-reads size and format from the platform bitmap (ieTBitmap location).
  void SyncFromVclBitmap();

  // ---- whole-image copies ----
  // From a TIEBitmap (pixels, alpha channel, palette) or a platform TBitmap; other objects are
  // ignored.
  void Assign(vcl::TObject* source) override;
  // As Assign from a TIEBitmap, without touching the alpha channel.
  void CopyWithoutAlpha(TIEBitmap* source);
  void CopyFromVclBitmap(vcl::TBitmap* bitmap);
  void CopyFromDIB(TIEDibbitmap* bitmap);
  // A 1-bit mask gives an ie1g image and an 8-bit mask an ie8g image of its size and pixels,
  // with its full flag; nil fills the image with 255 (everything selected).
  void CopyFromMask(TIEMask* mask);
  // ie1g and ie8g images give a mask of their depth and pixels (full flag from this image),
  // ie24RGB an 8-bit mask of the pixels' grey levels; the mask's box is set from its pixels.
  // Other formats leave the mask alone.
  void CopyToMask(TIEMask* mask);

  // ---- rectangles ----
  // Copies a rectangle between bitmaps of the same format (and ie1g to ie24RGB); clipped to
  // both. The destination may be this bitmap, the rectangles overlapping. The alpha channels
  // are not touched.
  void CopyRectTo(TIEBitmap* destination, int32_t sourceX, int32_t sourceY, int32_t destX, int32_t destY,
                  int32_t width, int32_t height);
  // Destination alpha := max(destination alpha, source alpha) over the clipped rectangle.
  void MergeAlphaRect(TIEBitmap* destination, int32_t sourceX, int32_t sourceY, int32_t destX, int32_t destY,
                      int32_t width, int32_t height);
  // Moves the rectangle (x1, y1)-(x2, y2) to (destX, destY), filling the vacated rectangle
  // with `fillValue` when asked.
  void MoveRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX, int32_t destY, double fillValue,
                bool fill);

  // ---- filling (value: the sample for grey formats and ie32f, a TColor for colour formats) ----
  void Fill(double value);
  // Inclusive rectangle, clamped to the image.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double value);

  // ---- size ----
  // Changes the canvas size keeping the content at the start (0), centre (1) or end (2) of
  // each direction; new pixels get the fill values.
  void Resize(int32_t width, int32_t height, double fillValue, int32_t alphaFillValue,
              uint8_t horizontalAlignment, uint8_t verticalAlignment);
  int32_t RowAlignment() const { return rowAlignment_; }
  // 8, 16, 32 or 64 bits; other values raise EInvalidArgument.
  void SetRowAlignment(int32_t bits);

  // ---- rendering this bitmap into a 24-bit destination (see bitmap_render.h) ----
  // The caches are the row-address and index tables of RenderToTIEBitmapFull there.
  void RenderToTIEBitmapFull(TIEBitmap* dest, std::vector<uint8_t*>* destRows, std::vector<int32_t>* columns,
                             std::vector<int32_t>* rows, const RECT* clip, int32_t xDst, int32_t yDst, int32_t dxDst,
                             int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, bool useAlpha,
                             bool reuseRows, int32_t transparency, TResampleFilter filter, bool freeCaches,
                             uint8_t operation);
  void RenderToTIEBitmap(TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                         int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency, TResampleFilter filter,
                         uint8_t operation);
  void RenderToVclBitmapFull(vcl::TBitmap* dest, std::vector<uint8_t*>* destRows, std::vector<int32_t>* columns,
                             std::vector<int32_t>* rows, const RECT* clip, int32_t xDst, int32_t yDst, int32_t dxDst,
                             int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, bool useAlpha,
                             bool reuseRows, int32_t transparency, TResampleFilter filter, bool freeCaches,
                             uint8_t operation);
  void RenderToVclBitmap(vcl::TBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                         int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency, TResampleFilter filter,
                         uint8_t operation);
  void StretchCopyToTIEBitmap(TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                              int32_t ySrc, int32_t dxSrc, int32_t dySrc, TResampleFilter filter, int32_t alphaLimit);

  // ---- pixel-format conversion ----
  // Converts in place to `format`.
  void ConvertTo(TIEPixelFormat format);
  // Writes the source's pixels, converted, into this bitmap's allocated pixels; nothing when
  // the sizes differ, this bitmap is in the ieTBitmap location or the source is empty. The
  // source is never changed.
  void CopyAndConvertFormat(TIEBitmap* source);

  // ---- pixels (coordinates are not checked) ----
  uint8_t GetPixel8(int32_t x, int32_t y);
  void SetPixel8(int32_t x, int32_t y, uint8_t value);
  uint16_t GetPixel16(int32_t x, int32_t y);
  void SetPixel16(int32_t x, int32_t y, uint16_t value);
  float GetPixelFloat(int32_t x, int32_t y);
  void SetPixelFloat(int32_t x, int32_t y, float value);
  int32_t GetPixel32(int32_t x, int32_t y);
  void SetPixel32(int32_t x, int32_t y, int32_t value);
  TRGB GetPixel24(int32_t x, int32_t y);
  void SetPixel24(int32_t x, int32_t y, const TRGB& value);
  TRGB* GetRGBPixelPtr(int32_t x, int32_t y);
  // Words red, green, blue.
  struct TRGB48 {
    uint16_t r;
    uint16_t g;
    uint16_t b;
  };
  TRGB48 GetPixel48(int32_t x, int32_t y);
  void SetPixel48(int32_t x, int32_t y, const TRGB48& value);
  // One pixel of any format as blue, green, red.
  TRGB GetPixelRGB(int32_t x, int32_t y);
  uint8_t GetAlphaAt(int32_t x, int32_t y);
  void SetAlphaAt(int32_t x, int32_t y, uint8_t value);

  // ---- whole-image tests ----
  // Full := every pixel byte is 255.
  void UpdateFullFlag();
  bool IsAllZero();
  bool IsGrayScale();

  // ---- raw stream ("TIEBITMAPRAW") ----
  // Writes the complete state to the stream at its position.
  void SaveRawToStream(vcl::TStream* stream);
  // Writes the complete state into memory; `capacity` bytes are available there. Returns the
  // bytes written, or raises EWriteError when the record does not fit.
  int64_t SaveRawToBlock(void* block, int64_t capacity);
  // The record's size in bytes.
  int64_t RawSize();
  // Reads a record written by SaveRawToStream. False (bitmap unchanged) for a wrong signature,
  // version or any field out of range; a record cut short raises EReadError.
  bool LoadRawFromStream(vcl::TStream* stream);
  // The same from `size` bytes of memory; false also when the record runs past them.
  bool LoadRawFromBlock(const void* block, int64_t size);

  // ---- settings kept with the image ----
  bool Full() const { return full_; }
  void SetFull(bool value) { full_ = value; }
  int64_t MemoryThreshold() const { return memoryThreshold_; }
  void SetMemoryThreshold(int64_t bytes) { memoryThreshold_ = bytes; }
  // 0 ordered dither, 1 threshold.
  uint8_t ConvertTo1BitMethod() const { return convertTo1BitMethod_; }
  void SetConvertTo1BitMethod(uint8_t method) { convertTo1BitMethod_ = method; }
  int32_t PaletteUsed() const { return paletteUsed_; }
  void SetPaletteUsed(int32_t colours) { paletteUsed_ = colours; }
  double DisplayRangeMin() const { return displayRangeMin_; }
  double DisplayRangeMax() const { return displayRangeMax_; }
  void SetDisplayRange(double min, double max) {
    displayRangeMin_ = min;
    displayRangeMax_ = max;
  }
  int32_t RedOffset() const { return redOffset_; }
  int32_t GreenOffset() const { return greenOffset_; }
  int32_t BlueOffset() const { return blueOffset_; }
  // The fourth offset, stored with the other three but not used by the library itself.
  int32_t ExtraOffset() const { return extraOffset_; }
  void SetRedOffset(int32_t value) { redOffset_ = value; }
  void SetGreenOffset(int32_t value) { greenOffset_ = value; }
  void SetBlueOffset(int32_t value) { blueOffset_ = value; }
  void SetExtraOffset(int32_t value) { extraOffset_ = value; }
  bool ApplyAdjustments() const { return applyAdjustments_; }
  void SetApplyAdjustments(bool value) { applyAdjustments_ = value; }
  int32_t Contrast() const { return contrast_; }
  void SetContrast(int32_t value) { contrast_ = value; }
  // 0 heap, 1 global memory, 2 heap below 1 MiB and global memory above.
  uint8_t AllocatorKind() const { return allocatorKind_; }
  void SetAllocatorKind(uint8_t kind) { allocatorKind_ = kind; }
  int32_t SourceLayer() const { return sourceLayer_; }
  void SetSourceLayer(int32_t layer) { sourceLayer_ = layer; }
  bool ReversedRows() const { return reversedRows_; }
  bool VclBitmapExternal() const { return vclBitmapExternal_; }
  bool MemoryExternal() const { return memoryExternal_; }
  // Number of memory blocks of the blocked fallback (0: one block or another location).
  int32_t BlockCount() const { return static_cast<int32_t>(blocks_.size()); }
  TIEFileBuffer* FileBuffer() { return fileBuffer_.get(); }

 private:
  struct LockedRow {
    int32_t row;
    void* view;
    int32_t count;
  };

  bool AllocateImage();
  bool AllocateMemory(int64_t size);
  bool AllocateBlocks();
  bool AllocateFileStorage(int64_t size);
  bool AllocateVclBitmap(int64_t size);
  void FreeMemoryBlock();
  void FreeBlocks();
  void UnmapAllViews();
  void ResetDerivedFields();
  void SetFormatFields(TIEPixelFormat format);
  void BuildRowTable();
  void FreeRowTable();
  void EnsurePalette256();
  // Creates an owned platform bitmap when there is none.
  void EnsureVclBitmap();
  // The source's pixels and palette into the platform bitmap (converted when it cannot hold
  // the format) or into new memory or file storage; false when no storage could be had.
  bool CopyImageIntoVclBitmap(TIEBitmap* source);
  bool CopyImageIntoStorage(TIEBitmap* source, bool freeAlpha);
  bool EveryPixelByteIs(uint8_t value);
  // Copies rows (the smaller row length) from `source` into this bitmap.
  void CopyRowsFrom(TIEBitmap* source);
  // Whether the TBitmap's format has a TIEPixelFormat of the same row layout.
  static bool VclFormatSupported(vcl::TPixelFormat format);
  TIEPixelFormat MapVclFormat(vcl::TBitmap* bitmap);
  bool ConvertVclBitmap(TIEPixelFormat format);
  // Resizes this bitmap (and its alpha channel) keeping the first rows and columns.
  void ResizeStorage(int32_t width, int32_t height);
  void SetVclBitmapFormat(TIEPixelFormat format, int32_t width, int32_t height);
  uint8_t* PixelAddress(int32_t x, int32_t y, int32_t bytesPerPixel);
  // One conversion step of the table (source and target formats differ, no detour needed).
  void ConvertPixelsFrom(TIEBitmap* source);
  // This ie8p bitmap gets the palette of an ie24RGB source's colours and its indexes.
  void QuantizeFrom(TIEBitmap* source);
  friend class RawBitmapRecord;

  std::unique_ptr<TIEFileBuffer> fileBuffer_;
  void* currentRowView_ = nullptr;
  int32_t currentRow_ = -1;  // storage row of currentRowView_
  uint8_t currentAccess_ = 0;
  std::vector<TRGB> palette_;
  int32_t paletteLength_ = 0;
  std::unique_ptr<TIEBitmap> alphaChannel_;
  uint8_t* alignedMemory_ = nullptr;
  void* memoryBlock_ = nullptr;
  bool overwriting_ = false;  // AllocateToOverwrite is under way
  uint8_t memoryBlockKind_ = 0;
  vcl::TBitmap* vclBitmap_ = nullptr;
  std::vector<uint8_t*> rowTable_;
  std::vector<LockedRow> lockedRows_;
  bool reversedRows_ = false;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitCount_ = 0;
  int32_t channelCount_ = 0;
  int32_t rowLen_ = 0;
  TIEPixelFormat pixelFormat_ = ieNull;
  bool isAlphaChannel_ = false;
  TIELocation location_ = ieFile;
  bool full_ = false;
  bool vclBitmapExternal_ = false;
  bool memoryExternal_ = false;
  int64_t memoryThreshold_ = 0;
  uint8_t convertTo1BitMethod_ = 1;
  int32_t paletteUsed_ = 256;
  double displayRangeMin_ = 0;
  double displayRangeMax_ = 0;
  int32_t redOffset_ = 0;
  int32_t greenOffset_ = 0;
  int32_t blueOffset_ = 0;
  int32_t extraOffset_ = 0;
  bool applyAdjustments_ = false;
  int32_t contrast_ = 0;
  int32_t rowAlignment_ = 32;
  uint8_t allocatorKind_ = 2;
  bool reallocPending_ = true;
  int32_t sourceLayer_ = 0;
  int32_t rowsPerBlock_ = 0;
  std::vector<void*> blocks_;
};

}  // namespace imaging
