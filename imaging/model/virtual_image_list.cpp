#include "imaging/model/virtual_image_list.h"

#include <cstring>
#include <exception>
#include <limits>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/routines/access_scope.h"

namespace imaging {

namespace {

constexpr int64_t kPaletteBytes = 256 * 3;

// An image that holds no block.
void MakeEmpty(TIEVirtualImage* image) {
  image->position = image->size = 0;
  image->width = image->height = image->bitsPerPixel = 0;
  image->pixelFormat = ieNull;
  image->hasAlpha = false;
}

int64_t RowSize(int32_t width, int32_t bitsPerPixel) { return AlignedRowSize(width, bitsPerPixel, 32); }

// A borrowed bitmap whose rows lie bottom-up in one block, so that its bottom row's address is
// the start of all of them.
bool RowsAreOneBlock(TIEBitmap* bitmap) {
  return bitmap->Location() == ieMemory && bitmap->BlockCount() == 0 && !bitmap->ReversedRows() &&
         bitmap->GetHeight() > 0;
}

}  // namespace

int64_t TIEVirtualImageList::BlockSize(int32_t width, int32_t height, int32_t bitsPerPixel, TIEPixelFormat format,
                                       bool hasAlpha) {
  int64_t size = int64_t(height) * RowSize(width, bitsPerPixel);
  if (format == ie8p) size += kPaletteBytes;
  if (hasAlpha) size += 1 + int64_t(height) * RowSize(width, 8);
  return size;
}

TIEVirtualImageList::TIEVirtualImageList(const std::string& name, bool useFile)
    : fileBuffer_(std::make_unique<TIEFileBuffer>()), useFile_(useFile), name_(name) {
  fileSize_ = growthStep_;
  ResizeFile();
}

TIEVirtualImageList::~TIEVirtualImageList() {
  try {
    ClearAll();
  } catch (...) {
    // Writing back a block of a store that is going away may fail; nothing is left to care.
  }
}

// ---- the store ----

bool TIEVirtualImageList::ResizeFile() {
  if (fileBuffer_->IsAllocated()) {
    UnmapAllImages();
    fileBuffer_->SetSize(fileSize_);
    return true;
  }
  // Images already stored are never dropped here: without a store (the temporary folder
  // unusable, say) the blocks go to a memory stream instead.
  if (fileBuffer_->AllocateFile(name_, useFile_, fileSize_)) return true;
  return useFile_ && fileBuffer_->AllocateFile(name_, false, fileSize_);
}

void TIEVirtualImageList::UnmapImage(TIEVirtualImage* image) {
  if (!image->address) return;
  void* address = image->address;
  image->address = nullptr;
  mapped_.erase(std::remove(mapped_.begin(), mapped_.end(), image), mapped_.end());
  fileBuffer_->Unmap(address);
}

void TIEVirtualImageList::UnmapAllImages() {
  while (!mapped_.empty()) UnmapImage(mapped_.back());
}

uint8_t* TIEVirtualImageList::EnsureMapped(TIEVirtualImage* image, uint8_t access) {
  if (image->address && image->access != access) UnmapImage(image);
  if (!image->address) {
    while (static_cast<int32_t>(mapped_.size()) > cacheSize_) UnmapImage(mapped_.front());
    auto* address = static_cast<uint8_t*>(fileBuffer_->Map(access, image->position, image->size));
    if (address) {
      image->address = address;
      mapped_.push_back(image);
    }
  } else {
    // The most recently used goes last.
    mapped_.erase(std::remove(mapped_.begin(), mapped_.end(), image), mapped_.end());
    mapped_.push_back(image);
  }
  image->access = access;
  return image->address;
}

void TIEVirtualImageList::ReleaseBlock(int64_t position, int64_t size) {
  if (size <= 0) return;
  // Kept in position order, so that neighbours meet whatever order they were freed in.
  auto at = std::lower_bound(freeBlocks_.begin(), freeBlocks_.end(), position,
                             [](const FreeBlock& block, int64_t p) { return block.position < p; });
  freeBlocks_.insert(at, FreeBlock{position, size});
}

void TIEVirtualImageList::MergeFreeBlocks() {
  for (size_t i = 0; i + 1 < freeBlocks_.size();) {
    if (freeBlocks_[i].position + freeBlocks_[i].size == freeBlocks_[i + 1].position) {
      freeBlocks_[i].size += freeBlocks_[i + 1].size;
      freeBlocks_.erase(freeBlocks_.begin() + static_cast<ptrdiff_t>(i + 1));
    } else {
      ++i;
    }
  }
}

bool TIEVirtualImageList::AllocateImage(TIEVirtualImage* image, int32_t width, int32_t height,
                                        int32_t bitsPerPixel, TIEPixelFormat format, bool hasAlpha) {
  const int64_t size = BlockSize(width, height, bitsPerPixel, format, hasAlpha);
  MergeFreeBlocks();
  int64_t position = -1;
  bool fromEnd = false;
  for (size_t i = 0; i < freeBlocks_.size(); ++i) {
    FreeBlock& block = freeBlocks_[i];
    if (block.size < size) continue;
    position = block.position;
    if (block.size == size) {
      freeBlocks_.erase(freeBlocks_.begin() + static_cast<ptrdiff_t>(i));
    } else {
      block.position += size;
      block.size -= size;
    }
    break;
  }
  if (position < 0) {
    // From the end of the store, which grows in steps that widen for large images.
    if (growthStep_ < size) growthStep_ = lastAllocation_ + size;
    lastAllocation_ = size;
    position = end_;
    fromEnd = true;
    if (end_ + size > fileSize_) {
      fileSize_ += growthStep_;
      if (!ResizeFile()) {
        fileSize_ -= growthStep_;
        MakeEmpty(image);
        return false;
      }
    }
  }
  image->position = position;
  image->size = size;
  image->address = nullptr;
  image->width = width;
  image->height = height;
  image->hasAlpha = hasAlpha;
  image->bitsPerPixel = bitsPerPixel;
  image->pixelFormat = format;
  image->access = ieaWrite;
  // A block that cannot be mapped goes back where it came from, and the image holds none.
  auto undo = [&] {
    if (!fromEnd) ReleaseBlock(position, size);
    MakeEmpty(image);
  };
  uint8_t* address = nullptr;
  try {
    address = EnsureMapped(image, ieaWrite);
  } catch (...) {
    undo();
    throw;
  }
  if (!address) {
    undo();
    return false;
  }
  if (fromEnd) end_ += size;
  return true;
}

void TIEVirtualImageList::ClearAll() {
  locks_.clear();
  mapped_.clear();
  known_.clear();
  images_.clear();
  freeBlocks_.clear();
  end_ = 0;
  fileBuffer_->Close();
}

// ---- images ----

TIEVirtualImage* TIEVirtualImageList::AddImage(TIEBaseBitmap* bitmap) {
  if (!bitmap) return nullptr;
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
  const TIEPixelFormat format = bitmap->GetPixelFormat();
  if (width < 1 || height < 1 || format == ieNull) return nullptr;
  auto* library = dynamic_cast<TIEBitmap*>(bitmap);
  TIEBitmap* alpha = library && library->HasAlphaChannel() ? library->GetAlphaChannel() : nullptr;

  images_.push_back(std::make_unique<TIEVirtualImage>());
  TIEVirtualImage* image = images_.back().get();
  known_.insert(image);
  image->origWidth = width;
  image->origHeight = height;
  try {
    if (!AllocateImage(image, width, height, bitmap->GetBitCount(), format, alpha != nullptr)) {
      DeleteImage(image);
      return nullptr;
    }
    WriteBlock(image, image->address, bitmap, alpha);
  } catch (...) {
    DeleteImage(image);
    throw;
  }
  return image;
}

void TIEVirtualImageList::DeleteImage(TIEVirtualImage* image) {
  if (!Known(image)) return;
  std::exception_ptr failure;
  try {
    UnmapImage(image);
  } catch (...) {
    failure = std::current_exception();
  }
  // A bitmap still borrowed from the image stays with its borrower until released.
  for (Lock& lock : locks_)
    if (lock.image == image) lock.image = nullptr;
  ReleaseBlock(image->position, image->size);
  known_.erase(image);
  images_.erase(std::find_if(images_.begin(), images_.end(), [image](const auto& p) { return p.get() == image; }));
  if (images_.empty()) {
    freeBlocks_.clear();
    fileSize_ = growthStep_;
    end_ = 0;
    ResizeFile();
  }
  if (failure) std::rethrow_exception(failure);
}

TIEBitmap* TIEVirtualImageList::AcquireBitmap(TIEVirtualImage* image) {
  if (!Known(image) || !EnsureMapped(image, ieaRead)) return nullptr;
  int32_t index = FindLockedIndex(image);
  if (index < 0) {
    auto bitmap = std::make_unique<TIEBitmap>();
    // In memory, so that its rows lie in one block like the stored ones.
    bitmap->SetMemoryThreshold(std::numeric_limits<int64_t>::max());
    bitmap->SetLocation(ieMemory);
    LoadToBitmap(image, bitmap.get());
    locks_.push_back(Lock{image, std::move(bitmap), 1});
    index = static_cast<int32_t>(locks_.size()) - 1;
  } else {
    ++locks_[index].useCount;
  }
  image->locked = true;
  return locks_[index].bitmap.get();
}

int32_t TIEVirtualImageList::LockIndexOfBitmap(const TIEBitmap* bitmap) const {
  for (size_t i = 0; i < locks_.size(); ++i)
    if (locks_[i].bitmap.get() == bitmap) return static_cast<int32_t>(i);
  return -1;
}

int32_t TIEVirtualImageList::FindLockedIndex(TIEVirtualImage* image) const {
  if (!image) return -1;
  for (size_t i = 0; i < locks_.size(); ++i)
    if (locks_[i].image == image) return static_cast<int32_t>(i);
  return -1;
}

void TIEVirtualImageList::ReleaseBitmap(TIEBitmap* bitmap, bool writeBack) {
  if (!bitmap) return;
  const int32_t index = LockIndexOfBitmap(bitmap);
  if (index < 0) return;
  if (bitmap->Location() == ieTBitmap) bitmap->SyncFromVclBitmap();
  Lock& lock = locks_[index];
  --lock.useCount;
  if (writeBack && lock.image) StoreFromBitmap(lock.image, bitmap);
  if (lock.useCount > 0) return;
  if (lock.image) lock.image->locked = false;
  locks_.erase(locks_.begin() + index);
}

void TIEVirtualImageList::ReleaseImage(TIEVirtualImage* image, bool writeBack) {
  const int32_t index = FindLockedIndex(image);
  if (index >= 0) ReleaseBitmap(locks_[index].bitmap.get(), writeBack);
}

// ---- blocks and bitmaps ----

void TIEVirtualImageList::WriteBlock(TIEVirtualImage* image, uint8_t* block, TIEBaseBitmap* bitmap,
                                     TIEBitmap* alpha) {
  if (!block) return;
  const int32_t width = image->width, height = image->height;
  const int64_t rowSize = RowSize(width, image->bitsPerPixel);
  TIEAccessScope access(bitmap, ieaRead);
  const auto rowBytes = static_cast<size_t>(std::min<int64_t>(rowSize, bitmap->GetRowLen()));
  for (int32_t r = 0; r < height; ++r) {
    uint8_t* target = block + r * rowSize;
    std::memcpy(target, bitmap->GetScanline(height - 1 - r), rowBytes);
    std::memset(target + rowBytes, 0, static_cast<size_t>(rowSize) - rowBytes);
  }
  int64_t offset = height * rowSize;
  if (image->pixelFormat == ie8p) {
    std::memset(block + offset, 0, kPaletteBytes);
    if (const TRGB* palette = bitmap->GetPalette())
      std::memcpy(block + offset, palette, size_t(std::clamp(bitmap->GetPaletteLen(), 0, 256)) * 3);
    offset += kPaletteBytes;
  }
  if (!image->hasAlpha) return;
  block[offset++] = alpha && alpha->Full() ? 1 : 0;
  const int64_t alphaRowSize = RowSize(width, 8);
  std::memset(block + offset, 255, static_cast<size_t>(height * alphaRowSize));
  if (!alpha) return;
  TIEAccessScope alphaAccess(alpha, ieaRead);
  const auto alphaBytes = static_cast<size_t>(std::min<int64_t>(alphaRowSize, alpha->GetRowLen()));
  const int32_t alphaRows = std::min(height, alpha->GetHeight());
  for (int32_t r = 0; r < alphaRows; ++r)
    std::memcpy(block + offset + r * alphaRowSize, alpha->GetScanline(alphaRows - 1 - r), alphaBytes);
}

void TIEVirtualImageList::LoadToBitmap(TIEVirtualImage* image, TIEBitmap* bitmap) {
  const uint8_t* block = EnsureMapped(image, ieaRead);
  if (!block) return;
  const int32_t width = image->width, height = image->height;
  if (bitmap->GetPixelFormat() != image->pixelFormat || bitmap->GetWidth() != width ||
      bitmap->GetHeight() != height) {
    if (!bitmap->Allocate(width, height, image->pixelFormat)) return;
  }
  const int64_t rowSize = RowSize(width, image->bitsPerPixel);
  TIEAccessScope access(bitmap, ieaRead | ieaWrite);
  const auto rowBytes = static_cast<size_t>(std::min<int64_t>(rowSize, bitmap->GetRowLen()));
  for (int32_t r = 0; r < height; ++r) std::memcpy(bitmap->GetScanline(height - 1 - r), block + r * rowSize, rowBytes);
  int64_t offset = height * rowSize;
  if (image->pixelFormat == ie8p) {
    if (TRGB* palette = bitmap->GetPalette())
      std::memcpy(palette, block + offset, size_t(std::clamp(bitmap->GetPaletteLen(), 0, 256)) * 3);
    bitmap->SyncPaletteToVclBitmap();
    offset += kPaletteBytes;
  }
  if (!image->hasAlpha || block[offset] != 0) {
    bitmap->RemoveAlphaChannel(false, 0);
    return;
  }
  ++offset;
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  if (alpha->GetWidth() != width || alpha->GetHeight() != height || alpha->GetPixelFormat() != ie8g)
    alpha->Allocate(width, height, ie8g);
  alpha->SetFull(false);
  const int64_t alphaRowSize = RowSize(width, 8);
  TIEAccessScope alphaAccess(alpha, ieaRead | ieaWrite);
  const auto alphaBytes = static_cast<size_t>(std::min<int64_t>(alphaRowSize, alpha->GetRowLen()));
  for (int32_t r = 0; r < height; ++r)
    std::memcpy(alpha->GetScanline(height - 1 - r), block + offset + r * alphaRowSize, alphaBytes);
}

void TIEVirtualImageList::StoreFromBitmap(TIEVirtualImage* image, TIEBitmap* bitmap) {
  TIEBitmap* alpha = bitmap->HasAlphaChannel() ? bitmap->GetAlphaChannel() : nullptr;
  const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight(), bits = bitmap->GetBitCount();
  const TIEPixelFormat format = bitmap->GetPixelFormat();
  // Any change of geometry, format or alpha needs a block of the new layout; the old block is
  // given back for reuse.
  if (width != image->width || height != image->height || bits != image->bitsPerPixel ||
      format != image->pixelFormat || (alpha != nullptr) != image->hasAlpha) {
    UnmapImage(image);
    ReleaseBlock(image->position, image->size);
    // Without a store left for it the image becomes empty rather than pointing at freed space.
    if (!AllocateImage(image, width, height, bits, format, alpha != nullptr)) return;
  }
  WriteBlock(image, EnsureMapped(image, ieaRead | ieaWrite), bitmap, alpha);
}

// ---- getters ----

int32_t TIEVirtualImageList::GetImageWidth(TIEVirtualImage* image) {
  if (!Known(image)) return 0;
  const int32_t index = FindLockedIndex(image);
  return index >= 0 ? locks_[index].bitmap->GetWidth() : image->width;
}

int32_t TIEVirtualImageList::GetImageHeight(TIEVirtualImage* image) {
  if (!Known(image)) return 0;
  const int32_t index = FindLockedIndex(image);
  return index >= 0 ? locks_[index].bitmap->GetHeight() : image->height;
}

TIEPixelFormat TIEVirtualImageList::GetImagePixelFormat(TIEVirtualImage* image) {
  if (!Known(image)) return ieNull;
  const int32_t index = FindLockedIndex(image);
  return index >= 0 ? locks_[index].bitmap->GetPixelFormat() : image->pixelFormat;
}

int32_t TIEVirtualImageList::GetImageOrigWidth(TIEVirtualImage* image) const {
  return Known(image) ? image->origWidth : 0;
}

int32_t TIEVirtualImageList::GetImageOrigHeight(TIEVirtualImage* image) const {
  return Known(image) ? image->origHeight : 0;
}

void TIEVirtualImageList::SetImageOrigWidth(TIEVirtualImage* image, int32_t width) {
  if (Known(image)) image->origWidth = width;
}

void TIEVirtualImageList::SetImageOrigHeight(TIEVirtualImage* image, int32_t height) {
  if (Known(image)) image->origHeight = height;
}

void* TIEVirtualImageList::GetImageBits(TIEVirtualImage* image) {
  if (!Known(image)) return nullptr;
  if (image->locked) {
    const int32_t index = FindLockedIndex(image);
    if (index < 0) return nullptr;
    TIEBitmap* bitmap = locks_[index].bitmap.get();
    return RowsAreOneBlock(bitmap) ? bitmap->GetScanline(bitmap->GetHeight() - 1) : nullptr;
  }
  return EnsureMapped(image, ieaRead);
}

void* TIEVirtualImageList::GetImagePalette(TIEVirtualImage* image) {
  if (!Known(image)) return nullptr;
  if (image->locked) {
    const int32_t index = FindLockedIndex(image);
    return index >= 0 ? locks_[index].bitmap->GetPalette() : nullptr;
  }
  // Only a palette image has one after its rows.
  if (image->pixelFormat != ie8p) return nullptr;
  uint8_t* block = EnsureMapped(image, ieaRead);
  return block ? block + int64_t(image->height) * RowSize(image->width, image->bitsPerPixel) : nullptr;
}

void* TIEVirtualImageList::GetImageAlpha(TIEVirtualImage* image) {
  if (!Known(image) || !image->hasAlpha) return nullptr;
  if (image->locked) {
    const int32_t index = FindLockedIndex(image);
    if (index < 0) return nullptr;
    TIEBitmap* bitmap = locks_[index].bitmap.get();
    if (!bitmap->HasAlphaChannel()) return nullptr;
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    return RowsAreOneBlock(alpha) ? alpha->GetScanline(alpha->GetHeight() - 1) : nullptr;
  }
  uint8_t* block = EnsureMapped(image, ieaRead);
  if (!block) return nullptr;
  int64_t offset = int64_t(image->height) * RowSize(image->width, image->bitsPerPixel);
  if (image->pixelFormat == ie8p) offset += kPaletteBytes;
  return block[offset] == 0 ? block + offset + 1 : nullptr;
}

}  // namespace imaging
