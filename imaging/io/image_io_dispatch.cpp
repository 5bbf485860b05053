// The entry points of TImageIO that choose the format: by extension, by file type number, by
// the content of a stream or file, and the parameters-only reads.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "imaging/base/buffered_read_stream.h"
#include "imaging/base/mem_stream.h"
#include "imaging/base/wide_file.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/ico/ico_reader.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/pnm/pxm_codec.h"
#include "imaging/codecs/tiff/tiff_content.h"
#include "imaging/codecs/tiff/tiff_reader.h"
#include "imaging/codecs/wbmp/wbmp_codec.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/io/registry_codecs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

// The extension of a name with its dot, in lower case ("" when it has none).
std::string LowerExtension(const std::u16string& name) {
  return vcl::LowerCase(vcl::ExtractFileExt(vcl::Utf16ToAnsi(name)));
}

// Saving by extension: the names the object writes itself or through its formats' codecs.
struct TSaveExtension {
  const char* extension;
  int32_t fileType;
};
constexpr TSaveExtension kSaveExtensions[] = {
    {".jpg", 3},   {".jpeg", 3}, {".jpe", 3},   {".jif", 3},  {".jp2", 13},  {".j2k", 14},   {".jpc", 14},
    {".j2c", 14},  {".pcx", 4},  {".dcx", 19},  {".gif", 2},  {".tif", 1},   {".tiff", 1},   {".fax", 1},
    {".g3f", 1},   {".g3n", 1},  {".png", 8},   {".bmp", 5},  {".dib", 5},   {".rle", 5},    {".tga", 11},
    {".targa", 11}, {".vda", 11}, {".icb", 11}, {".vst", 11}, {".win", 11},  {".pxm", 12},   {".pbm", 12},
    {".pgm", 12},  {".ppm", 12}, {".ico", 6},   {".wbmp", 16}, {".ps", 17},  {".eps", 17},   {".pdf", 18},
    {".psd", 24},  {".hdp", 29}, {".wdp", 29},
};

// The one place that knows which member of the object loads and saves each built-in format
// (nil: none; such a type goes through its registry row's functions). What each member does
// differently is in the member itself; the content tests are the registry rows'.
using TLoadFile = void (*)(TImageIO& io, const std::u16string& name);
using TLoadStream = void (*)(TImageIO& io, vcl::TStream* stream);
using TSaveFile = TLoadFile;
using TSaveStream = TLoadStream;

struct TFormatMembers {
  int32_t fileType;
  TLoadFile loadFile;
  TLoadStream loadStream;
  TSaveFile saveFile;
  TSaveStream saveStream;
};

#define IO_NAME_MEMBER(call) [](TImageIO& io, const std::u16string& name) { io.call; }
#define IO_STREAM_MEMBER(call) [](TImageIO& io, vcl::TStream* stream) { io.call; }

