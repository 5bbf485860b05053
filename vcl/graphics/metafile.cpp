#include "vcl/graphics/metafile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/graphics/metafile_records.h"
#include "vcl/runtime/streams.h"

namespace vcl {

namespace {

using le::I32;
using le::Put16;
using le::U16;
using le::U32;

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr size_t kMetaHeaderSize = 18;
constexpr size_t kEnhHeaderMinSize = 88;
constexpr uint32_t kEnhSignature = 0x464D4520;  // " EMF"
constexpr int kHundredthMMPerInch = 2540;

[[noreturn]] void InvalidMetafile() { throw EInvalidGraphic("Metafile is not valid"); }


// Reads `count` more bytes onto the end of `data`, or raises the metafile error.
void ReadMore(TStream* stream, std::vector<uint8_t>& data, size_t count) {
  size_t have = data.size();
  data.resize(have + count);
  if (count && stream->Read(data.data() + have, int32_t(count)) != int32_t(count)) InvalidMetafile();
}

}  // namespace

TMetafile::~TMetafile() {
  if (handle_) DeleteEnhMetaFile(handle_);
}

void TMetafile::Install(HENHMETAFILE metafile, int width, int height, int inch, bool enhanced) {
  if (handle_ && handle_ != metafile) DeleteEnhMetaFile(handle_);
  handle_ = metafile;
  width_ = width;
  height_ = height;
  inch_ = inch;
  enhanced_ = enhanced;
  Changed(this);
}

void TMetafile::Clear() { Install(nullptr, 0, 0, 0, enhanced_); }

void TMetafile::SetHandle(HENHMETAFILE metafile) {
  ENHMETAHEADER header{};
  if (metafile && !GetEnhMetaFileHeader(metafile, sizeof header, &header)) InvalidMetafile();
  Install(metafile, header.rclFrame.right - header.rclFrame.left, header.rclFrame.bottom - header.rclFrame.top, 0,
          enhanced_);
}

HENHMETAFILE TMetafile::ReleaseHandle() {
  HENHMETAFILE metafile = handle_;
  handle_ = nullptr;
  Clear();
  return metafile;
}

void TMetafile::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TMetafile*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  HENHMETAFILE copy = other->handle_ ? CopyEnhMetaFileA(other->handle_, nullptr) : nullptr;
  Install(copy, other->width_, other->height_, other->inch_, other->enhanced_);
}

// ---- size --------------------------------------------------------------------------------------

int TMetafile::Width() const {
  return MulDiv(width_, ScreenPixelsPerInch(), inch_ ? inch_ : kHundredthMMPerInch);
}

int TMetafile::Height() const {
  return MulDiv(height_, ScreenPixelsPerInch(), inch_ ? inch_ : kHundredthMMPerInch);
}

void TMetafile::SetWidth(int width) {
  width_ = MulDiv(width, inch_ ? inch_ : kHundredthMMPerInch, ScreenPixelsPerInch());
  Changed(this);
}

void TMetafile::SetHeight(int height) {
  height_ = MulDiv(height, inch_ ? inch_ : kHundredthMMPerInch, ScreenPixelsPerInch());
  Changed(this);
}

int TMetafile::MMWidth() const { return inch_ ? MulDiv(width_, kHundredthMMPerInch, inch_) : width_; }
int TMetafile::MMHeight() const { return inch_ ? MulDiv(height_, kHundredthMMPerInch, inch_) : height_; }

void TMetafile::SetMMWidth(int value) {
  width_ = inch_ ? MulDiv(value, inch_, kHundredthMMPerInch) : value;
  Changed(this);
}

void TMetafile::SetMMHeight(int value) {
  height_ = inch_ ? MulDiv(value, inch_, kHundredthMMPerInch) : value;
  Changed(this);
}

void TMetafile::SetInch(int value) {
  if (value < 0 || value == inch_) return;
  inch_ = value;
  Changed(this);
}

std::string TMetafile::CreatedBy() const {
  if (!handle_) return {};
  std::vector<char> text(GetEnhMetaFileDescriptionA(handle_, 0, nullptr) + 1, '\0');
  if (text.size() < 2) return {};
  GetEnhMetaFileDescriptionA(handle_, UINT(text.size()), text.data());
  return std::string(text.data());
}

std::string TMetafile::Description() const {
  if (!handle_) return {};
  std::vector<char> text(GetEnhMetaFileDescriptionA(handle_, 0, nullptr) + 1, '\0');
  if (text.size() < 2) return {};
  GetEnhMetaFileDescriptionA(handle_, UINT(text.size()), text.data());
  size_t first = std::strlen(text.data());
  return first + 1 < text.size() ? std::string(text.data() + first + 1) : std::string();
}

