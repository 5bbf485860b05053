#include "imaging/codecs/hdphoto/hdphoto_codec.h"

#include <mutex>

#include "imaging/codecs/hdphoto/wic_codecs.h"
#include "imaging/codecs/tiff/tiff_content.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "imaging/params/wic_availability.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Reports 100 when the call ends, however it ends.
class TFinalReport {
 public:
  explicit TFinalReport(TCodecProgress& progress) : progress_(progress) { progress_.Report(0); }
  ~TFinalReport() { progress_.Report(100); }

 private:
  TCodecProgress& progress_;
};

}  // namespace

void ReadHDPhotoStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                       bool Preview) {
  TFinalReport report(Progress);
  TIEWICReader reader;
  if (!reader.Open(Stream, kHDPhotoFileType) || !reader.ReadFrame(Params.ImageIndex, Bitmap, &Params))
    Progress.Abort();
}

bool IsHDPhotoEncoderAvailable() {
  // Saves may ask from I/O worker threads: the probe runs exactly once.
  static std::once_flag probed;
  static bool available = false;
  std::call_once(probed, [] { available = IsWICAvailable() && TIEWICWriter().CanEncode(kHDPhotoFileType); });
  return available;
}

void WriteHDPhotoStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  if (!IsHDPhotoEncoderAvailable()) return Progress.Abort();
  TFinalReport report(Progress);
  const int64_t start = Stream->Position();
  bool written = false;
  {
    TIEWICWriter writer;
    written = writer.Open(Stream, kHDPhotoFileType) && writer.WriteFrame(Bitmap, &Params) && writer.Close();
  }
  if (!written) return Progress.Abort();
  // HD Photo is TIFF-structured: the block's metadata go in as into a TIFF.
  try {
    Stream->SetPosition(start);
    RewriteTIFFMetadata(Stream, Stream, "", "", 0, Params);
  } catch (const vcl::Exception&) {
    Progress.Abort();
  }
}

void RegisterHDPhotoFormat() {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(kHDPhotoFileType)) {
    row->ReadFunction = ReadHDPhotoStream;
    row->WriteFunction = IsHDPhotoEncoderAvailable() ? WriteHDPhotoStream : nullptr;
  }
}

}  // namespace imaging