const TFormatMembers kFormatMembers[] = {
    {1, IO_NAME_MEMBER(LoadTIFFFromFile(name)), IO_STREAM_MEMBER(LoadTIFFFromStream(stream)),
     IO_NAME_MEMBER(SaveTIFFToFile(name)), IO_STREAM_MEMBER(SaveTIFFToStream(stream))},
    {2, IO_NAME_MEMBER(LoadGIFFromFile(name)), IO_STREAM_MEMBER(LoadGIFFromStream(stream)),
     IO_NAME_MEMBER(SaveGIFToFile(name)), IO_STREAM_MEMBER(SaveGIFToStream(stream))},
    {3, IO_NAME_MEMBER(LoadJPEGFromFile(name)), IO_STREAM_MEMBER(LoadJPEGFromStream(stream)),
     IO_NAME_MEMBER(SaveJPEGToFile(name)), IO_STREAM_MEMBER(SaveJPEGToStream(stream))},
    {4, IO_NAME_MEMBER(LoadPCXFromFile(name)), IO_STREAM_MEMBER(LoadPCXFromStream(stream)),
     IO_NAME_MEMBER(SavePCXToFile(name)), IO_STREAM_MEMBER(SavePCXToStream(stream))},
    {5, IO_NAME_MEMBER(LoadBMPFromFile(name)), IO_STREAM_MEMBER(LoadBMPFromStream(stream)),
     IO_NAME_MEMBER(SaveBMPToFile(name)), IO_STREAM_MEMBER(SaveBMPToStream(stream))},
    {6, IO_NAME_MEMBER(LoadICOFromFile(name)), IO_STREAM_MEMBER(LoadICOFromStream(stream)),
     IO_NAME_MEMBER(SaveICOToFile(name)), IO_STREAM_MEMBER(SaveICOToStream(stream))},
    {7, IO_NAME_MEMBER(LoadCURFromFile(name)), IO_STREAM_MEMBER(LoadCURFromStream(stream)), nullptr, nullptr},
    {8, IO_NAME_MEMBER(LoadPNGFromFile(name)), IO_STREAM_MEMBER(LoadPNGFromStream(stream)),
     IO_NAME_MEMBER(SavePNGToFile(name)), IO_STREAM_MEMBER(SavePNGToStream(stream))},
    {9, IO_NAME_MEMBER(ImportMetafileFromFile(name, -1, -1, true)),
     IO_STREAM_MEMBER(ImportMetafileFromStream(stream, -1, -1, true)), nullptr, nullptr},
    {10, IO_NAME_MEMBER(ImportMetafileFromFile(name, -1, -1, true)),
     IO_STREAM_MEMBER(ImportMetafileFromStream(stream, -1, -1, true)), nullptr, nullptr},
    {11, IO_NAME_MEMBER(LoadTGAFromFile(name)), IO_STREAM_MEMBER(LoadTGAFromStream(stream)),
     IO_NAME_MEMBER(SaveTGAToFile(name)), IO_STREAM_MEMBER(SaveTGAToStream(stream))},
    {12, IO_NAME_MEMBER(LoadPXMFromFile(name)), IO_STREAM_MEMBER(LoadPXMFromStream(stream)),
     IO_NAME_MEMBER(SavePXMToFile(name)), IO_STREAM_MEMBER(SavePXMToStream(stream))},
    {13, IO_NAME_MEMBER(LoadJP2FromFile(name)), IO_STREAM_MEMBER(LoadJP2FromStream(stream)),
     IO_NAME_MEMBER(SaveJP2ToFile(name)), IO_STREAM_MEMBER(SaveJP2ToStream(stream))},
    {14, IO_NAME_MEMBER(LoadJ2KFromFile(name)), IO_STREAM_MEMBER(LoadJ2KFromStream(stream)),
     IO_NAME_MEMBER(SaveJ2KToFile(name)), IO_STREAM_MEMBER(SaveJ2KToStream(stream))},
    {16, IO_NAME_MEMBER(LoadWBMPFromFile(name)), IO_STREAM_MEMBER(LoadWBMPFromStream(stream)),
     IO_NAME_MEMBER(SaveWBMPToFile(name)), IO_STREAM_MEMBER(SaveWBMPToStream(stream))},
    {17, nullptr, nullptr, IO_NAME_MEMBER(SavePSToFile(name)), IO_STREAM_MEMBER(SavePSToStream(stream))},
    {18, nullptr, nullptr, IO_NAME_MEMBER(SavePDFToFile(name)), IO_STREAM_MEMBER(SavePDFToStream(stream))},
    {19, IO_NAME_MEMBER(LoadDCXFromFile(name)), IO_STREAM_MEMBER(LoadDCXFromStream(stream)),
     IO_NAME_MEMBER(SaveDCXToFile(name)), IO_STREAM_MEMBER(SaveDCXToStream(stream))},
    {20, IO_NAME_MEMBER(LoadCameraRawFromFile(name)), IO_STREAM_MEMBER(LoadCameraRawFromStream(stream)), nullptr,
     nullptr},
    {21, IO_NAME_MEMBER(LoadRawBitmapFromFile(name)), IO_STREAM_MEMBER(LoadRawBitmapFromStream(stream)), nullptr,
     nullptr},
    {24, IO_NAME_MEMBER(LoadPSDFromFile(name)), IO_STREAM_MEMBER(LoadPSDFromStream(stream)),
     IO_NAME_MEMBER(SavePSDToFile(name)), IO_STREAM_MEMBER(SavePSDToStream(stream))},
    {25, IO_NAME_MEMBER(LoadLayersObjectsFromFile(name, 25)), IO_STREAM_MEMBER(LoadLayersObjectsFromStream(stream, 25)),
     nullptr, nullptr},
    {26, IO_NAME_MEMBER(LoadLayersObjectsFromFile(name, 26)), IO_STREAM_MEMBER(LoadLayersObjectsFromStream(stream, 26)),
     nullptr, nullptr},
    {27, IO_NAME_MEMBER(LoadLayersObjectsFromFile(name, 27)), IO_STREAM_MEMBER(LoadLayersObjectsFromStream(stream, 27)),
     nullptr, nullptr},
    {28, IO_NAME_MEMBER(LoadDICOMFromFile(name)), IO_STREAM_MEMBER(LoadDICOMFromStream(stream)), nullptr, nullptr},
    {29, IO_NAME_MEMBER(LoadHDPFromFile(name)), IO_STREAM_MEMBER(LoadHDPFromStream(stream)),
     IO_NAME_MEMBER(SaveHDPToFile(name)), IO_STREAM_MEMBER(SaveHDPToStream(stream))},
};

