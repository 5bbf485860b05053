#include "formats/pcd/pcd_graphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kSector = 2048;
constexpr int kProbeSize = 6144;
constexpr uint32_t kBaseWidth = 768, kBaseHeight = 512;
constexpr int kBaseSector = 96;

bool IsOverview(const uint8_t* b) { return std::memcmp(b, "PCD_OPA", 7) == 0; }
bool IsImagePack(const uint8_t* b) { return std::memcmp(b + kSector, "PCD", 3) == 0; }

}  // namespace

TPCDGraphic::TPCDGraphic() = default;
TPCDGraphic::~TPCDGraphic() = default;

bool TPCDGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kSector + 3];
  const bool ok = stream->Size() - at > kProbeSize && stream->Read(b, sizeof b) == sizeof b &&
                  (IsOverview(b) || IsImagePack(b));
  stream->SetPosition(at);
  return ok;
}

bool TPCDGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  std::vector<uint8_t> b(kProbeSize);
  if (stream->Read(b.data(), kProbeSize) != kProbeSize || !(IsOverview(b.data()) || IsImagePack(b.data())))
    return false;
  ImageProps.IsOverview = IsOverview(b.data());
  ImageProps.Rotation = b[3586] & 3;
  const uint32_t level = ImageProps.IsOverview ? 0 : std::min<uint32_t>(imageIndex, 5);
  ImageProps.ImageWidth = 192u << level;
  ImageProps.ImageHeight = 128u << level;
  if (ImageProps.Rotation == 1 || ImageProps.Rotation == 3) std::swap(ImageProps.ImageWidth, ImageProps.ImageHeight);
  ImageProps.Scheme = scPhotoYCC;
  ImageProps.SampleBits = 8;
  ImageProps.SampleCount = 3;
  ImageProps.PixelBits = 24;
  ImageProps.Packing = level < 3 ? pkNone : pkPhotoCD;
  ImageProps.SubImageCount = vcl::be::U16(b.data() + 10);
  return true;
}

void TPCDGraphic::InterpolatePlane(uint32_t width, uint32_t height, uint32_t stride, uint8_t* plane) {
  if (width == 0 || height == 0) return;
  auto at = [&](uint32_t x, uint32_t y) -> uint8_t& { return plane[size_t{y} * stride + x]; };
  // Rows first widened, each into its doubled place, from the bottom up.
  for (uint32_t y = height; y-- > 0;)
    for (uint32_t x = width; x-- > 0;) {
      const uint8_t a = at(x, y);
      const uint8_t b = x + 1 < width ? at(x + 1, y) : a;
      at(2 * x + 1, 2 * y) = static_cast<uint8_t>((a + b + 1) / 2);
      at(2 * x, 2 * y) = a;
    }
  // Odd rows between two doubled rows.
  for (uint32_t y = 0; y + 1 < height; ++y) {
    const uint32_t above = 2 * y, below = 2 * y + 2, row = 2 * y + 1;
    for (uint32_t x = 0; x < width; ++x) {
      at(2 * x, row) = static_cast<uint8_t>((at(2 * x, above) + at(2 * x, below) + 1) / 2);
      if (x + 1 < width)
        at(2 * x + 1, row) = static_cast<uint8_t>(
            (at(2 * x, above) + at(2 * x + 2, above) + at(2 * x, below) + at(2 * x + 2, below) + 2) / 4);
      else
        at(2 * x + 1, row) = static_cast<uint8_t>((at(2 * x + 1, above) + at(2 * x + 1, below) + 1) / 2);
    }
  }
  std::memcpy(&at(0, 2 * height - 1), &at(0, 2 * height - 2), 2 * width);
}