// ---- streams -----------------------------------------------------------------------------------

void TMetafile::LoadFromStream(TStream* stream) {
  const int64_t start = stream->Position();
  uint8_t key[4];
  if (stream->Read(key, 4) != 4) InvalidMetafile();
  stream->SetPosition(start);
  if (U32(key) == kPlaceableKey) LoadPlaceable(stream);
  else LoadEnhanced(stream);
}

void TMetafile::LoadEnhanced(TStream* stream) {
  const int64_t available = stream->Size() - stream->Position();
  std::vector<uint8_t> data;
  ReadMore(stream, data, kEnhHeaderMinSize);
  uint32_t headerSize = U32(&data[4]), bytes = U32(&data[48]);
  if (U32(&data[0]) != EMR_HEADER || headerSize < kEnhHeaderMinSize || U32(&data[40]) != kEnhSignature ||
      bytes < headerSize || bytes > available)
    InvalidMetafile();
  ReadMore(stream, data, bytes - kEnhHeaderMinSize);
  if (!metafile_records::EnhancedRecordsValid(data)) InvalidMetafile();
  HENHMETAFILE metafile = SetEnhMetaFileBits(bytes, data.data());
  if (!metafile) InvalidMetafile();
  // The frame is in hundredths of a millimetre.
  Install(metafile, I32(&data[32]) - I32(&data[24]), I32(&data[36]) - I32(&data[28]), 0, true);
}

void TMetafile::LoadPlaceable(TStream* stream) {
  const int64_t available = stream->Size() - stream->Position();
  std::vector<uint8_t> header;
  ReadMore(stream, header, kPlaceableHeaderSize);
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= U16(&header[i]);
  const int left = int16_t(U16(&header[6])), top = int16_t(U16(&header[8]));
  const int right = int16_t(U16(&header[10])), bottom = int16_t(U16(&header[12]));
  const int inch = U16(&header[14]);
  if (checksum != U16(&header[20]) || inch == 0 || right <= left || bottom <= top) InvalidMetafile();

  std::vector<uint8_t> data;
  ReadMore(stream, data, kMetaHeaderSize);
  uint64_t bytes = uint64_t(U32(&data[6])) * 2;
  if (U16(&data[2]) != 9 || bytes < kMetaHeaderSize || bytes > uint64_t(available) - kPlaceableHeaderSize)
    InvalidMetafile();
  ReadMore(stream, data, size_t(bytes) - kMetaHeaderSize);
  if (!metafile_records::WindowsRecordsValid(data, kMetaHeaderSize)) InvalidMetafile();
  METAFILEPICT picture{MM_ANISOTROPIC, MulDiv(right - left, kHundredthMMPerInch, inch),
                       MulDiv(bottom - top, kHundredthMMPerInch, inch), nullptr};
  HENHMETAFILE metafile = SetWinMetaFileBits(UINT(bytes), data.data(), nullptr, &picture);
  if (!metafile) InvalidMetafile();
  // The system may rebuild the picture from an EMF carried in the file's comments: check what
  // it made, as an EMF file would be checked.
  std::vector<uint8_t> converted(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, UINT(converted.size()), converted.data());
  if (!metafile_records::EnhancedRecordsValid(converted)) {
    DeleteEnhMetaFile(metafile);
    InvalidMetafile();
  }
  Install(metafile, right - left, bottom - top, inch, false);
}

void TMetafile::SaveToStream(TStream* stream) {
  if (!handle_) return;
  if (!enhanced_) return SavePlaceable(stream);
  std::vector<uint8_t> data(GetEnhMetaFileBits(handle_, 0, nullptr));
  GetEnhMetaFileBits(handle_, UINT(data.size()), data.data());
  if (!data.empty()) stream->WriteBuffer(data.data(), int32_t(data.size()));
}

void TMetafile::SavePlaceable(TStream* stream) {
  // A size kept in hundredths of a millimetre is written in twips.
  const int inch = inch_ ? inch_ : 1440;
  const int width = std::clamp(inch_ ? width_ : MulDiv(width_, inch, kHundredthMMPerInch), 0, 32767);
  const int height = std::clamp(inch_ ? height_ : MulDiv(height_, inch, kHundredthMMPerInch), 0, 32767);
  HDC screen = GetDC(nullptr);
  std::vector<uint8_t> bits(GetWinMetaFileBits(handle_, 0, nullptr, MM_ANISOTROPIC, screen));
  GetWinMetaFileBits(handle_, UINT(bits.size()), bits.data(), MM_ANISOTROPIC, screen);
  ReleaseDC(nullptr, screen);

  std::vector<uint8_t> header;
  Put16(header, kPlaceableKey & 0xFFFF);
  Put16(header, kPlaceableKey >> 16);
  Put16(header, 0);  // no handle
  Put16(header, 0);
  Put16(header, 0);
  Put16(header, uint32_t(width));
  Put16(header, uint32_t(height));
  Put16(header, uint32_t(inch));
  Put16(header, 0);
  Put16(header, 0);
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= U16(&header[i]);
  Put16(header, checksum);
  stream->WriteBuffer(header.data(), int32_t(header.size()));
  if (!bits.empty()) stream->WriteBuffer(bits.data(), int32_t(bits.size()));
}

