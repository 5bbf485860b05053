// The library bitmap's storage: allocation in its three locations, row addresses, the
// palette, the alpha channel and the platform bitmap behind the ieTBitmap location.
#include "imaging/model/ie_bitmap.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/heap_or_global.h"
#include "imaging/model/ie_bitmap_detail.h"
#include "imaging/base/startup.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/model/vcl_colour_table.h"
#include "imaging/model/routines/colour_routines.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

constexpr int32_t kBitsPerPixel[] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24, 32};
constexpr int32_t kChannelsPerPixel[] = {0, 1, 1, 1, 1, 3, 1, 4, 3, 3, 4};
constexpr int32_t kFormatCount = 11;

// Memory rows start on this boundary; the block is this much larger than the image.
constexpr uintptr_t kRowBoundary = 64;
constexpr int64_t kBlockSlack = 128;
// Blocks of the fallback below this size are only tried in the first round.
constexpr int64_t kSmallBlock = 10485760;

// How a memory block was obtained (and so how it is freed).
enum BlockKind : uint8_t { bkHeap, bkGlobal, bkHeapOrGlobal };

// The last large block a bitmap let go of, kept for the next bitmap that needs a block of the
// same kind and size (a picture of the same dimensions loaded again, a resample into a bitmap
// made for each call): the first write to each page of fresh memory costs more than decoding
// into memory already mapped. Only blocks of the default allocator are kept; a kept block is
// cleared before it serves again, as fresh global memory is.
class TKeptBlock {
 public:
  static constexpr int64_t kMinSize = int64_t{8} << 20;

  void* Take(uint8_t kind, int64_t size, bool clear) {
    if (size < kMinSize || IEBitmapBlockAllocator != IEDefaultBlockAllocator) return nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    if (!block_ || kind_ != kind || size_ != size) return nullptr;
    void* block = std::exchange(block_, nullptr);
    if (clear) std::memset(block, 0, static_cast<size_t>(size));
    live_.emplace(block, size);
    return block;
  }
  // Remembers the size of a large block just allocated.
  void Allocated(void* block, int64_t size) {
    if (!block || size < kMinSize) return;
    std::lock_guard<std::mutex> hold(lock_);
    live_.emplace(block, size);
  }
  // Keeps a large block of the default allocator; answers false for any other block (and for
  // a block given back while the allocator was replaced), which the caller frees. The block
  // kept before is handed back in `previous` for the caller to free.
  bool Keep(uint8_t kind, void* block, void*& previous, uint8_t& previousKind) {
    std::lock_guard<std::mutex> hold(lock_);
    const auto found = live_.find(block);
    if (found == live_.end()) return false;
    const int64_t size = found->second;
    live_.erase(found);
    if (IEBitmapBlockAllocator != IEDefaultBlockAllocator) return false;
    previous = std::exchange(block_, block);
    previousKind = kind_;
    kind_ = kind;
    size_ = size;
    return true;
  }

 private:
  std::mutex lock_;
  void* block_ = nullptr;
  uint8_t kind_ = 0;
  int64_t size_ = 0;
  std::unordered_map<void*, int64_t> live_;
};

TKeptBlock& KeptBlock() {
  static TKeptBlock* kept = new TKeptBlock;  // never destroyed: bitmaps may outlive statics
  return *kept;
}

void FreeBlockNow(uint8_t kind, void* block);

// `clearKept`: a kept block is cleared before it serves (fresh memory is zero already).
void* AllocateBlock(uint8_t kind, int64_t size, bool clearKept = true) {
  if (size <= 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max()) return nullptr;
  if (void* kept = KeptBlock().Take(kind, size, clearKept)) return kept;
  void* block = IEBitmapBlockAllocator(kind, size);
  if (IEBitmapBlockAllocator == IEDefaultBlockAllocator) KeptBlock().Allocated(block, size);
  return block;
}

void FreeBlock(uint8_t kind, void* block) {
  if (!block) return;
  void* previous = nullptr;
  uint8_t previousKind = 0;
  if (KeptBlock().Keep(kind, block, previous, previousKind)) {
    FreeBlockNow(previousKind, previous);
    return;
  }
  FreeBlockNow(kind, block);
}