#undef IO_NAME_MEMBER
#undef IO_STREAM_MEMBER

// The members of a built-in format (a format that is not built in has none, even where a
// plug-in took a built-in number); nil for the other types.
const TFormatMembers* MembersOf(int32_t fileType) {
  const TIEFileFormatInfo* info = GetFileFormatInfo(fileType);
  if (info && !info->InternalFormat) return nullptr;
  for (const TFormatMembers& members : kFormatMembers)
    if (members.fileType == fileType) return &members;
  return nullptr;
}

bool IsURL(const std::u16string& name) {
  const std::string lower = vcl::LowerCase(vcl::Utf16ToAnsi(name.substr(0, 8)));
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 || lower.rfind("ftp://", 0) == 0;
}

// The text of the first bytes up to the first zero within `limit` bytes.
std::string HeaderText(const uint8_t* bytes, int32_t limit) {
  std::string text;
  for (int32_t i = 0; i < limit && bytes[i]; ++i) text += static_cast<char>(bytes[i]);
  return text;
}

// Reads `count` bytes from the position into a zeroed buffer; false when fewer were there.
bool ReadHead(vcl::TStream* stream, int64_t start, uint8_t* buffer, int32_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count));
  stream->SetPosition(start);
  const bool complete = stream->Read(buffer, count) == count;
  stream->SetPosition(start);
  return complete;
}

// A registry row's content test (built-in rows answer false until their codec registers).
bool RegistryTest(vcl::TStream* stream, int64_t start, int32_t fileType) {
  const TIEFileFormatInfo* info = GetFileFormatInfo(fileType);
  if (!info || !info->TryFunction) return false;
  TIETryFunction test = info->TryFunction;
  const bool found = test(stream, fileType);
  stream->SetPosition(start);
  return found;
}

// The content tests after the header tests, in the order that settles overlaps: the codecs
// of this library test their own formats; the other formats are asked through their registry
// rows (nil test).
struct TContentTest {
  int32_t fileType;
  bool (*test)(vcl::TStream* stream);
};
constexpr TContentTest kContentTests[] = {
    {28, nullptr},  {6, IsICOStream}, {7, IsCURStream}, {11, nullptr}, {12, IsPXMStream},
    {13, nullptr},  {14, nullptr},    {15, TImageIO::IsAVIStream},     {19, nullptr},
    {9, TImageIO::IsWMFStream},   {10, TImageIO::IsEMFStream},    {24, nullptr},    {25, nullptr}, {26, nullptr},
    {27, nullptr},
};

}  // namespace

