// The element walk: every data element of the data set goes into the tag list, and the image
// attributes are captured on the way, until the pixel data.
#include "imaging/codecs/dicom/dicom_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/base/buffered_read_stream.h"
#include "imaging/base/text_helpers.h"
#include "imaging/codecs/dicom/dicom_context.h"
#include "imaging/codecs/dicom/dicom_dictionary.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr uint32_t kUndefinedLength = 0xFFFFFFFF;

bool ReadDICOMBytes(vcl::TStream* stream, void* buffer, int32_t count) { return stream->Read(buffer, count) == count; }

bool IsUpperLetter(uint8_t c) { return c >= 'A' && c <= 'Z'; }

// Explicit value representations whose length takes 4 bytes after 2 reserved ones.
bool HasLongLength(const char* vr) {
  static const char* const kLong[] = {"OB", "OW", "OF", "OD", "OL", "OV", "SQ", "UC", "UN", "UR", "UT", "SV", "UV"};
  for (const char* item : kLong)
    if (vr[0] == item[0] && vr[1] == item[1]) return true;
  return false;
}

int32_t ElementSize(const char* vr) {
  const std::string v(vr, 2);
  if (v == "SS" || v == "US") return 2;
  if (v == "UL" || v == "SL" || v == "FL") return 4;
  if (v == "FD") return 8;
  return 1;
}

// The text before the first backslash as a number, or the default.
double DICOMStrToFloat(const std::string& text, double defaultValue) {
  return double(ParseFloatTolerant(TrimString(text.substr(0, text.find('\\'))), defaultValue));
}

std::string ValueText(const uint8_t* data, int64_t length) {
  if (!data || length <= 0) return std::string();
  std::string text(reinterpret_cast<const char*>(data), size_t(length));
  return text.substr(0, text.find('\0'));
}

// A lookup table of 16-bit entries from the value.
std::vector<uint16_t> LookupTable(const uint8_t* data, int64_t length, bool littleEndian) {
  std::vector<uint16_t> table;
  if (!data) return table;
  for (int64_t i = 0; i + 1 < length && table.size() < 65536; i += 2)
    table.push_back(littleEndian ? vcl::le::U16(data + i) : vcl::be::U16(data + i));
  return table;
}

void ApplyDICOMImageParams(TDICOMContext& c) {
  TIOParamsVals& p = c.Params;
  p.BitsPerSample = c.BitsStored;
  p.SamplesPerPixel = c.SamplesPerPixel;
  p.Width = p.StoredWidth = c.Columns;
  p.Height = p.StoredHeight = c.Rows;
  p.SetImageCount(c.FrameCount);
  if (!c.Preview) ReadDICOMPixels(c);
}