void FreeBlockNow(uint8_t kind, void* block) {
  if (!block) return;
  switch (kind) {
    case bkHeap: std::free(block); break;
    case bkGlobal: {
      HGLOBAL handle = block;
      GlobalFreeAndNil(handle);
      break;
    }
    default: FreeHeapOrGlobal(block); break;
  }
}

const char* NotAllowedInVclBitmap(TIEPixelFormat format) {
  switch (format) {
    case ie32f:
      return "ie32f pixel format not allowed when Location=ieTBitmap Please set TImageView.LegacyBitmap=false.";
    case ieCMYK:
      return "ieCMYK pixel format not allowed when Location=ieTBitmap. Please set TImageView.LegacyBitmap=false.";
    case ieRGB48:
      return "ieRGB48 pixel format not allowed when Location=ieTBitmap Please set TImageView.LegacyBitmap=false.";
    case ieCIELab:
      return "ieCIELab pixel format not allowed when Location=ieTBitmap Please set TImageView.LegacyBitmap=false.";
    default: return nullptr;
  }
}

int64_t DefaultMemoryThreshold() {
  if (BitmapMemoryThreshold != -1) return BitmapMemoryThreshold;
  int64_t total = GetPhysicalMemorySize(false);
  if (total == 0) return 33554432;
  return static_cast<int64_t>(static_cast<double>(total) / 1.3);
}

}  // namespace

void* IEDefaultBlockAllocator(uint8_t kind, int64_t size) {
  switch (kind) {
    case bkHeap: return std::malloc(static_cast<size_t>(size));
    case bkGlobal: return GlobalAllocZeroed(static_cast<SIZE_T>(size));
    default: return AllocHeapOrGlobal(size);
  }
}

TIEBlockAllocator IEBitmapBlockAllocator = IEDefaultBlockAllocator;

int32_t IEBitsPerPixel(TIEPixelFormat format) {
  return format >= 0 && format < kFormatCount ? kBitsPerPixel[format] : 0;
}

int32_t IEChannelsPerPixel(TIEPixelFormat format) {
  return format >= 0 && format < kFormatCount ? kChannelsPerPixel[format] : 0;
}

int32_t IEBytesPerPixel(TIEPixelFormat format) { return IEBitsPerPixel(format) / 8; }

// ---- construction ----

TIEBitmap::TIEBitmap() : fileBuffer_(std::make_unique<TIEFileBuffer>()), memoryThreshold_(DefaultMemoryThreshold()) {}

TIEBitmap::TIEBitmap(int32_t width, int32_t height, TIEPixelFormat format) : TIEBitmap() {
  Allocate(width, height, format);
}

TIEBitmap::~TIEBitmap() {
  try {
    FreeImage(true);
  } catch (...) {
    // Writing back a row view of a temporary file that is about to vanish may fail; nothing
    // can be done about it here.
  }
}

std::unique_ptr<TIEBitmap> TIEBitmap::CreateAlphaChannel(int32_t width, int32_t height, TIELocation location) {
  auto alpha = std::make_unique<TIEBitmap>();
  alpha->isAlphaChannel_ = true;
  alpha->location_ = location == ieTBitmap ? ieMemory : location;
  alpha->Allocate(width, height, ie8g);
  alpha->Fill(255);
  return alpha;
}

// ---- geometry ----

int32_t TIEBitmap::GetBitCount() {
  SyncFromVclBitmap();
  return bitCount_;
}

int32_t TIEBitmap::GetHeight() {
  SyncFromVclBitmap();
  return height_;
}

int32_t TIEBitmap::GetWidth() {
  SyncFromVclBitmap();
  return width_;
}

TIEPixelFormat TIEBitmap::GetPixelFormat() {
  SyncFromVclBitmap();
  return pixelFormat_;
}

int32_t TIEBitmap::GetRowLen() {
  SyncFromVclBitmap();
  return rowLen_;
}

int32_t TIEBitmap::GetChannelCount() {
  SyncFromVclBitmap();
  return channelCount_;
}

bool TIEBitmap::IsEmpty() {
  SyncFromVclBitmap();
  return width_ == 0 || height_ == 0 || rowLen_ == 0 || bitCount_ == 0;
}