void TPCDGraphic::LoadFromStream(vcl::TStream* stream) {
  SetHandle(nullptr);
  StartOffset = stream->Position();
  if (!ReadImageProperties(stream, 2) || ImageProps.IsOverview)
    RaiseGraphicErrorFmt(messages::gesInvalidImage, "PCD");
  const uint64_t dataBytes = uint64_t{kBaseWidth} * kBaseHeight * 3 / 2;
  if (stream->Size() - StartOffset < int64_t{kBaseSector} * kSector + static_cast<int64_t>(dataBytes))
    RaiseGraphicErrorFmt(messages::gesStreamReadError, "PCD");
  const uint8_t rotation = ImageProps.Rotation;
  const bool portrait = rotation == 1 || rotation == 3;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(ImageProps.ImageWidth), 1);
  ProgressStarting(messages::gesPreparing);
  ImageProps.ImageWidth = kBaseWidth;
  ImageProps.ImageHeight = kBaseHeight;
  const size_t plane = size_t{kBaseWidth} * kBaseHeight;
  std::vector<uint8_t> luma(plane), chroma1(plane), chroma2(plane);
  stream->SetPosition(StartOffset + int64_t{kBaseSector} * kSector);

  TColorManager* cm = ColourConverter();
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  cm->SetSourceScheme(scPhotoYCC);
  cm->SetTargetScheme(scBGR);
  cm->SetSourceBitsPerSample(8);
  cm->SetTargetBitsPerSample(8);
  cm->SetSourceSampleCount(3);
  cm->SetTargetSampleCount(3);
  const float coefficients[3] = {0.2125f, 0.7154f, 0.0721f};
  cm->SetYCbCrSettings(coefficients, 2, 2);
  try {
    SetPixelFormat(vcl::pf24bit);
    ProgressEnding();
    ProgressStarting(messages::gesLoadingData);
    std::vector<uint8_t> pair(kBaseWidth * 3);
    for (uint32_t y = 0; y < kBaseHeight / 2; ++y) {
      Progress(this, vcl::psRunning, static_cast<uint8_t>(y * 2 * 100 / kBaseHeight), false, ProgressArea, "");
      stream->ReadBuffer(pair.data(), static_cast<int32_t>(pair.size()));
      std::memcpy(luma.data() + size_t{2 * y} * kBaseWidth, pair.data(), 2 * kBaseWidth);
      std::memcpy(chroma1.data() + size_t{y} * kBaseWidth, pair.data() + 2 * kBaseWidth, kBaseWidth / 2);
      std::memcpy(chroma2.data() + size_t{y} * kBaseWidth, pair.data() + 2 * kBaseWidth + kBaseWidth / 2,
                  kBaseWidth / 2);
    }
    ProgressEnding();
    ProgressStarting(messages::gesUpsampling);
    InterpolatePlane(kBaseWidth / 2, kBaseHeight / 2, kBaseWidth, chroma1.data());
    Progress(this, vcl::psRunning, 80, false, ProgressArea, "");
    InterpolatePlane(kBaseWidth / 2, kBaseHeight / 2, kBaseWidth, chroma2.data());
    Progress(this, vcl::psRunning, 100, false, ProgressArea, "");
    ProgressEnding();

    ProgressArea = vcl::Rect(0, 0, static_cast<int>(portrait ? kBaseHeight : kBaseWidth), 1);
    ProgressStarting(messages::gesTransfering);
    SetSize(static_cast<int>(portrait ? kBaseHeight : kBaseWidth), static_cast<int>(portrait ? kBaseWidth : kBaseHeight));
    std::vector<uint8_t> work(kBaseWidth * 3);
    for (uint32_t y = 0; y < kBaseHeight; ++y) {
      const size_t at = size_t{y} * kBaseWidth;
      const void* sources[3] = {luma.data() + at, chroma1.data() + at, chroma2.data() + at};
      if (!portrait) {
        cm->ConvertLine(sources, ScanLine(static_cast<int>(y)), kBaseWidth);
      } else {
        cm->ConvertLine(sources, work.data(), kBaseWidth);
        for (uint32_t x = 0; x < kBaseWidth; ++x) {
          // Code 1 turns the picture a quarter anticlockwise, code 3 clockwise.
          const uint32_t row = rotation == 1 ? kBaseWidth - 1 - x : x;
          const uint32_t column = rotation == 1 ? y : kBaseHeight - 1 - y;
          auto* line = static_cast<uint8_t*>(ScanLine(static_cast<int>(row)));
          std::memcpy(line + column * 3, work.data() + x * 3, 3);
        }
      }
      ProgressRow(y);
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