void ReadDataSet(TDICOMContext& c) {
  vcl::TStream* s = c.Stream;
  const int64_t start = s->Position();
  uint8_t magic[4];
  s->SetPosition(start + 128);
  if (!(s->Size() - start >= 132 && ReadDICOMBytes(s, magic, 4) && std::memcmp(magic, "DICM", 4) == 0))
    s->SetPosition(start);
  int64_t pixelStart = -1, jpegStart = -1;
  while (s->Position() < c.StreamSize) {
    uint16_t group, element;
    if (!DICOMReadWord(c, false, group) || !DICOMReadWord(c, false, element)) break;
    const bool swapped = group != 2 && !c.LittleEndian;
    if (swapped) group = vcl::Swap16(group), element = vcl::Swap16(element);
    const char* dictionaryVR = DICOMDictionaryVR(group, element);
    uint8_t fileVR[2];
    if (!ReadDICOMBytes(s, fileVR, 2)) break;
    char vr[2] = {dictionaryVR[0], dictionaryVR[1]};
    uint32_t length = 0;
    auto readLength32 = [&]() { return DICOMReadDWord(c, swapped, length); };
    if (group == 2 || (IsUpperLetter(fileVR[0]) && IsUpperLetter(fileVR[1]))) {
      if (vr[0] == 'x' && vr[1] == 's') vr[0] = char(fileVR[0]), vr[1] = char(fileVR[1]);
      if (vr[0] == '!' && vr[1] == '!') {
        s->Seek(-2, vcl::soCurrent);
        if (!readLength32()) break;
      } else if (HasLongLength(reinterpret_cast<const char*>(fileVR))) {
        uint16_t reserved;
        if (!DICOMReadWord(c, false, reserved) || !readLength32()) break;
      } else {
        uint16_t value;
        if (!DICOMReadWord(c, swapped, value)) break;
        length = value;
      }
    } else {
      s->Seek(-2, vcl::soCurrent);
      if (!readLength32()) break;
    }
    const int32_t size = ElementSize(vr);
    const int64_t count = length != kUndefinedLength && length > 0 ? length / size : 0;

    if (group == 0x7FE0 && element == 0x0010) {
      const int64_t here = s->Position();
      uint8_t peek[4] = {};
      const bool bareJPEG = ReadDICOMBytes(s, peek, 4) && peek[0] == 0xFF && peek[1] == 0xD8 && peek[2] == 0xFF &&
                            peek[3] == 0xE0;
      s->SetPosition(here);
      if (!bareJPEG) {
        pixelStart = here;
        break;
      }
      jpegStart = here;
    }

    // Values are read when the stream holds them; longer and undefined ones are walked into.
    std::unique_ptr<uint8_t[]> value;
    int32_t number = 0;
    const int64_t remaining = c.StreamSize - s->Position();
    if (length != kUndefinedLength && length > 0 && int64_t(length) <= remaining) {
      value = std::make_unique<uint8_t[]>(size_t(length) + 1);
      if (!ReadDICOMBytes(s, value.get(), int32_t(length))) break;
      value[size_t(count * size)] = 0;
      value[length] = 0;
      if (count == 1 && (size == 1 || size == 2 || size == 4)) {
        const uint8_t* v = value.get();
        const bool little = group == 2 || c.LittleEndian;
        if (size == 1) number = v[0];
        if (size == 2) number = little ? vcl::le::U16(v) : vcl::be::U16(v);
        if (size == 4) number = int32_t(little ? vcl::le::U32(v) : vcl::be::U32(v));
      }
    }
    const bool stored = value != nullptr;
    const std::string text = stored ? ValueText(value.get(), length) : std::string();
    const uint8_t* bytes = value.get();
    std::vector<uint16_t> table;
    if (group == 0x0028 && element >= 0x1201 && element <= 0x1203)
      table = LookupTable(bytes, stored ? length : 0, group == 2 || c.LittleEndian);
    c.Params.DICOMTags.AddTag(group, element, stored ? int32_t(length) : -1, std::move(value), std::string(vr, 2));

    if (group == 0x0002 && element == 0x0010) {
      c.TransferSyntax = TrimString(text);
      if (c.TransferSyntax == "1.2.840.10008.1.2.2") c.LittleEndian = false;
    } else if (group == 0x0028) {
      switch (element) {
        case 0x0002: c.SamplesPerPixel = number; break;
        case 0x0004: c.Photometric = text; break;
        case 0x0006: c.PlanarConfiguration = number; break;
        case 0x0008: c.FrameCount = std::max(1, StringToIntDef(TrimString(text), 1)); break;
        case 0x0010: c.Rows = number; break;
        case 0x0011: c.Columns = number; break;
        case 0x0100:
          c.BitsAllocated = number;
          if (c.BitsStored == 0) c.BitsStored = number;
          break;
        case 0x0101:
          c.BitsStored = number;
          if (c.BitsAllocated == 0) c.BitsAllocated = number;
          break;
        case 0x0103: c.PixelRepresentation = number; break;
        case 0x1050:
          c.WindowCenter = DICOMStrToFloat(text, -1);
          if (c.WindowCenter == 0) c.WindowCenter = -1;
          break;
        case 0x1051: c.WindowWidth = DICOMStrToFloat(text, -1); break;
        case 0x1052: c.RescaleIntercept = DICOMStrToFloat(text, -1); break;
        case 0x1053: c.RescaleSlope = DICOMStrToFloat(text, -1); break;
        case 0x1201: c.RedLUT = table; break;
        case 0x1202: c.GreenLUT = table; break;
        case 0x1203: c.BlueLUT = table; break;
      }
    }
  }
  if (pixelStart >= 0) {
    s->SetPosition(pixelStart);
    ApplyDICOMImageParams(c);
  } else if (jpegStart >= 0) {
    s->SetPosition(jpegStart);
    ApplyDICOMImageParams(c);
  }
}

void ReadDICOM(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
               bool preview) {
  ReadDICOMStream(stream, params, bitmap, progress, preview);
}

bool TryDICOM(vcl::TStream* stream, int32_t) { return IsDICOMStream(stream); }

}  // namespace

bool DICOMReadWord(TDICOMContext& c, bool swap, uint16_t& value) {
  if (!ReadDICOMBytes(c.Stream, &value, 2)) return false;
  if (swap) value = vcl::Swap16(value);
  return true;
}

bool DICOMReadDWord(TDICOMContext& c, bool swap, uint32_t& value) {
  if (!ReadDICOMBytes(c.Stream, &value, 4)) return false;
  if (swap) value = vcl::Swap32(value);
  return true;
}

bool IsDICOMStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t magic[4];
  bool found = false;
  if (Stream->Size() - start >= 132) {
    Stream->SetPosition(start + 128);
    found = ReadDICOMBytes(Stream, magic, 4) && std::memcmp(magic, "DICM", 4) == 0;
  }
  Stream->SetPosition(start);
  return found;
}

void ReadDICOMStream(vcl::TStream* Stream, TIOParamsVals& Params, TIEBitmap* Bitmap, TCodecProgress& Progress,
                     bool Preview) {
  TIEBufferedReadStream buffered(Stream, false, 8192);
  TIEBitmap work;
  TDICOMContext c(Params, &work, Progress, &buffered);
  c.StreamSize = buffered.Size();
  c.Preview = Preview;
  try {
    ReadDataSet(c);
  } catch (const vcl::EStreamError&) {
    // A value that the stream could not give is damage of the file.
    Progress.Abort();
  }
  Params.SetImageCount(c.FrameCount);
  if (Preview || Progress.IsAborting()) return;
  // A data set without pixel data (or one that could not be walked to them) has no picture.
  if (work.IsEmpty()) return Progress.Abort();
  // A platform bitmap holds no 16-bit grey or 48-bit pixels.
  if (Bitmap->Location() == ieTBitmap) {
    if (work.PixelFormat() != ie1g && work.PixelFormat() != ie24RGB) work.ConvertTo(ie24RGB);
    Bitmap->Assign(&work);
  } else {
    work.MoveContentTo(Bitmap);
  }
}

void RegisterDICOMFormat() {
  if (TIEFileFormatInfo* dicom = GetFileFormatInfo(28)) {
    dicom->ReadFunction = ReadDICOM;
    dicom->TryFunction = TryDICOM;
  }
}

}  // namespace imaging