void TIEBitmap::SetFormatFields(TIEPixelFormat format) {
  pixelFormat_ = format;
  bitCount_ = IEBitsPerPixel(format);
  channelCount_ = IEChannelsPerPixel(format);
  // The platform bitmap's rows are always padded to 32 bits, whatever RowAlignment says.
  int32_t alignment = location_ == ieTBitmap ? 32 : rowAlignment_;
  int64_t rowLen = AlignedRowSize(width_, bitCount_, alignment);
  rowLen_ = rowLen > std::numeric_limits<int32_t>::max() ? 0 : static_cast<int32_t>(rowLen);
}

void TIEBitmap::ResetDerivedFields() {
  width_ = 0;
  height_ = 0;
  rowLen_ = 0;
  bitCount_ = 0;
  channelCount_ = 0;
}

// ---- allocation ----

bool TIEBitmap::Allocate(int32_t width, int32_t height, TIEPixelFormat format) {
  if (!reallocPending_ && width == width_ && height == height_ && format == pixelFormat_) return true;
  if (location_ == ieTBitmap && vclBitmapExternal_) {
    // The caller's platform bitmap stays and is re-formatted.
    alphaChannel_.reset();
    palette_.clear();
    paletteLength_ = 0;
    FreeRowTable();
  } else {
    FreeImage(true);
  }
  width_ = width;
  height_ = height;
  pixelFormat_ = format;
  bool ok = AllocateImage();
  if (!ok) ResetDerivedFields();
  reallocPending_ = false;
  return ok;
}

bool TIEBitmap::AllocateToOverwrite(int32_t width, int32_t height, TIEPixelFormat format) {
  overwriting_ = true;
  const bool ok = Allocate(width, height, format);
  overwriting_ = false;
  if (!ok || location_ != ieMemory || !alignedMemory_) return ok;
  // The caller writes the pixels only: what follows them in a row stays defined, from the
  // byte that holds the last pixel's bits with others (a decoder may keep those bits as found).
  const int64_t pixelBytes = int64_t(width_) * bitCount_ / 8;
  if (pixelBytes < rowLen_)
    for (int32_t y = 0; y < height_; ++y)
      std::memset(alignedMemory_ + int64_t(rowLen_) * y + pixelBytes, 0, size_t(rowLen_ - pixelBytes));
  return true;
}

bool TIEBitmap::AllocateImage() {
  if (width_ < 1 || height_ < 1 || pixelFormat_ <= ieNull || pixelFormat_ >= kFormatCount) return false;
  if (pixelFormat_ == ie8p) {
    palette_.assign(256, TRGB{0, 0, 0});
    paletteLength_ = 256;
  }
  SetFormatFields(pixelFormat_);
  if (rowLen_ == 0) return false;  // a row longer than 2 GiB
  int64_t size = static_cast<int64_t>(rowLen_) * height_;

  if (location_ == ieFile && memoryThreshold_ > size) location_ = ieMemory;
  if (location_ == ieMemory && memoryThreshold_ < size) location_ = ieFile;

  bool ok = false;
  switch (location_) {
    case ieFile:
      ok = AllocateFileStorage(size);
      if (ok) break;
      location_ = ieMemory;
      [[fallthrough]];
    case ieMemory:
      ok = AllocateMemory(size);
      break;
    case ieTBitmap:
      ok = AllocateVclBitmap(size);
      break;
  }
  if (!ok) {
    palette_.clear();
    paletteLength_ = 0;
    return false;
  }
  full_ = false;
  return true;
}

bool TIEBitmap::AllocateFileStorage(int64_t size) { return fileBuffer_->AllocateFile("IMG", true, size); }

bool TIEBitmap::AllocateMemory(int64_t size) {
  memoryBlock_ = AllocateBlock(allocatorKind_, size + kBlockSlack, !overwriting_);
  if (memoryBlock_) {
    memoryBlockKind_ = allocatorKind_;
    auto address = reinterpret_cast<uintptr_t>(memoryBlock_);
    alignedMemory_ = reinterpret_cast<uint8_t*>((address + kRowBoundary - 1) & ~(kRowBoundary - 1));
    return true;
  }
  if (AllocateBlocks()) return true;
  if (!BitmapFileFallback) return false;
  location_ = ieFile;
  return AllocateFileStorage(size);
}

