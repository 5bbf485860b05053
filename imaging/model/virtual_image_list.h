// TIEVirtualImageList: many images (a thumbnail grid's thumbnails and cached full images) kept
// in one temporary file, each in a contiguous block, with only the most recently used blocks in
// memory. Callers hold an image handle per image; they read its size, format and raw rows
// directly, or borrow a complete TIEBitmap built from the block and give it back, optionally
// writing their changes back into the block.
//
// Block of one image (rows bottom-up, each padded to 32 bits):
//   the pixel rows, the bottom row first;
//   ie8p only: the palette, 256 entries of blue, green, red;
//   with alpha: one byte, nonzero when the alpha channel is entirely opaque, then the alpha
//   rows (8 bits), the bottom row first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/temp_block_store.h"
#include "vcl/runtime/system.h"

namespace imaging {

// One image of the list: the handle callers hold.
struct TIEVirtualImage {
  int64_t position = 0;       // of the block in the store
  int64_t size = 0;           // of the block
  uint8_t* address = nullptr; // the block while it is in memory
  bool locked = false;        // a bitmap borrowed from it is outstanding
  int32_t origWidth = 0;      // the size the owner gives the image (the original's, for a thumbnail)
  int32_t origHeight = 0;
  bool hasAlpha = false;
  uint8_t access = 0;         // of the current mapping: 1 read, 2 write, 3 both
  int32_t width = 0;          // as stored
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  TIEPixelFormat pixelFormat = ieNull;
};

class TIEVirtualImageList : public vcl::TObject {
  VCL_CLASS(TIEVirtualImageList, vcl::TObject)

  // name: the prefix of the temporary file; useFile false keeps the blocks in a memory stream.
  TIEVirtualImageList(const std::string& name, bool useFile);
  ~TIEVirtualImageList() override;

  // Stores a copy of the bitmap (a TIEBitmap's alpha channel included). Nil when no storage
  // can be had for it.
  TIEVirtualImage* AddImage(TIEBaseBitmap* bitmap);
  // Frees the image and its block. A bitmap still borrowed from it stays valid until it is
  // released (its changes then go nowhere).
  void DeleteImage(TIEVirtualImage* image);

  // A bitmap made from the image, kept in one block of memory; borrowing the same image again
  // returns the same bitmap. Nil for an unknown image or when the block cannot be read.
  TIEBitmap* AcquireBitmap(TIEVirtualImage* image);
  // Gives a borrowed bitmap back, storing its pixels into the image first with writeBack (a
  // changed size or format gets the image a new block). The last release frees the bitmap.
  // Bitmaps the list did not lend are ignored.
  void ReleaseBitmap(TIEBitmap* bitmap, bool writeBack);
  // ReleaseBitmap of the image's borrowed bitmap, when it has one.
  void ReleaseImage(TIEVirtualImage* image, bool writeBack);
  // Index of the image's borrow record, -1 when none.
  int32_t FindLockedIndex(TIEVirtualImage* image) const;

  // From the borrowed bitmap while one is out, else as stored.
  int32_t GetImageWidth(TIEVirtualImage* image);
  int32_t GetImageHeight(TIEVirtualImage* image);
  TIEPixelFormat GetImagePixelFormat(TIEVirtualImage* image);
  int32_t GetImageOrigWidth(TIEVirtualImage* image) const;
  int32_t GetImageOrigHeight(TIEVirtualImage* image) const;
  void SetImageOrigWidth(TIEVirtualImage* image, int32_t width);
  void SetImageOrigHeight(TIEVirtualImage* image, int32_t height);

  // Direct access without building a bitmap. The addresses stay valid until the next call of
  // the list; writing through them changes nothing stored. While a bitmap is borrowed they
  // point into it. Nil when there is nothing to point at.
  // The rows, the bottom row first.
  void* GetImageBits(TIEVirtualImage* image);
  // The 256 palette entries of an ie8p image.
  void* GetImagePalette(TIEVirtualImage* image);
  // The alpha rows, the bottom row first; nil for an image without alpha or whose alpha was
  // entirely opaque.
  void* GetImageAlpha(TIEVirtualImage* image);