// ---- the clipboard and drawing -----------------------------------------------------------------

void TMetafile::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE) {
  if (!data) InvalidMetafile();
  HENHMETAFILE metafile = nullptr;
  bool enhanced = true;
  if (format == CF_ENHMETAFILE) {
    metafile = CopyEnhMetaFileA(static_cast<HENHMETAFILE>(data), nullptr);
  } else if (format == CF_METAFILEPICT) {
    auto* picture = static_cast<METAFILEPICT*>(GlobalLock(data));
    if (!picture) InvalidMetafile();
    std::vector<uint8_t> bits(GetMetaFileBitsEx(picture->hMF, 0, nullptr));
    if (!bits.empty()) GetMetaFileBitsEx(picture->hMF, UINT(bits.size()), bits.data());
    if (!bits.empty()) metafile = SetWinMetaFileBits(UINT(bits.size()), bits.data(), nullptr, picture);
    GlobalUnlock(data);
    enhanced = false;
  } else {
    throw EInvalidGraphic("Unsupported clipboard format");
  }
  if (!metafile) InvalidMetafile();
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  Install(metafile, header.rclFrame.right - header.rclFrame.left, header.rclFrame.bottom - header.rclFrame.top, 0,
          enhanced);
}

void TMetafile::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = CF_ENHMETAFILE;
  data = handle_ ? CopyEnhMetaFileA(handle_, nullptr) : nullptr;
  palette = nullptr;
}

// ---- playback ----------------------------------------------------------------------------------

namespace {

// The platform's rasteriser spends time on the whole of a glyph or of a wide stroke, however
// little of it lands in the target: a font tens of thousands of pixels high takes about a
// second a glyph, and a pen millions of pixels wide stalls for minutes. A picture whose font
// or pen would be larger on the device than a few times the target (never less than a few
// thousand pixels) is drawn with that font or pen shrunk to the limit; anything smaller is
// drawn untouched. The upper cap keeps pen widths where the rasteriser stays quick even for
// huge targets.
constexpr double kLargestDeviceSizeFloor = 4096;
constexpr double kLargestDeviceSizeCap = 1 << 20;
constexpr double kTargetSidesAllowed = 4;

double LargestDeviceSize(const RECT& target) {
  const double side = std::max(std::abs(double(target.right) - target.left),
                               std::abs(double(target.bottom) - target.top));
  return std::clamp(side * kTargetSidesAllowed, kLargestDeviceSizeFloor, kLargestDeviceSizeCap);
}

// How many device pixels one logical unit spans at most along either axis under the device
// context's world transform and mapping mode.
double DeviceUnitsPerLogicalUnit(HDC dc) {
  XFORM world{1, 0, 0, 1, 0, 0};
  GetWorldTransform(dc, &world);
  SIZE window{1, 1}, viewport{1, 1};
  GetWindowExtEx(dc, &window);
  GetViewportExtEx(dc, &viewport);
  const double sx = window.cx ? double(viewport.cx) / window.cx : 1;
  const double sy = window.cy ? double(viewport.cy) / window.cy : 1;
  return std::max(std::hypot(world.eM11 * sx, world.eM12 * sy), std::hypot(world.eM21 * sx, world.eM22 * sy));
}

// `value` shrunk by `factor`, keeping its sign and at least one unit.
LONG Shrunk(LONG value, double factor) {
  if (value == 0) return 0;
  const double magnitude = std::isfinite(factor) ? std::max(1.0, std::trunc(std::abs(double(value)) * factor)) : 1;
  return LONG(value < 0 ? -magnitude : magnitude);
}

// A copy of the font shrunk to `limit` device pixels, or nullptr when it fits.
HFONT FontWithin(HDC dc, HFONT font, double limit) {
  LOGFONTW description{};
  if (!font || GetObjectW(font, sizeof description, &description) != sizeof description) return nullptr;
  const double size = std::max(std::abs(double(description.lfHeight)), std::abs(double(description.lfWidth))) *
                      DeviceUnitsPerLogicalUnit(dc);
  if (size <= limit) return nullptr;
  const double factor = limit / size;  // NaN-safe: Shrunk takes a non-finite factor as "smallest"
  description.lfHeight = Shrunk(description.lfHeight, factor);
  description.lfWidth = Shrunk(description.lfWidth, factor);
  return CreateFontIndirectW(&description);
}

// A copy of the pen narrowed to `limit` device pixels, or nullptr when it fits. Only pens of
// the plain description can be huge: the platform records extended pens as plain ones and
// makes no pen from a picture's extended-pen record.
HPEN PenWithin(HDC dc, HPEN pen, double limit) {
  LOGPEN description{};
  if (!pen || GetObjectType(pen) != OBJ_PEN || GetObjectW(pen, sizeof description, &description) != sizeof description)
    return nullptr;
  const double size = std::abs(double(description.lopnWidth.x)) * DeviceUnitsPerLogicalUnit(dc);
  if (size <= limit) return nullptr;
  description.lopnWidth.x = Shrunk(description.lopnWidth.x, limit / size);
  return CreatePenIndirect(&description);
}

bool DrawsText(DWORD type) {
  switch (type) {
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: case EMR_SMALLTEXTOUT:
      return true;
    default:
      return false;
  }
}

// Records that stroke with the selected pen (WIDENPATH turns the pen's outline into a path).
bool StrokesWithPen(DWORD type) {
  switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_ANGLEARC: case EMR_ELLIPSE: case EMR_RECTANGLE:
    case EMR_ROUNDRECT: case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_LINETO: case EMR_ARCTO:
    case EMR_POLYDRAW: case EMR_STROKEANDFILLPATH: case EMR_STROKEPATH: case EMR_WIDENPATH: case EMR_POLYBEZIER16:
    case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: case EMR_POLYDRAW16:
      return true;
    default:
      return false;
  }
}