bool TIEBitmap::AllocateBlocks() {
  if (!BitmapBlockRetry) return false;
  for (int32_t count = 4;;) {
    rowsPerBlock_ = (height_ + count - 1) / count;
    int64_t blockSize = static_cast<int64_t>(rowsPerBlock_) * rowLen_;
    if (blockSize < kSmallBlock && count > 4) break;
    blocks_.assign(count, nullptr);
    bool complete = true;
    for (int32_t i = 0; i < count && complete; ++i) {
      blocks_[i] = AllocateBlock(bkGlobal, blockSize);
      complete = blocks_[i] != nullptr;
    }
    if (complete) return true;
    FreeBlocks();
    count *= 2;
    if (count >= height_) break;
  }
  rowsPerBlock_ = 0;
  return false;
}

void TIEBitmap::FreeBlocks() {
  for (void* block : blocks_) FreeBlock(bkGlobal, block);
  blocks_.clear();
}

void TIEBitmap::FreeMemoryBlock() {
  if (!memoryExternal_) FreeBlock(memoryBlockKind_, memoryBlock_);
  memoryBlock_ = nullptr;
  alignedMemory_ = nullptr;
}

bool TIEBitmap::AllocateVclBitmap(int64_t size) {
  if (size > GetPhysicalMemorySize(false)) return false;
  bool created = !vclBitmap_;
  EnsureVclBitmap();
  try {
    SetVclBitmapFormat(pixelFormat_, width_, height_);
    return true;
  } catch (...) {
    // The four "not allowed" errors and any failure of the platform end here: the caller sees
    // the result only.
    FreeRowTable();
    if (created) {
      delete vclBitmap_;
      vclBitmap_ = nullptr;
    }
    return false;
  }
}

void TIEBitmap::SetVclBitmapFormat(TIEPixelFormat format, int32_t width, int32_t height) {
  vcl::TPixelFormat platformFormat;
  switch (format) {
    case ie1g: platformFormat = vcl::pf1bit; break;
    case ie8p:
    case ie8g: platformFormat = vcl::pf8bit; break;
    case ie16g:
      platformFormat = vcl::pf8bit;
      format = ie8g;
      break;
    case ie24RGB: platformFormat = vcl::pf24bit; break;
    case ie32RGB: platformFormat = vcl::pf32bit; break;
    default:
      if (const char* message = NotAllowedInVclBitmap(format)) throw vcl::EInvalidGraphicOperation(message);
      throw vcl::EInvalidGraphicOperation("Invalid pixel format");
  }
  vclBitmap_->SetSize(1, 1);
  vclBitmap_->SetPixelFormat(vcl::pfDevice);
  vclBitmap_->SetPixelFormat(platformFormat);
  vclBitmap_->SetSize(width, height);
  width_ = width;
  height_ = height;
  SetFormatFields(format);
  if (format == ie8g) {
    std::vector<TRGB> ramp = GreyRampPalette();
    WriteVclColourTable(vclBitmap_, ramp.data(), 256);
  }
  BuildRowTable();
}

void TIEBitmap::FreeImage(bool freeAlpha) {
  if (freeAlpha) alphaChannel_.reset();
  palette_.clear();
  paletteLength_ = 0;
  UnmapAllViews();
  fileBuffer_->Close();
  FreeMemoryBlock();
  if (vclBitmap_ && !vclBitmapExternal_) delete vclBitmap_;
  vclBitmap_ = nullptr;
  FreeRowTable();
  FreeBlocks();
  rowsPerBlock_ = 0;
  ResetDerivedFields();
  full_ = false;
  vclBitmapExternal_ = false;
  memoryExternal_ = false;
}

void TIEBitmap::UnmapAllViews() {
  if (currentRowView_) {
    void* view = currentRowView_;
    currentRowView_ = nullptr;
    currentRow_ = -1;
    fileBuffer_->Unmap(view);
  }
  while (!lockedRows_.empty()) {
    void* view = lockedRows_.back().view;
    lockedRows_.pop_back();
    fileBuffer_->Unmap(view);
  }
}

// ---- locations ----

