// The frames around the codecs: a load reads into a scratch bitmap that replaces the target only
// when the reader succeeded; a save writes a converted copy where the format needs one, and by
// name into a temporary file that replaces the target only when complete. Then the TIFF and
// JPEG members, the registry path of the other formats, and the resolution steps.
#include <cstring>
#include <memory>
#include <utility>

#include "imaging/base/buffered_read_stream.h"
#include "imaging/base/wide_file.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/exif_buffer.h"
#include "imaging/codecs/tiff/tiff_reader.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/io/registry_codecs.h"
#include "imaging/io/safe_file_save.h"
#include "imaging/io/stream_header.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/metadata/xmp_packet.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/routines/nearest_stretch.h"
#include "imaging/model/routines/resample.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr uint8_t kMarkerAPP1 = 0xE1;
constexpr uint8_t kMarkerAPP13 = 0xED;

// Runs the body, then reports finish-work also when the body raised. Whatever raised, the call
// has failed: the finish-work report already sees the aborting flag, for every format alike.
template <class Body>
void WithFinishWork(TImageIO& io, Body body) {
  try {
    body();
  } catch (...) {
    io.SetAborting(true);
    io.DoFinishWork();
    throw;
  }
  io.DoFinishWork();
}

// Counts a running load for as long as it lives.
class TLoadScope {
 public:
  explicit TLoadScope(std::atomic<int32_t>& count) : count_(count) { ++count_; }
  ~TLoadScope() { --count_; }
  TLoadScope(const TLoadScope&) = delete;
  TLoadScope& operator=(const TLoadScope&) = delete;

 private:
  std::atomic<int32_t>& count_;
};

// Whether a format's writer takes the bitmap in its own pixel format; the others get a 24-bit
// copy (1-bit images stay 1-bit, and the pixmap writer keeps 48-bit colour and 16-bit grey
// images, which it writes with 16-bit samples).
bool WriterTakesPixelFormat(int32_t fileType, TIEPixelFormat format) {
  switch (fileType) {
    case 1: case 2: case 5: case 8: case 19: case 24: case 29: return true;
    case 12: return format == ie24RGB || format == ie1g || format == ieRGB48 || format == ie16g;
    default: return format == ie24RGB || format == ie1g;
  }
}

// The bitmap as the writer of the format takes it: the bitmap itself, or a converted copy in
// `copy` (the user's image is never converted in place).
TIEBitmap* BitmapForWriter(TIEBitmap* source, int32_t fileType, std::unique_ptr<TIEBitmap>& copy) {
  if (WriterTakesPixelFormat(fileType, source->PixelFormat())) return source;
  copy = std::make_unique<TIEBitmap>();
  if (!copy->Allocate(source->Width(), source->Height(), ie24RGB)) throw vcl::EOutOfMemory("Out of memory");
  copy->CopyAndConvertFormat(source);
  if (source->HasAlphaChannel()) {
    auto alpha = std::make_unique<TIEBitmap>();
    alpha->Assign(source->AlphaChannel());
    copy->AttachAlphaChannel(std::move(alpha));
  }
  return copy.get();
}

}  // namespace

// ---- the frames ----