// ---- detection ----

bool TImageIO::IsAVIStream(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  uint8_t head[12];
  if (!ReadHead(stream, start, head, 12)) return false;
  return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "AVI ", 4) == 0;
}

int32_t TImageIO::FindStreamFormat(vcl::TStream* stream) {
  int32_t result = 0;
  int64_t start = 0;
  try {
    start = stream->Position();
    // What the stream still holds from here, not its whole size: the data may sit inside
    // larger data.
    const int64_t remaining = stream->Size() - start;
    uint8_t head[128];
    auto headerTests = [&]() -> int32_t {
      if (remaining > 12 && ReadHead(stream, start, head, 12) && HeaderText(head, 5) == "JFIF") return 3;
      if (remaining > 13 && ReadHead(stream, start, head, 13) && std::memcmp(head, "GIF", 3) == 0) return 2;
      if (remaining > 12 && ReadHead(stream, start, head, 12) && HeaderText(head, 5) == "PCX2") return 4;
      if (remaining > 4 && ReadHead(stream, start, head, 4) && HeaderText(head, 4) == "PCX") return 4;
      if (remaining > 14 && ReadHead(stream, start, head, 14) && head[0] == 'B' && head[1] == 'M') return 5;
      if (remaining > 128 && ReadHead(stream, start, head, 128) && head[0] == 0x0A && head[1] <= 5) return 4;
      if (remaining > 12 && ReadHead(stream, start, head, 12) && HeaderText(head, 5) == "TIFF") return 1;
      return 0;
    };
    result = headerTests();
    auto test = [&](bool found) {
      stream->SetPosition(start);
      return found;
    };
    if (!result) {
      if (test(IsHDPhotoStream(stream)))
        result = 29;
      else if (test(IsTIFFStream(stream)) && !test(IsTIFFCameraRawStream(stream)))
        result = 1;
      else if (remaining > 8 && test(IsPNGStream(stream)))
        result = 8;
    }
    for (const TContentTest& content : kContentTests) {
      if (result) break;
      if (content.test ? test(content.test(stream)) : RegistryTest(stream, start, content.fileType))
        result = content.fileType;
    }
    if (!result && test(FindJPEGStream(stream, true) >= 0)) result = 3;
    for (int32_t i = 0; !result && i < GetFileFormatCount(); ++i) {
      const TIEFileFormatInfo* info = GetFileFormatByIndex(i);
      if (info->InternalFormat || !info->TryFunction) continue;
      if (RegistryTest(stream, start, info->FileType)) result = info->FileType;
    }
    if (!result && RegistryTest(stream, start, 20)) result = 20;
  } catch (...) {
    // A test that fails on the data has not recognised it.
  }
  try {
    stream->SetPosition(start);
  } catch (...) {
  }
  return result;
}