void TIEBitmap::SetLocation(TIELocation location) {
  if (location == location_) return;
  reallocPending_ = true;
  TIEBitmap temp;
  MoveContentTo(&temp);
  TIELocation previous = location_;
  location_ = location;
  if (temp.width_ == 0 || temp.height_ == 0 || temp.pixelFormat_ == ieNull) return;
  if (!Allocate(temp.width_, temp.height_, temp.pixelFormat_)) {
    // The image cannot live there (a format the platform bitmap cannot hold, or no memory):
    // it stays where it was rather than being lost.
    location_ = previous;
    temp.MoveContentTo(this);
    location_ = previous;
    return;
  }
  // The platform bitmap holds ie16g as ie8g: the pixels are converted, not copied raw.
  if (pixelFormat_ != temp.pixelFormat_) temp.ConvertTo(pixelFormat_);
  CopyRowsFrom(&temp);
  if (!temp.palette_.empty()) {
    EnsurePalette256();
    int32_t count = std::min(paletteLength_, temp.paletteLength_);
    std::copy(temp.palette_.begin(), temp.palette_.begin() + count, palette_.begin());
  }
  SyncPaletteToVclBitmap();
  full_ = temp.full_;
  alphaChannel_ = std::move(temp.alphaChannel_);
  isAlphaChannel_ = temp.isAlphaChannel_;
}

void TIEBitmap::CopyRowsFrom(TIEBitmap* source) {
  int32_t count = std::min(GetRowLen(), source->GetRowLen());
  int32_t rows = std::min(GetHeight(), source->GetHeight());
  TIEAccessScope sourceAccess(source, ieaRead), ownAccess(this, ieaWrite);
  for (int32_t row = 0; row < rows; ++row) {
    // In the file location a view lives until the next GetScanline of its bitmap, so both
    // views stay valid across the copy of one row.
    void* target = GetScanline(row);
    std::memcpy(target, source->GetScanline(row), static_cast<size_t>(count));
  }
}

void TIEBitmap::MoveContentTo(TIEBitmap* destination) {
  if (destination == this || !destination) return;
  destination->FreeImage(true);
  destination->fileBuffer_ = std::move(fileBuffer_);
  destination->lockedRows_ = std::move(lockedRows_);
  destination->width_ = width_;
  destination->height_ = height_;
  destination->bitCount_ = bitCount_;
  destination->channelCount_ = channelCount_;
  destination->rowLen_ = rowLen_;
  destination->pixelFormat_ = pixelFormat_;
  destination->palette_ = std::move(palette_);
  destination->paletteLength_ = paletteLength_;
  destination->alphaChannel_ = std::move(alphaChannel_);
  destination->isAlphaChannel_ = isAlphaChannel_;
  destination->currentRowView_ = currentRowView_;
  destination->currentRow_ = currentRow_;
  destination->currentAccess_ = currentAccess_;
  destination->alignedMemory_ = alignedMemory_;
  destination->memoryBlock_ = memoryBlock_;
  destination->memoryBlockKind_ = memoryBlockKind_;
  destination->blocks_ = std::move(blocks_);
  destination->rowsPerBlock_ = rowsPerBlock_;
  destination->vclBitmap_ = vclBitmap_;
  destination->rowTable_ = std::move(rowTable_);
  destination->location_ = location_;
  // The storage's row order goes with the storage.
  destination->reversedRows_ = reversedRows_;
  destination->full_ = full_;
  destination->vclBitmapExternal_ = vclBitmapExternal_;
  destination->memoryExternal_ = memoryExternal_;
  destination->convertTo1BitMethod_ = convertTo1BitMethod_;
  destination->rowAlignment_ = rowAlignment_;
  destination->allocatorKind_ = allocatorKind_;

  fileBuffer_ = std::make_unique<TIEFileBuffer>();
  lockedRows_.clear();
  palette_.clear();
  blocks_.clear();
  rowTable_.clear();
  paletteLength_ = 0;
  currentRowView_ = nullptr;
  currentRow_ = -1;
  alignedMemory_ = nullptr;
  memoryBlock_ = nullptr;
  rowsPerBlock_ = 0;
  vclBitmap_ = nullptr;
  ResetDerivedFields();
  pixelFormat_ = ieNull;
  full_ = false;
  vclBitmapExternal_ = false;
  memoryExternal_ = false;
  reallocPending_ = true;
}