void TImageIO::RunLoad(vcl::TStream* stream, int32_t fileType, const std::u16string* name, const TReader& read) {
  WithFinishWork(*this, [&] {
    SetAborting(false);
    if (!CheckBitmap()) return;
    TLoadScope loading(loadsRunning_);
    // What a failed load gives back.
    TIOParamsVals saved(nullptr);
    saved.Assign(*params_);
    params_->ResetInfo();
    auto scratch = std::make_unique<TIEBitmap>();
    scratch->SetMemoryThreshold(ieBitmap_->MemoryThreshold());
    scratch->SetConvertTo1BitMethod(ieBitmap_->ConvertTo1BitMethod());
    TCodecProgress progress = MakeProgress(true);
    readIntoView_ = false;
    try {
      read(stream, scratch.get(), progress);
    } catch (...) {
      params_->Assign(saved);
      throw;
    }
    // A reader that produced nothing has not loaded anything either.
    if (!Aborting() && !readIntoView_ && scratch->IsEmpty()) SetAborting(true);
    if (Aborting()) {
      params_->Assign(saved);
      return;
    }
    // Medical and headerless data keep the resolution they have, however odd.
    const bool keepsResolution = fileType == 28 || fileType == 21;
    if (!keepsResolution) {
      FixMissingDPI();
      if (autoAdjustDPI_) AdjustDPIOf(scratch.get());
    }
    TIEBitmap* target = ieBitmap_;
    if (readIntoView_) {
      // The view holds what was read; its bitmap is the target already.
    } else if (target->Location() == ieTBitmap || target->MemoryExternal()) {
      // The pixels stay in the platform bitmap or memory the target shows.
      target->RemoveAlphaChannel(false, 0);
      target->Assign(scratch.get());
    } else {
      scratch->MoveContentTo(target);
    }
    params_->FileName = name ? *name : std::u16string();
    params_->FileType = fileType;
    if (!keepsResolution) UpdateViewDPI(params_->DpiX, params_->DpiY);
    UpdateAttached();
  });
}

void TImageIO::RunLoadByName(const std::u16string& name, int32_t fileType, bool buffered, const TReader& read) {
  std::unique_ptr<TIEWideFileStream> file;
  try {
    SetAborting(true);
    file = std::make_unique<TIEWideFileStream>(name, vcl::fmOpenRead | vcl::fmShareDenyWrite);
  } catch (...) {
    DoFinishWork();
    throw;
  }
  if (!buffered) {
    RunLoad(file.get(), fileType, &name, read);
    return;
  }
  TIEBufferedReadStream stream(file.get(), true, kReaderReadAhead);
  RunLoad(&stream, fileType, &name, read);
}

void TImageIO::RunSave(vcl::TStream* stream, int32_t fileType, const TWriter& write) {
  WithFinishWork(*this, [&] {
    SetAborting(false);
    if (!CheckBitmap()) return;
    // An empty image is no picture of any format.
    if (ieBitmap_->IsEmpty()) {
      SetAborting(true);
      return;
    }
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* bitmap = BitmapForWriter(ieBitmap_, fileType, copy);
    TCodecProgress progress = MakeProgress(true);
    write(stream, bitmap, progress);
  });
}

std::unique_ptr<vcl::TStream> TImageIO::CreateSaveStream(const std::u16string& tempName) {
  return std::make_unique<TIEWideFileStream>(tempName, ieFileCreate);
}

void TImageIO::RunSaveByName(const std::u16string& name, int32_t fileType, const TWriter& write) {
  WithFinishWork(*this, [&] {
    SetAborting(true);
    if (!CheckBitmap() || ieBitmap_->IsEmpty()) return;
    TSafeFileSave target(name);
    {
      std::unique_ptr<vcl::TStream> stream = CreateSaveStream(target.TempName());
      std::unique_ptr<TIEBitmap> copy;
      TIEBitmap* bitmap = BitmapForWriter(ieBitmap_, fileType, copy);
      SetAborting(false);
      TCodecProgress progress = MakeProgress(true);
      write(stream.get(), bitmap, progress);
    }
    // The temporary file goes with `target` when the writer failed.
    if (Aborting()) return;
    target.Commit();
    params_->FileName = name;
    params_->FileType = fileType;
  });
}

// ---- TIFF ----

int32_t TImageIO::LoadTIFFFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadTIFFFromStream(stream); })) return -1;
  int32_t pages = 0;
  RunLoad(stream, 1, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    int64_t dataSize = 0;
    const bool headed = streamHeaders_;
    if (headed && ReadStreamHeader(source, "TIFF", dataSize) != TStreamHeader::Found) {
      progress.Abort();
      return;
    }
    const int64_t dataStart = source->Position();
    {
      // Offsets count from the TIFF header, wherever the data starts in the stream.
      TIEBufferedReadStream buffered(source, IEBufferedReadKeepOrigin, kReaderReadAhead);
      TReaderMask mask;
      ReadTIFFStream(bitmap, &buffered, pages, *params_, progress, false, mask.Slot(), true, false, false);
      if (!progress.IsAborting()) mask.MoveInto(bitmap);
    }
    if (headed) source->SetPosition(dataStart + dataSize);
  });
  return pages;
}