  // ---- the store ----
  int32_t ImageCount() const { return static_cast<int32_t>(images_.size()); }
  // Nil outside 0 .. ImageCount - 1.
  TIEVirtualImage* Image(int32_t index) const {
    return index >= 0 && index < ImageCount() ? images_[index].get() : nullptr;
  }
  int64_t FileSize() const { return fileSize_; }
  // The first byte after the last block taken from the end of the store.
  int64_t End() const { return end_; }
  // Bytes by which the store grows; widened for images larger than it.
  int64_t GrowthStep() const { return growthStep_; }
  // Blocks kept in memory (one more may be mapped at a time).
  int32_t CacheSize() const { return cacheSize_; }
  void SetCacheSize(int32_t blocks) { cacheSize_ = std::max(blocks, 0); }
  int32_t MappedCount() const { return static_cast<int32_t>(mapped_.size()); }
  int32_t FreeBlockCount() const { return static_cast<int32_t>(freeBlocks_.size()); }
  TIEFileBuffer* FileBuffer() { return fileBuffer_.get(); }
  const std::string& Name() const { return name_; }

  // Bytes of the block of an image of that geometry.
  static int64_t BlockSize(int32_t width, int32_t height, int32_t bitsPerPixel, TIEPixelFormat format, bool hasAlpha);

 private:
  struct FreeBlock {
    int64_t position;
    int64_t size;
  };
  struct Lock {
    TIEVirtualImage* image;  // nil once the image was deleted
    std::unique_ptr<TIEBitmap> bitmap;
    int32_t useCount;
  };

  bool Known(TIEVirtualImage* image) const { return image && known_.count(image) != 0; }
  // Reserves a block for the image's stored geometry and maps it for writing.
  bool AllocateImage(TIEVirtualImage* image, int32_t width, int32_t height, int32_t bitsPerPixel,
                     TIEPixelFormat format, bool hasAlpha);
  // Puts a block on the free list, in position order.
  void ReleaseBlock(int64_t position, int64_t size);
  void MergeFreeBlocks();
  // Maps the image's block with the access (remapping when the access differs), keeping at
  // most CacheSize blocks mapped before it. Nil when it cannot be mapped.
  uint8_t* EnsureMapped(TIEVirtualImage* image, uint8_t access);
  void UnmapImage(TIEVirtualImage* image);
  void UnmapAllImages();
  // Brings the store to FileSize. False when no store can be had.
  bool ResizeFile();
  void ClearAll();
  int32_t LockIndexOfBitmap(const TIEBitmap* bitmap) const;
  void LoadToBitmap(TIEVirtualImage* image, TIEBitmap* bitmap);
  void StoreFromBitmap(TIEVirtualImage* image, TIEBitmap* bitmap);
  // Writes the bitmap's rows, palette and alpha into the image's mapped block.
  void WriteBlock(TIEVirtualImage* image, uint8_t* block, TIEBaseBitmap* bitmap, TIEBitmap* alpha);

  std::unique_ptr<TIEFileBuffer> fileBuffer_;
  bool useFile_;
  int64_t fileSize_ = 0;
  std::vector<std::unique_ptr<TIEVirtualImage>> images_;
  std::unordered_set<TIEVirtualImage*> known_;
  std::vector<TIEVirtualImage*> mapped_;  // least recently used first
  std::vector<FreeBlock> freeBlocks_;     // by position
  int64_t end_ = 0;
  int64_t growthStep_ = 262144;
  int32_t cacheSize_ = 10;
  std::vector<Lock> locks_;
  int64_t lastAllocation_ = 0;
  std::string name_;
};

}  // namespace imaging