bool TIEBitmap::VclFormatSupported(vcl::TPixelFormat format) {
  return format == vcl::pf1bit || format == vcl::pf8bit || format == vcl::pf24bit || format == vcl::pf32bit;
}

TIEPixelFormat TIEBitmap::MapVclFormat(vcl::TBitmap* bitmap) {
  switch (bitmap->PixelFormat()) {
    case vcl::pf1bit: return ie1g;
    case vcl::pf8bit:
      if (isAlphaChannel_ || IsGreyRampPalette(ReadVclColourTable(bitmap))) return ie8g;
      return ie8p;
    case vcl::pf32bit: return ie32RGB;
    default: return ie24RGB;
  }
}

void TIEBitmap::AttachVclBitmap(vcl::TBitmap* bitmap, bool freeFirst) {
  if (freeFirst) FreeImage(true);
  if (!bitmap) return;
  // Rows of 4, 15 or 16 bits (or of a device bitmap) have no library format: the bitmap is
  // brought to 24 bits, so that the reported format always matches its rows.
  if (!VclFormatSupported(bitmap->PixelFormat())) bitmap->SetPixelFormat(vcl::pf24bit);
  TIEPixelFormat format = MapVclFormat(bitmap);
  if (bitmap == vclBitmap_ && location_ == ieTBitmap && bitmap->Width() == width_ && bitmap->Height() == height_ &&
      format == pixelFormat_)
    return;
  if (vclBitmap_ && vclBitmap_ != bitmap && !vclBitmapExternal_) delete vclBitmap_;
  if (location_ != ieTBitmap) {
    // Storage of the other locations is not used any more.
    UnmapAllViews();
    fileBuffer_->Close();
    FreeMemoryBlock();
    FreeBlocks();
  }
  vclBitmap_ = bitmap;
  location_ = ieTBitmap;
  vclBitmapExternal_ = true;
  memoryExternal_ = false;
  width_ = bitmap->Width();
  height_ = bitmap->Height();
  SetFormatFields(format);
  palette_.clear();
  paletteLength_ = 0;
  if (format == ie8p) {
    EnsurePalette256();
    std::vector<TRGB> table = ReadVclColourTable(bitmap);
    std::copy(table.begin(), table.end(), palette_.begin());
    paletteLength_ = 256;
  }
  BuildRowTable();
}

void TIEBitmap::AttachMemory(void* data, int32_t width, int32_t height, TIEPixelFormat format, bool freeFirst,
                             bool reversedRows) {
  if (freeFirst) FreeImage(true);
  if (!data) return;
  if (width < 1 || height < 1 || format <= ieNull || format >= kFormatCount)
    throw vcl::EInvalidArgument("Invalid bitmap geometry");
  if (vclBitmap_ && !vclBitmapExternal_) delete vclBitmap_;
  vclBitmap_ = nullptr;
  vclBitmapExternal_ = false;
  FreeRowTable();
  UnmapAllViews();
  fileBuffer_->Close();
  FreeMemoryBlock();
  FreeBlocks();
  location_ = ieMemory;
  width_ = width;
  height_ = height;
  SetFormatFields(format);
  memoryExternal_ = true;
  alignedMemory_ = static_cast<uint8_t*>(data);
  memoryBlock_ = data;
  reversedRows_ = reversedRows;
  if (format == ie8p && palette_.empty()) {
    palette_.assign(256, TRGB{0, 0, 0});
    paletteLength_ = 256;
  }
}

// ---- rows ----

void* TIEBitmap::GetScanline(int32_t row) {
  if (reversedRows_) row = height_ - 1 - row;
  switch (location_) {
    case ieMemory:
      if (!blocks_.empty())
        return static_cast<uint8_t*>(blocks_[row / rowsPerBlock_]) +
               static_cast<int64_t>(row % rowsPerBlock_) * rowLen_;
      return alignedMemory_ + static_cast<int64_t>(rowLen_) * (height_ - 1 - row);
    case ieFile: {
      // A locked row has one view, shared with GetScanline, so that no stale copy is written
      // back over the other's changes.
      for (const LockedRow& locked : lockedRows_)
        if (locked.row == row) return locked.view;
      if (currentRowView_ && currentRow_ == row && currentAccess_ == access_) return currentRowView_;
      if (currentRowView_) {
        void* view = currentRowView_;
        currentRowView_ = nullptr;
        currentRow_ = -1;
        fileBuffer_->Unmap(view);
      }
      currentRowView_ = fileBuffer_->Map(access_, static_cast<int64_t>(row) * rowLen_, rowLen_);
      currentRow_ = row;
      currentAccess_ = access_;
      return currentRowView_;
    }
    case ieTBitmap:
      return rowTable_[row];
  }
  return nullptr;
}