int32_t TImageIO::LoadTIFFFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadTIFFFromFile(name); })) return -1;
  int32_t pages = 0;
  RunLoadByName(name, 1, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    TIEBufferedReadStream buffered(source, IEBufferedReadKeepOrigin, kReaderReadAhead);
    TReaderMask mask;
    ReadTIFFStream(bitmap, &buffered, pages, *params_, progress, false, mask.Slot(), true, false, false);
    if (!progress.IsAborting()) mask.MoveInto(bitmap);
  });
  return pages;
}

void TImageIO::SaveTIFFToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveTIFFToStream(stream); })) return;
  RunSave(stream, 1, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    TStreamHeaderWriter header(target, "TIFF", streamHeaders_);
    WriteTIFFStream(target, false, bitmap, *params_, progress);
    header.Finish(!progress.IsAborting());
  });
}

void TImageIO::SaveTIFFToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveTIFFToFile(name); })) return;
  RunSaveByName(name, 1, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    WriteTIFFStream(target, false, bitmap, *params_, progress);
  });
}

// ---- JPEG ----

namespace {

void ReadJPEGImage(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  ReadJPEGStream(stream, nullptr, bitmap, params, progress, false, false, true, false, true, true, -1,
                 params.KeepNativePixelFormat);
}

// Rewrites the resolution of a Photoshop ResolutionInfo resource (0x03ED) inside an APP13
// marker: "8BIM", the 16-bit identifier, a Pascal name padded to an even length, a 32-bit size
// and the data. Only a resource that lies wholly inside the marker is touched.
void RewritePhotoshopResolution(uint8_t* data, int32_t length, int32_t dpiX, int32_t dpiY) {
  static const char kSignature[] = "Photoshop 3.0";
  int64_t pos = 0;
  if (length >= 14 && std::memcmp(data, kSignature, 14) == 0) pos = 14;
  auto be16 = [&](int64_t at) { return (uint32_t(data[at]) << 8) | data[at + 1]; };
  auto be32 = [&](int64_t at) { return (be16(at) << 16) | be16(at + 2); };
  while (pos + 12 <= length) {
    if (std::memcmp(data + pos, "8BIM", 4) != 0) return;
    const uint32_t id = be16(pos + 4);
    const int64_t nameLength = data[pos + 6];
    int64_t sizeAt = pos + 6 + ((1 + nameLength + 1) & ~int64_t(1));
    if (sizeAt + 4 > length) return;
    const int64_t size = be32(sizeAt);
    const int64_t dataAt = sizeAt + 4;
    if (size > length - dataAt) return;
    if (id == 0x03ED && size >= 16) {
      auto put16 = [&](int64_t at, uint32_t v) {
        data[at] = static_cast<uint8_t>(v >> 8);
        data[at + 1] = static_cast<uint8_t>(v);
      };
      auto put32 = [&](int64_t at, uint32_t v) {
        put16(at, v >> 16);
        put16(at + 2, v & 0xFFFF);
      };
      put32(dataAt, static_cast<uint32_t>(dpiX) << 16);  // 16.16 fixed point
      put16(dataAt + 4, 1);                               // pixels per inch
      put16(dataAt + 6, 1);                               // width in inches
      put32(dataAt + 8, static_cast<uint32_t>(dpiY) << 16);
      put16(dataAt + 12, 1);
      put16(dataAt + 14, 1);
      return;
    }
    pos = dataAt + ((size + 1) & ~int64_t(1));
  }
}

}  // namespace