int32_t TImageIO::FindFileFormat(const std::u16string& name, bool strict) {
  if (name.empty() || !WideFileExists(name)) return 0;
  int32_t content = 0;
  try {
    TIEWideFileStream file(name, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    content = FindStreamFormat(&file);
  } catch (const vcl::Exception&) {
    return 0;
  }
  const TIEFileFormatInfo* byExtension = FindFileFormatByExtension(LowerExtension(name));
  if (byExtension && byExtension->FileType == 20 && content == 1) return 20;
  if (byExtension && !byExtension->InternalFormat) return byExtension->FileType;
  if (strict && content != 0) {
    if (!byExtension) return 0;
    if (content == 6 || content == 7) return byExtension->FileType;
    if (content != byExtension->FileType) return 0;
  }
  return content;
}

// ---- loads ----

void TImageIO::LoadFromFile(const std::u16string& name) {
  if (!ieBitmap_) return;
  if (HandToWorker([this, name] { LoadFromFile(name); })) return;
  if (IsURL(name)) {
    LoadFromURL(name);
    return;
  }
  const std::string extension = LowerExtension(name);
  if (extension == ".avi") {
    // The frame is read here and now: the file is closed right after it.
    if (OpenAVIFile(name) > 0 && !Aborting()) {
      LoadAVIFrame(params_->ImageIndex);
    } else {
      SetAborting(true);
      DoFinishWork();
    }
    CloseAVIFile();
    if (!Aborting()) {
      params_->FileName = name;
      params_->FileType = 15;
    }
    return;
  }
  const TIEFileFormatInfo* info = FindFileFormatByExtension(extension);
  // An unknown extension has no reader.
  if (name.empty() || !info) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  LoadFromFileFormat(name, info->FileType);
}

void TImageIO::LoadFromFileFormat(const std::u16string& name, int32_t fileType) {
  if (HandToWorker([this, name, fileType] { LoadFromFileFormat(name, fileType); })) return;
  const TFormatMembers* members = MembersOf(fileType);
  if (members && members->loadFile)
    members->loadFile(*this, name);
  else
    LoadRegistryFormatFromFile(name, fileType);
}

void TImageIO::LoadFromFileAuto(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadFromFileAuto(name); })) return;
  const int32_t fileType = FindFileFormat(name, false);
  if (fileType != 0)
    LoadFromFileFormat(name, fileType);
  else
    LoadFromFile(name);
}

void TImageIO::LoadFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadFromStream(stream); })) return;
  const int32_t fileType = FindStreamFormat(stream);
  if (fileType == 0 || !GetFileFormatInfo(fileType)) {
    // Data that nothing recognises is a failed load, not a silent one.
    SetAborting(true);
    DoFinishWork();
    return;
  }
  LoadFromStreamFormat(stream, fileType);
}

void TImageIO::LoadFromStreamFormat(vcl::TStream* stream, int32_t fileType) {
  if (HandToWorker([this, stream, fileType] { LoadFromStreamFormat(stream, fileType); })) return;
  if (fileType == 0) {
    LoadFromStream(stream);
    return;
  }
  const TFormatMembers* members = MembersOf(fileType);
  if (members && members->loadStream)
    members->loadStream(*this, stream);
  else
    LoadRegistryFormatFromStream(stream, fileType);
}

void TImageIO::LoadFromBuffer(const void* buffer, int64_t size, int32_t fileType) {
  if (!buffer || size <= 0) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  if (!ownsBitmap_ && asynchronous_ && !IsInsideWorker()) {
    // The worker reads its own copy: the caller's buffer may be gone by the time it runs.
    auto copy = std::make_shared<vcl::TMemoryStream>();
    copy->SetSize(size);
    for (int64_t done = 0; done < size;) {
      const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(size - done, 1 << 30));
      copy->WriteBuffer(static_cast<const uint8_t*>(buffer) + done, chunk);
      done += chunk;
    }
    copy->SetPosition(0);
    HandToWorker([this, copy, fileType] { LoadFromStreamFormat(copy.get(), fileType); });
    return;
  }
  TIEMemStream stream(const_cast<void*>(buffer), size);
  LoadFromStreamFormat(&stream, fileType);
}

// ---- saves ----

void TImageIO::SaveToFile(const std::u16string& name) {
  if (name.empty()) return;
  if (HandToWorker([this, name] { SaveToFile(name); })) return;
  const std::string extension = LowerExtension(name);
  int32_t fileType = 0;
  for (const TSaveExtension& entry : kSaveExtensions)
    if (extension == entry.extension) {
      fileType = entry.fileType;
      break;
    }
  if (!fileType) {
    const TIEFileFormatInfo* info = FindFileFormatByExtension(extension);
    if (info) fileType = info->FileType;
  }
  const TFormatMembers* members = MembersOf(fileType);
  if (members && members->saveFile)
    members->saveFile(*this, name);
  else
    SaveRegistryFormatToFile(name, fileType);
}

void TImageIO::SaveToStream(vcl::TStream* stream, int32_t fileType) {
  if (HandToWorker([this, stream, fileType] { SaveToStream(stream, fileType); })) return;
  const TFormatMembers* members = MembersOf(fileType);
  if (members && members->saveStream)
    members->saveStream(*this, stream);
  else
    SaveRegistryFormatToStream(stream, fileType);
}