void* TIEBitmap::LockScanline(int32_t row) {
  if (location_ != ieFile) return GetScanline(row);
  int32_t storageRow = reversedRows_ ? height_ - 1 - row : row;
  for (LockedRow& locked : lockedRows_)
    if (locked.row == storageRow) {
      ++locked.count;
      return locked.view;
    }
  if (currentRowView_) {
    void* view = currentRowView_;
    currentRowView_ = nullptr;
    currentRow_ = -1;
    fileBuffer_->Unmap(view);
  }
  void* view = fileBuffer_->Map(access_, static_cast<int64_t>(storageRow) * rowLen_, rowLen_);
  lockedRows_.push_back(LockedRow{storageRow, view, 1});
  return view;
}

void TIEBitmap::UnlockScanline(int32_t row) {
  if (location_ != ieFile) return;
  int32_t storageRow = reversedRows_ ? height_ - 1 - row : row;
  for (size_t i = 0; i < lockedRows_.size(); ++i) {
    if (lockedRows_[i].row != storageRow) continue;
    if (--lockedRows_[i].count > 0) return;
    void* view = lockedRows_[i].view;
    lockedRows_.erase(lockedRows_.begin() + static_cast<ptrdiff_t>(i));
    fileBuffer_->Unmap(view);
    return;
  }
}

// ---- palette ----

void TIEBitmap::EnsurePalette256() {
  if (palette_.size() < 256) palette_.resize(256, TRGB{0, 0, 0});
}

TRGB* TIEBitmap::GetPalette() { return palette_.empty() ? nullptr : palette_.data(); }

int32_t TIEBitmap::GetPaletteLen() { return paletteLength_; }

TRGB TIEBitmap::GetPaletteColor(int32_t index) {
  if (index < 0 || index >= paletteLength_) return TRGB{0, 0, 0};
  return palette_[index];
}

void TIEBitmap::SetPaletteColor(int32_t index, const TRGB& colour) {
  if (index < 0 || index >= paletteLength_) return;
  palette_[index] = colour;
  SyncPaletteToVclBitmap();
}

void TIEBitmap::CopyPaletteTo(vcl::TObject* destination) {
  auto* target = dynamic_cast<TIEBitmap*>(destination);
  if (!target || target == this) return;
  target->palette_.clear();
  target->paletteLength_ = 0;
  target->paletteUsed_ = 256;
  if (paletteLength_ > 0) {
    target->palette_ = palette_;
    target->EnsurePalette256();
    target->paletteLength_ = paletteLength_;
    target->paletteUsed_ = paletteUsed_;
    target->SyncPaletteToVclBitmap();
  }
}

void TIEBitmap::SyncPaletteToVclBitmap() {
  if (location_ != ieTBitmap || !vclBitmap_ || paletteLength_ < 1) return;
  if (vclBitmap_->PixelFormat() != vcl::pf8bit && vclBitmap_->PixelFormat() != vcl::pf1bit) return;
  WriteVclColourTable(vclBitmap_, palette_.data(), std::min(paletteLength_, 256));
  // The DIB may have been re-created.
  BuildRowTable();
}

// ---- alpha channel ----

TIEBitmap* TIEBitmap::GetAlphaChannel() {
  if (isAlphaChannel_) return alphaChannel_.get();
  if (!alphaChannel_) {
    int32_t width = GetWidth(), height = GetHeight();
    alphaChannel_ = CreateAlphaChannel(width, height, location_);
  }
  return alphaChannel_.get();
}

void TIEBitmap::AttachAlphaChannel(std::unique_ptr<TIEBitmap> bitmap) {
  if (bitmap) bitmap->isAlphaChannel_ = true;
  alphaChannel_ = std::move(bitmap);
}

