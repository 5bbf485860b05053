// The PCX, DCX, TGA, JPEG 2000, DICOM, camera raw, headerless raw and HD Photo members of
// TImageIO: each the codec's reader or writer inside the shared load and save frames
// (image_io_formats.cpp), with what differs per format: the PCX stream headers, the DCX
// container a save writes, the TGA alpha, the camera-raw plug-in redirect, the raw samples'
// description taken from the target.
#include <cstring>
#include <memory>

#include "imaging/codecs/camera_raw/camera_raw_reader.h"
#include "imaging/codecs/dicom/dicom_reader.h"
#include "imaging/codecs/hdphoto/hdphoto_codec.h"
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/codecs/raw/raw_bitmap_reader.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/io/registry_codecs.h"
#include "imaging/io/stream_header.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kCameraRawType = 20;

// What the stream still holds from its position.
int64_t Remaining(vcl::TStream* stream) { return stream->Size() - stream->Position(); }

// The older 4-byte stream header: "PCX" and a zero byte. The position ends after it when found.
bool SkipShortPCXHeader(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  uint8_t head[4] = {};
  if (stream->Read(head, 4) == 4 && std::memcmp(head, "PCX", 4) == 0) return true;
  stream->SetPosition(start);
  return false;
}

}  // namespace

// ---- PCX ----

void TImageIO::LoadPCXFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadPCXFromStream(stream); })) return;
  RunLoad(stream, 4, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    // A headed image is recognised whatever StreamHeaders says (the content test finds it so);
    // with StreamHeaders one of the headers must be there.
    const int64_t start = source->Position();
    int64_t dataSize = 0;
    const TStreamHeader header = ReadStreamHeader(source, "PCX2", dataSize);
    if (header == TStreamHeader::Damaged) return progress.Abort();
    if (header == TStreamHeader::Found) {
      CallCodec(progress, [&] { ReadPCXStream(source, bitmap, *params_, dataSize, progress, false); });
      source->SetPosition(start + kStreamHeaderSize + dataSize);
      return;
    }
    if (!SkipShortPCXHeader(source) && streamHeaders_) return progress.Abort();
    CallCodec(progress, [&] { ReadPCXStream(source, bitmap, *params_, Remaining(source), progress, false); });
  });
}

void TImageIO::LoadPCXFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadPCXFromFile(name); })) return;
  RunLoadByName(name, 4, true, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadPCXStream(source, bitmap, *params_, Remaining(source), progress, false); });
  });
}

void TImageIO::SavePCXToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SavePCXToStream(stream); })) return;
  RunSave(stream, 4, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    TStreamHeaderWriter header(target, "PCX2", streamHeaders_);
    CallCodec(progress, [&] { WritePCXStream(target, bitmap, *params_, progress); });
    header.Finish(!progress.IsAborting());
  });
}

void TImageIO::SavePCXToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SavePCXToFile(name); })) return;
  RunSaveByName(name, 4, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WritePCXStream(target, bitmap, *params_, progress); });
  });
}

// ---- DCX ----

void TImageIO::LoadDCXFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadDCXFromStream(stream); })) return;
  RunLoad(stream, 19, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadDCXStream(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::LoadDCXFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadDCXFromFile(name); })) return;
  RunLoadByName(name, 19, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadDCXStream(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::SaveDCXToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveDCXToStream(stream); })) return;
  RunSave(stream, 19, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    // The writer inserts a page into the container the stream holds; what the stream held
    // before is no container of this save's.
    target->SetSize(0);
    target->SetPosition(0);
    CallCodec(progress, [&] { WriteDCXStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SaveDCXToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveDCXToFile(name); })) return;
  RunSaveByName(name, 19, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteDCXStream(target, bitmap, *params_, progress); });
  });
}

// ---- TGA ----

namespace {

void ReadTGAImage(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  TReaderMask mask;
  CallCodec(progress, [&] { ReadTGAStream(stream, bitmap, params, progress, false, mask.Slot(), false); });
  if (!progress.IsAborting()) mask.MoveInto(bitmap);
}

void WriteTGAImage(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  std::unique_ptr<TIEMask> mask;
  if (bitmap->HasAlphaChannel()) {
    mask = std::make_unique<TIEMask>();
    bitmap->AlphaChannel()->CopyToMask(mask.get());
  }
  CallCodec(progress, [&] { WriteTGAStream(stream, bitmap, params, progress, mask.get()); });
}

}  // namespace

void TImageIO::LoadTGAFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadTGAFromStream(stream); })) return;
  RunLoad(stream, 11, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadTGAImage(source, bitmap, *params_, progress);
  });
}

void TImageIO::LoadTGAFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadTGAFromFile(name); })) return;
  RunLoadByName(name, 11, true, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadTGAImage(source, bitmap, *params_, progress);
  });
}

void TImageIO::SaveTGAToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveTGAToStream(stream); })) return;
  RunSave(stream, 11, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    WriteTGAImage(target, bitmap, *params_, progress);
  });
}

void TImageIO::SaveTGAToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveTGAToFile(name); })) return;
  RunSaveByName(name, 11, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    WriteTGAImage(target, bitmap, *params_, progress);
  });
}