// ---- parameters only ----

void TImageIO::ReadParamsOnly(vcl::TStream* stream, int32_t fileType) {
  // Readers that only fill the block still get a bitmap of their own: the target stays as is.
  // The callers turn whatever a reader raises into the aborting flag.
  TIEBitmap scratch;
  TCodecProgress progress = MakeProgress(false);
  TIOParamsVals& p = *params_;
  // The readers are told to ignore alpha; a mask handed back anyway is freed.
  TReaderMask mask;
  int32_t count = 0;
  switch (fileType) {
    case 1: ReadTIFFStream(&scratch, stream, count, p, progress, true, mask.Slot(), true, true, false); return;
    case 2: ReadGIFStream(stream, &scratch, count, p, progress, true, mask.Slot(), true); return;
    case 3:
      ReadJPEGStream(stream, nullptr, &scratch, p, progress, true, false, true, false, true, true, -1,
                     p.KeepNativePixelFormat);
      return;
    case 5:
      ReadBMPStream(stream, &scratch, stream->Size() - stream->Position(), p, progress, true, false, mask.Slot(), true);
      return;
    case 6: ReadICOStream(stream, &scratch, p, true, progress, mask.Slot(), true); return;
    case 7: ReadCURStream(stream, &scratch, p, true, progress, mask.Slot(), true); return;
    case 8: ReadPNGStream(stream, &scratch, p, progress, true); return;
    case 9: case 10: ReadMetafileParams(stream); return;
    case 12: ReadPXMStream(stream, &scratch, p, progress, true); return;
    case 16: ReadWBMPStream(stream, &scratch, p, progress, true); return;
    default:
      if (TIEReadFunction reader = RegistryReader(fileType))
        reader(stream, &scratch, p, progress, true);
      else
        SetAborting(true);
      return;
  }
}

void TImageIO::ParamsFromStreamFormat(vcl::TStream* stream, int32_t fileType) {
  params_->FileType = fileType;
  try {
    params_->ResetInfo();
    SetAborting(false);
    TIEBufferedReadStream buffered(stream, IEBufferedReadKeepOrigin, kReaderReadAhead);
    ReadParamsOnly(&buffered, fileType);
  } catch (...) {
    SetAborting(true);
  }
  if (Aborting()) params_->FileType = 0;
  DoFinishWork();
}

void TImageIO::ParamsFromFileFormat(const std::u16string& name, int32_t fileType) {
  params_->FileType = fileType;
  try {
    params_->ResetInfo();
    SetAborting(true);
    TIEWideFileStream file(name, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    SetAborting(false);
    TIEBufferedReadStream buffered(&file, IEBufferedReadKeepOrigin, kReaderReadAhead);
    ReadParamsOnly(&buffered, fileType);
  } catch (...) {
    SetAborting(true);
  }
  if (Aborting()) params_->FileType = 0;
  params_->FileName = name;
  DoFinishWork();
}

void TImageIO::ParamsFromFile(const std::u16string& name) {
  int32_t fileType = FindFileFormat(name, true);
  // Data that no content test knows (a wireless bitmap has no signature) is read as its
  // extension says, as LoadFromFileAuto does.
  if (fileType == 0 && FindFileFormat(name, false) == 0) fileType = FileTypeOfExtension(LowerExtension(name));
  ParamsFromFileFormat(name, fileType);
}

void TImageIO::ParamsFromStream(vcl::TStream* stream) { ParamsFromStreamFormat(stream, FindStreamFormat(stream)); }

void TImageIO::ParamsFromBuffer(const void* buffer, int64_t size, int32_t fileType) {
  if (!buffer || size <= 0) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  TIEMemStream stream(const_cast<void*>(buffer), size);
  if (fileType != 0)
    ParamsFromStreamFormat(&stream, fileType);
  else
    ParamsFromStream(&stream);
}

}  // namespace imaging
