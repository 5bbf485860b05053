#include "imaging/codecs/wbmp/wbmp_codec.h"

#include <memory>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

void PutWBMPInt(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = uint8_t(value & 127);
    value >>= 7;
  } while (value);
  while (n > 1) out.push_back(uint8_t(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

}  // namespace

int32_t ReadWBMPInt(vcl::TStream* Stream) {
  int32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t b = 0;
    if (Stream->Read(&b, 1) != 1) return -1;
    value = value * 128 + (b & 127);
    if (!(b & 0x80)) break;
  }
  return value;
}

void ReadWBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    bool Preview) {
  const int32_t type = ReadWBMPInt(Stream);
  const int32_t fixedHeader = ReadWBMPInt(Stream);
  const int32_t width = ReadWBMPInt(Stream);
  const int32_t height = ReadWBMPInt(Stream);
  if (type != 0 || fixedHeader != 0 || width <= 0 || height <= 0) return Progress.Abort();
  Params.BitsPerSample = 1;
  Params.SamplesPerPixel = 1;
  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  Params.FreeColorMap();
  if (Preview) return;

  const int32_t rowBytes = (width + 7) / 8;
  // A file too short for its rows is damaged; checked before anything is allocated.
  if (int64_t(rowBytes) * height > Stream->Size() - Stream->Position()) return Progress.Abort();
  TIEBitmap work;
  if (!work.Allocate(width, height, ie1g)) return Progress.Abort();
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    if (Stream->Read(work.GetScanline(y), rowBytes) != rowBytes) return Progress.Abort();
    Progress.Report(static_cast<int32_t>(y * Progress.Per1));
  }
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
}

void WriteWBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TCodecProgress& Progress) {
  const int32_t width = Bitmap->Width();
  const int32_t height = Bitmap->Height();
  if (width <= 0 || height <= 0) return Progress.Abort();
  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  if (Bitmap->PixelFormat() != ie1g) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(Bitmap);
    copy->SetPixelFormat(ie1g);
    source = copy.get();
  }
  bool error = false;
  std::vector<uint8_t> header;
  PutWBMPInt(header, 0);
  PutWBMPInt(header, 0);
  PutWBMPInt(header, uint32_t(width));
  PutWBMPInt(header, uint32_t(height));
  StreamWriteChecked(Stream, error, header.data(), int32_t(header.size()));
  const int32_t rowBytes = (width + 7) / 8;
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height && !error; ++y) {
    const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
    row.assign(in, in + rowBytes);
    if (width % 8) row[rowBytes - 1] &= uint8_t(0xFF00 >> (width % 8));
    StreamWriteChecked(Stream, error, row.data(), rowBytes);
    Progress.Report(static_cast<int32_t>(y * Progress.Per1));
  }
  if (error) Progress.Abort();
}

}  // namespace imaging