// The markers a JPEG carries are refreshed from the parameter block before each save: the
// resolution inside a Photoshop block, the IPTC records, the EXIF block and the XMP packet.
void TImageIO::RefreshJPEGMarkers() {
  TIOParamsVals& p = *params_;
  TIEMarkerList& markers = p.JPEGMarkerList;
  int32_t app13 = markers.IndexOfType(kMarkerAPP13);
  if (app13 >= 0)
    RewritePhotoshopResolution(markers.GetMarkerData(app13), markers.GetMarkerLength(app13), p.DpiX, p.DpiY);

  if (p.IPTCInfoList.UserChanged || (p.IPTCInfoList.GetCount() > 0 && markers.GetCount() == 0)) {
    std::vector<uint8_t> iptc = p.IPTCInfoList.SaveToBuffer(true);
    if (iptc.empty()) {
      if (app13 >= 0) markers.DeleteMarker(app13);
    } else if (iptc.size() <= 65533) {
      if (app13 >= 0)
        markers.SetMarker(app13, kMarkerAPP13, static_cast<uint16_t>(iptc.size()), iptc.data());
      else
        markers.AddMarker(kMarkerAPP13, iptc.data(), static_cast<uint16_t>(iptc.size()));
    }
  }

  if (p.EXIFPresent) {
    std::vector<uint8_t> exif;
    SaveExifToBuffer(p, exif, true);
    for (int32_t i = 0; i < markers.GetCount(); ++i)
      if (markers.GetMarkerType(i) == kMarkerAPP1 && IsExifBlock(markers.GetMarkerData(i), markers.GetMarkerLength(i))) {
        markers.DeleteMarker(i);
        break;
      }
    // A block that cannot fit in one segment is left out rather than cut.
    if (!exif.empty() && exif.size() <= 65533)
      markers.AddMarker(kMarkerAPP1, exif.data(), static_cast<uint16_t>(exif.size()));
  }

  for (int32_t i = 0; i < markers.GetCount(); ++i)
    if (markers.GetMarkerType(i) == kMarkerAPP1 && FindXMPPacket(markers.GetMarkerData(i), markers.GetMarkerLength(i))) {
      markers.DeleteMarker(i);
      break;
    }
  if (!p.XMPPacket.empty()) {
    std::vector<uint8_t> xmp = SaveXMPToBuffer(p.XMPPacket);
    if (xmp.size() <= 65533) markers.AddMarker(kMarkerAPP1, xmp.data(), static_cast<uint16_t>(xmp.size()));
  }
}

void TImageIO::LoadJPEGFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadJPEGFromStream(stream); })) return;
  RunLoad(stream, 3, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    // A headed image is recognised whatever StreamHeaders says.
    int64_t dataSize = 0;
    const TStreamHeader header = ReadStreamHeader(source, "JFIF", dataSize);
    if (header == TStreamHeader::Damaged) {
      progress.Abort();
      return;
    }
    const bool headed = header == TStreamHeader::Found;
    const int64_t dataStart = source->Position();
    ReadJPEGImage(source, bitmap, *params_, progress);
    if (headed) source->SetPosition(dataStart + dataSize);
  });
}

void TImageIO::LoadJPEGFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadJPEGFromFile(name); })) return;
  RunLoadByName(name, 3, true, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadJPEGImage(source, bitmap, *params_, progress);
  });
}

void TImageIO::SaveJPEGToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveJPEGToStream(stream); })) return;
  RunSave(stream, 3, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    RefreshJPEGMarkers();
    TStreamHeaderWriter header(target, "JFIF", streamHeaders_);
    WriteJPEGStream(target, bitmap, *params_, progress);
    header.Finish(!progress.IsAborting());
  });
}

void TImageIO::SaveJPEGToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveJPEGToFile(name); })) return;
  RunSaveByName(name, 3, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    RefreshJPEGMarkers();
    WriteJPEGStream(target, bitmap, *params_, progress);
  });
}

// ---- formats whose codecs register in the registry ----