// ---- JPEG 2000 ----

namespace {

void ReadJPEG2000Image(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  CallCodec(progress, [&] { ReadJPEG2000Stream(stream, bitmap, params, progress, false); });
}

}  // namespace

void TImageIO::LoadJP2FromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadJP2FromStream(stream); })) return;
  RunLoad(stream, 13, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadJPEG2000Image(source, bitmap, *params_, progress);
  });
}

void TImageIO::LoadJP2FromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadJP2FromFile(name); })) return;
  RunLoadByName(name, 13, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadJPEG2000Image(source, bitmap, *params_, progress);
  });
}

void TImageIO::LoadJ2KFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadJ2KFromStream(stream); })) return;
  RunLoad(stream, 14, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadJPEG2000Image(source, bitmap, *params_, progress);
  });
}

void TImageIO::LoadJ2KFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadJ2KFromFile(name); })) return;
  RunLoadByName(name, 14, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadJPEG2000Image(source, bitmap, *params_, progress);
  });
}

void TImageIO::SaveJP2ToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveJP2ToStream(stream); })) return;
  RunSave(stream, 13, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteJPEG2000Stream(target, bitmap, *params_, progress, ieJ2KFormatJP2); });
  });
}

void TImageIO::SaveJP2ToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveJP2ToFile(name); })) return;
  RunSaveByName(name, 13, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteJPEG2000Stream(target, bitmap, *params_, progress, ieJ2KFormatJP2); });
  });
}

void TImageIO::SaveJ2KToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveJ2KToStream(stream); })) return;
  RunSave(stream, 14, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteJPEG2000Stream(target, bitmap, *params_, progress, ieJ2KFormatCodeStream); });
  });
}

void TImageIO::SaveJ2KToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveJ2KToFile(name); })) return;
  RunSaveByName(name, 14, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteJPEG2000Stream(target, bitmap, *params_, progress, ieJ2KFormatCodeStream); });
  });
}

// ---- DICOM ----

void TImageIO::LoadDICOMFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadDICOMFromStream(stream); })) return;
  RunLoad(stream, 28, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadDICOMStream(source, *params_, bitmap, progress, false); });
  });
}

void TImageIO::LoadDICOMFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadDICOMFromFile(name); })) return;
  RunLoadByName(name, 28, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadDICOMStream(source, *params_, bitmap, progress, false); });
  });
}

// ---- camera raw ----

void TImageIO::LoadCameraRawFromStream(vcl::TStream* stream) {
  // A plug-in that lists "RAW" before the built-in row reads camera raw data instead.
  const int32_t claimed = FileTypeOfExtension("RAW");
  if (claimed != 0 && claimed != kCameraRawType) {
    LoadFromStreamFormat(stream, claimed);
    return;
  }
  if (HandToWorker([this, stream] { LoadCameraRawFromStream(stream); })) return;
  RunLoad(stream, kCameraRawType, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadCameraRawStream(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::LoadCameraRawFromFile(const std::u16string& name) {
  const int32_t claimed = FileTypeOfExtension("RAW");
  if (claimed != 0 && claimed != kCameraRawType) {
    LoadFromFileFormat(name, claimed);
    return;
  }
  if (HandToWorker([this, name] { LoadCameraRawFromFile(name); })) return;
  RunLoadByName(name, kCameraRawType, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadCameraRawStream(source, bitmap, *params_, progress, false); });
  });
}

// ---- headerless raw ----

namespace {

// The samples fill an image of the target's size and pixel format; what the data do not
// reach keeps the target's pixels.
void ReadRawSamples(vcl::TStream* stream, TIEBitmap* target, TIEBitmap* bitmap, TIOParamsVals& params,
                    TCodecProgress& progress) {
  bitmap->Assign(target);
  bitmap->RemoveAlphaChannel(false, 0);
  CallCodec(progress, [&] { ReadRawBitmapStream(stream, bitmap, params, progress); });
}

}  // namespace

void TImageIO::LoadRawBitmapFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadRawBitmapFromStream(stream); })) return;
  RunLoad(stream, 21, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadRawSamples(source, ieBitmap_, bitmap, *params_, progress);
  });
}

void TImageIO::LoadRawBitmapFromFile(const std::u16string& name) {
  if (name.empty()) return;
  if (HandToWorker([this, name] { LoadRawBitmapFromFile(name); })) return;
  RunLoadByName(name, 21, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadRawSamples(source, ieBitmap_, bitmap, *params_, progress);
  });
}

// ---- HD Photo ----

void TImageIO::LoadHDPFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadHDPFromStream(stream); })) return;
  RunLoad(stream, 29, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadHDPhotoStream(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::LoadHDPFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadHDPFromFile(name); })) return;
  RunLoadByName(name, 29, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadHDPhotoStream(source, bitmap, *params_, progress, false); });
  });
}

void TImageIO::SaveHDPToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveHDPToStream(stream); })) return;
  RunSave(stream, 29, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteHDPhotoStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SaveHDPToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveHDPToFile(name); })) return;
  RunSaveByName(name, 29, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteHDPhotoStream(target, bitmap, *params_, progress); });
  });
}

}  // namespace imaging