// Plays one record, with the selected font or pen swapped for a smaller copy while it draws
// when it is too large for the target. The swap is checked when the record draws, not when
// the object is made, since the picture may change its transform in between.
void PlayWithinLimits(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, double limit) {
  HGDIOBJ replacement = nullptr;
  if (DrawsText(record->iType))
    replacement = FontWithin(dc, static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT)), limit);
  else if (StrokesWithPen(record->iType))
    replacement = PenWithin(dc, static_cast<HPEN>(GetCurrentObject(dc, OBJ_PEN)), limit);
  HGDIOBJ original = replacement ? SelectObject(dc, replacement) : nullptr;
  PlayEnhMetaFileRecord(dc, table, record, UINT(handles));
  if (replacement) {
    SelectObject(dc, original);
    DeleteObject(replacement);
  }
}

// Called by the platform for each record; nothing may unwind into it.
int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM data) {
  try {
    PlayWithinLimits(dc, table, record, handles, *reinterpret_cast<const double*>(data));
    return 1;
  } catch (...) {
    return 0;  // stop drawing rather than unwind
  }
}

}  // namespace

void TMetafile::Draw(TCanvas* canvas, const TRect& rect) {
  if (!handle_) return;
  double limit = LargestDeviceSize(rect);
  EnumEnhMetaFile(canvas->Handle(), handle_, &PlayRecord, &limit, &rect);
}

// ---- TMetafileCanvas ---------------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC referenceDevice)
    : TMetafileCanvas(metafile, referenceDevice, std::string(), std::string()) {}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC referenceDevice, const std::string& createdBy,
                                 const std::string& description)
    : metafile_(metafile) {
  HDC reference = referenceDevice ? referenceDevice : GetDC(nullptr);
  RECT frame{0, 0, metafile->MMWidth(), metafile->MMHeight()};
  if (frame.right <= 0 || frame.bottom <= 0)
    frame = RECT{0, 0, GetDeviceCaps(reference, HORZSIZE) * 100, GetDeviceCaps(reference, VERTSIZE) * 100};
  // Two texts, each ending in a null, and one more null after them.
  std::string text;
  if (!createdBy.empty() || !description.empty()) text = createdBy + '\0' + description + '\0';
  HDC dc = CreateEnhMetaFileA(reference, nullptr, &frame, text.empty() ? nullptr : text.c_str());
  if (!referenceDevice) ReleaseDC(nullptr, reference);
  if (!dc) throw EOutOfResources("Out of system resources");
  SetHandle(dc);
}

TMetafileCanvas::~TMetafileCanvas() {
  if (!HandleAllocated()) return;
  HDC dc = Handle();
  SetHandle(nullptr);
  HENHMETAFILE recorded = CloseEnhMetaFile(dc);
  // A destructor must not throw: the metafile's change handlers are given no way to.
  try {
    metafile_->SetHandle(recorded);
  } catch (...) {
    if (metafile_->Handle() != recorded) DeleteEnhMetaFile(recorded);
  }
}

}  // namespace vcl
