#include "imaging/codecs/hdphoto/hdphoto_layer.h"

#include <cstring>

#include "imaging/codecs/helper_job.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/byte_order.h"

namespace imaging {

namespace {

struct TLayout {
  int32_t pixels;  // the helper's layout
  TIEPixelFormat format;
  int32_t bits;
};

constexpr TLayout kLayouts[] = {
    {CODEC_HELPER_BLACK_WHITE, ie1g, 1}, {CODEC_HELPER_GREY8, ie8g, 8},    {CODEC_HELPER_GREY16, ie16g, 16},
    {CODEC_HELPER_BGR24, ie24RGB, 24},   {CODEC_HELPER_RGB48, ieRGB48, 48}, {CODEC_HELPER_CMYK32, ieCMYK, 32},
};

const TLayout* LayoutOfPixels(int32_t pixels) {
  for (const TLayout& layout : kLayouts)
    if (layout.pixels == pixels) return &layout;
  return nullptr;
}

const TLayout* LayoutOfFormat(TIEPixelFormat format) {
  for (const TLayout& layout : kLayouts)
    if (layout.format == format) return &layout;
  return nullptr;
}

int64_t RowBytes(const TLayout& layout, int32_t width) { return (int64_t(width) * layout.bits + 7) / 8; }

void Invert(uint8_t* bytes, int64_t count) {
  for (int64_t i = 0; i < count; ++i) bytes[i] = uint8_t(255 - bytes[i]);
}

// Whether the container's directory of the frame, and the coded image and alpha planes it points
// to, lie inside the file. Starting the decoding process costs far more than this walk, and a file
// cut short (the commonest damage) is refused here without one.
bool FrameIsInsideFile(const std::vector<uint8_t>& file, int32_t index) {
  const size_t size = file.size();
  if (size < 8 || file[0] != 'I' || file[1] != 'I' || file[2] != 0xBC) return false;
  const uint8_t* bytes = file.data();
  uint64_t directory = vcl::le::U32(bytes + 4);
  for (int32_t frame = 0;; ++frame) {
    if (directory < 8 || directory + 2 > size) return false;
    const uint64_t entries = vcl::le::U16(bytes + directory);
    const uint64_t end = directory + 2 + entries * 12;
    if (end + 4 > size) return false;
    if (frame < index) {
      directory = vcl::le::U32(bytes + end);
      continue;
    }
    uint64_t imageOffset = 0, imageBytes = 0, alphaOffset = 0, alphaBytes = 0;
    for (uint64_t e = 0; e < entries; ++e) {
      const uint8_t* entry = bytes + directory + 2 + e * 12;
      const uint32_t tag = vcl::le::U16(entry), type = vcl::le::U16(entry + 2);
      // Offsets and counts are a short or a long held in the entry itself.
      const uint64_t value = type == 3 ? vcl::le::U16(entry + 8) : vcl::le::U32(entry + 8);
      if (tag == 0xBCC0) imageOffset = value;
      if (tag == 0xBCC1) imageBytes = value;
      if (tag == 0xBCC2) alphaOffset = value;
      if (tag == 0xBCC3) alphaBytes = value;
    }
    if (imageBytes == 0 || imageOffset + imageBytes > size) return false;
    return alphaOffset + alphaBytes <= size;
  }
}

}  // namespace

bool DecodeHDPhotoFrame(const std::vector<uint8_t>& file, int32_t index, bool native, TIEBitmap* bitmap,
                        THDPhotoFrame& frame) {
  if (index < 0 || !FrameIsInsideFile(file, index)) return false;
  codec_helper_request request{};
  request.job = CODEC_HELPER_HDP_DECODE;
  request.frame = index;
  THelperAnswer answer;
  if (!RunHelperJob(request, file.data(), file.size(), nullptr, answer)) return false;
  const codec_helper_reply& reply = answer.Reply();
  const TLayout* layout = LayoutOfPixels(reply.pixels);
  if (!layout || reply.width <= 0 || reply.height <= 0 || reply.stride < RowBytes(*layout, reply.width) ||
      reply.data_size != uint64_t(reply.stride) * uint64_t(reply.height) || !answer.Answer.data)
    return false;
  TIEBitmap decoded;
  if (!decoded.Allocate(reply.width, reply.height, layout->format)) return false;
  const int64_t rowBytes = RowBytes(*layout, reply.width);
  if (rowBytes > decoded.RowLen()) return false;
  for (int32_t y = 0; y < reply.height; ++y) {
    auto* row = static_cast<uint8_t*>(decoded.GetScanline(y));
    std::memcpy(row, answer.Answer.data + int64_t(y) * reply.stride, size_t(rowBytes));
    // The library keeps CMYK inverted.
    if (layout->format == ieCMYK) Invert(row, rowBytes);
  }
  if (!native && layout->format != ie1g && layout->format != ie24RGB) {
    decoded.ConvertTo(ie24RGB);
    if (decoded.PixelFormat() != ie24RGB) return false;
  }
  frame.Width = reply.width;
  frame.Height = reply.height;
  frame.DpiX = reply.dpi_x;
  frame.DpiY = reply.dpi_y;
  if (bitmap->Location() == ieTBitmap)
    bitmap->Assign(&decoded);
  else
    decoded.MoveContentTo(bitmap);
  return true;
}

bool EncodeHDPhoto(TIEBitmap* bitmap, double dpiX, double dpiY, double quality, bool lossless,
                   std::vector<uint8_t>& file) {
  const TLayout* layout = LayoutOfFormat(bitmap->PixelFormat());
  if (!layout || bitmap->IsEmpty()) return false;
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  const int64_t rowBytes = RowBytes(*layout, width);
  if (rowBytes > INT32_MAX || rowBytes > bitmap->RowLen()) return false;
  std::vector<uint8_t> pixels(size_t(rowBytes * height));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels.data() + int64_t(y) * rowBytes;
    std::memcpy(row, bitmap->GetScanline(y), size_t(rowBytes));
    if (layout->format == ieCMYK) Invert(row, rowBytes);
  }
  codec_helper_request request{};
  request.job = CODEC_HELPER_HDP_ENCODE;
  request.width = width;
  request.height = height;
  request.pixels = layout->pixels;
  request.stride = int32_t(rowBytes);
  request.dpi_x = float(dpiX);
  request.dpi_y = float(dpiY);
  // The platform encoder's own default when no quality is given.
  request.quality = quality < 0 ? 0.9f : float(quality);
  request.lossless = lossless ? 1 : 0;
  THelperAnswer answer;
  if (!RunHelperJob(request, pixels.data(), pixels.size(), nullptr, answer) || !answer.Answer.data ||
      answer.Reply().data_size == 0)
    return false;
  file.assign(answer.Answer.data, answer.Answer.data + answer.Reply().data_size);
  return true;
}

}  // namespace imaging