void TIEBitmap::RemoveAlphaChannel(bool merge, vcl::TColor background) {
  if (isAlphaChannel_ || !alphaChannel_) return;
  TIEPixelFormat format = GetPixelFormat();
  if (merge && (format == ie24RGB || format == ie32RGB) && alphaChannel_->GetPixelFormat() == ie8g) {
    TRGB colour;
    ColorToRGBTriple(background, colour);
    const int32_t back[3] = {colour.b, colour.g, colour.r};
    int32_t step = format == ie24RGB ? 3 : 4;
    int32_t width = std::min(width_, alphaChannel_->GetWidth());
    int32_t height = std::min(height_, alphaChannel_->GetHeight());
    for (int32_t y = 0; y < height; ++y) {
      auto* pixel = static_cast<uint8_t*>(LockScanline(y));
      const auto* alpha = static_cast<const uint8_t*>(alphaChannel_->GetScanline(y));
      for (int32_t x = 0; x < width; ++x, pixel += step) {
        int32_t a = alpha[x];
        // Divided by 255 and rounded, so that an opaque pixel keeps its colour exactly.
        for (int c = 0; c < 3; ++c)
          pixel[c] = static_cast<uint8_t>(back[c] + std::lround((pixel[c] - back[c]) * a / 255.0));
      }
      UnlockScanline(y);
    }
  }
  alphaChannel_.reset();
}

// ---- the platform bitmap ----

vcl::TBitmap* TIEBitmap::GetVclBitmap() {
  SetLocation(ieTBitmap);
  if (location_ != ieTBitmap) {
    const char* message = NotAllowedInVclBitmap(pixelFormat_);
    throw vcl::EInvalidGraphicOperation(message ? message : "Out of system resources");
  }
  EnsureVclBitmap();  // an empty image still has a platform bitmap to draw on
  UpdateCanvasTransform();
  return vclBitmap_;
}

vcl::TCanvas* TIEBitmap::GetCanvas() { return GetVclBitmap()->Canvas(); }

void TIEBitmap::UpdateCanvasTransform() {
  if (!vclBitmap_) return;
  HDC dc = vclBitmap_->Canvas()->Handle();
  if (reversedRows_) {
    SetGraphicsMode(dc, GM_ADVANCED);
    XFORM transform{1, 0, 0, -1, 0, static_cast<FLOAT>(height_ - 1)};
    SetWorldTransform(dc, &transform);
  } else if (GetGraphicsMode(dc) == GM_ADVANCED) {
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  }
}

void TIEBitmap::SyncFromVclBitmap() {
  if (location_ != ieTBitmap || !vclBitmap_) return;
  if (!VclFormatSupported(vclBitmap_->PixelFormat())) vclBitmap_->SetPixelFormat(vcl::pf24bit);
  TIEPixelFormat format = MapVclFormat(vclBitmap_);
  int32_t width = vclBitmap_->Width(), height = vclBitmap_->Height();
  if (width != width_ || height != height_ || format != pixelFormat_) {
    width_ = width;
    height_ = height;
    SetFormatFields(format);
    if (alphaChannel_ && (alphaChannel_->GetWidth() != width || alphaChannel_->GetHeight() != height)) {
      alphaChannel_->Allocate(width, height, ie8g);
      alphaChannel_->Fill(255);
    }
    BuildRowTable();
  } else if (height_ > 0 && (rowTable_.empty() || vclBitmap_->ScanLine(0) != rowTable_[0])) {
    BuildRowTable();
  }
  if (pixelFormat_ == ie8p) {
    EnsurePalette256();
    std::vector<TRGB> table = ReadVclColourTable(vclBitmap_);
    std::copy(table.begin(), table.end(), palette_.begin());
    paletteLength_ = 256;
  }
}

void TIEBitmap::BuildRowTable() {
  FreeRowTable();
  if (!vclBitmap_) return;
  int32_t height = vclBitmap_->Height();
  if (vclBitmap_->Width() == 0) height = 0;
  rowTable_.resize(static_cast<size_t>(height));
  for (int32_t row = 0; row < height; ++row) rowTable_[row] = static_cast<uint8_t*>(vclBitmap_->ScanLine(row));
}

void TIEBitmap::FreeRowTable() { rowTable_.clear(); }

}  // namespace imaging