void TImageIO::LoadRegistryFormatFromStream(vcl::TStream* stream, int32_t fileType) {
  if (HandToWorker([this, stream, fileType] { LoadRegistryFormatFromStream(stream, fileType); })) return;
  TIEReadFunction reader = RegistryReader(fileType);
  if (!reader) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  RunLoad(stream, fileType, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { reader(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::LoadRegistryFormatFromFile(const std::u16string& name, int32_t fileType) {
  if (HandToWorker([this, name, fileType] { LoadRegistryFormatFromFile(name, fileType); })) return;
  TIEReadFunction reader = RegistryReader(fileType);
  if (!reader) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  RunLoadByName(name, fileType, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { reader(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::SaveRegistryFormatToStream(vcl::TStream* stream, int32_t fileType) {
  if (HandToWorker([this, stream, fileType] { SaveRegistryFormatToStream(stream, fileType); })) return;
  TIEWriteFunction writer = RegistryWriter(fileType);
  if (!writer) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  RunSave(stream, fileType, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { writer(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SaveRegistryFormatToFile(const std::u16string& name, int32_t fileType) {
  if (HandToWorker([this, name, fileType] { SaveRegistryFormatToFile(name, fileType); })) return;
  TIEWriteFunction writer = RegistryWriter(fileType);
  if (!writer) {
    // Nothing to write with: no file is created, an existing one stays.
    SetAborting(true);
    DoFinishWork();
    return;
  }
  RunSaveByName(name, fileType, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { writer(target, bitmap, *params_, progress); });
  });
}

// ---- resolution ----

void TImageIO::FixMissingDPI() {
  if (params_->DpiX < 2) params_->SetDpiX(IEDefaultDpiX);
  if (params_->DpiY < 2) params_->SetDpiY(IEDefaultDpiY);
}

void TImageIO::AdjustDPI() {
  if (CheckBitmap()) AdjustDPIOf(ieBitmap_);
}

void TImageIO::AdjustDPIOf(TIEBitmap* bitmap) {
  TIOParamsVals& p = *params_;
  const int32_t dpiX = p.DpiX, dpiY = p.DpiY;
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  if (dpiX == dpiY || dpiX <= 0 || dpiY <= 0 || width <= 0 || height <= 0) return;
  // Resolutions are taken from files: a ratio far beyond any real device's (fax modes differ
  // by about 2) would ask for an absurd bitmap, so it is left alone.
  constexpr int32_t kLargestRatio = 16;
  constexpr int64_t kLargestSide = 65535;
  if (dpiX > int64_t(dpiY) * kLargestRatio || dpiY > int64_t(dpiX) * kLargestRatio) return;
  int32_t newWidth = width, newHeight = height;
  if (height < width)
    newHeight = static_cast<int32_t>(static_cast<double>(height) / dpiY * dpiX);
  else
    newWidth = static_cast<int32_t>(static_cast<double>(width) / dpiX * dpiY);
  if (newWidth <= 0 || newHeight <= 0 || newWidth > kLargestSide || newHeight > kLargestSide) return;

  std::unique_ptr<TIEBitmap> alpha;
  if (bitmap->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    alpha->Assign(bitmap->AlphaChannel());
  }
  auto resized = std::make_unique<TIEBitmap>();
  if (filteredAdjustDPI_) {
    if (!resized->Allocate(newWidth, newHeight, ie24RGB)) return;
    if (bitmap->PixelFormat() != ie24RGB) bitmap->ConvertTo(ie24RGB);
    ResampleBitmap(bitmap, resized.get(), rfFastLinear, {}, nullptr);
  } else {
    if (!resized->Allocate(newWidth, newHeight, bitmap->PixelFormat())) return;
    ResampleNearest(bitmap, resized.get(), nullptr, {});
  }
  resized->MoveContentTo(bitmap);
  if (alpha) {
    auto newAlpha = TIEBitmap::CreateAlphaChannel(newWidth, newHeight, ieMemory);
    ResampleNearest(alpha.get(), newAlpha.get(), nullptr, {});
    newAlpha->SetIsAlphaChannel(true);
    bitmap->AttachAlphaChannel(std::move(newAlpha));
  }
  if (height < width) {
    p.SetDpiY(dpiX);
    p.Height = newHeight;
  } else {
    p.SetDpiX(dpiY);
    p.Width = newWidth;
  }
}

}  // namespace imaging
