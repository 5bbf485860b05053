// TImageIO's source text export: the image as text to paste into program source.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "imaging/base/base64_text.h"
#include "imaging/base/defs.h"
#include "imaging/base/wide_file.h"
#include "imaging/io/image_io.h"
#include "imaging/io/safe_file_save.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

constexpr size_t kLineLength = 70;
constexpr char kRamp[] = "W@#*+:., ";

void WriteLine(vcl::TStream* text, const std::string& line) {
  const std::string out = line + "\r\n";
  text->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

std::string Hex2(uint8_t value) {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", value);
  return digits;
}

// The constant's name: the file's base name without its extension, every character that
// cannot stand in an identifier made "_" (and a leading digit prefixed with one), so that the
// text compiles wherever the file was put.
std::string ConstantName(const std::u16string& fileName) {
  std::string base = vcl::ExtractFileName(vcl::Utf16ToAnsi(fileName));
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  for (char& c : base) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!letter && !(c >= '0' && c <= '9')) c = '_';
  }
  if (base.empty() || (base[0] >= '0' && base[0] <= '9')) base = "_" + base;
  return base;
}

void WritePascalConstant(vcl::TStream* text, const std::string& name, const uint8_t* data, int64_t size) {
  const std::string sizeName = name + "_Size";
  WriteLine(text, "const");
  WriteLine(text, "  " + sizeName + " = " + std::to_string(size) + ";");
  WriteLine(text, "  " + name + " : array [0.." + sizeName + "-1] of byte = (");
  std::string line;
  for (int64_t i = 0; i + 1 < size; ++i) {
    line += "$" + Hex2(data[i]) + ",";
    if (line.size() > kLineLength) {
      WriteLine(text, "    " + line);
      line.clear();
    }
  }
  WriteLine(text, "    " + line + "$" + Hex2(data[size - 1]) + ");");
}

void WriteHexList(vcl::TStream* text, const uint8_t* data, int64_t size) {
  WriteLine(text, "// Size=" + std::to_string(size));
  std::string line;
  for (int64_t i = 0; i + 1 < size; ++i) {
    line += "0x" + Hex2(data[i]) + ",";
    if (line.size() > kLineLength) {
      WriteLine(text, line);
      line.clear();
    }
  }
  WriteLine(text, line + "0x" + Hex2(data[size - 1]));
}

void WriteCharacterPicture(vcl::TStream* text, TIEBitmap& bitmap) {
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    std::string line;
    const uint8_t* row = static_cast<const uint8_t*>(bitmap.GetScanline(y));
    for (int32_t x = 0; x < bitmap.Width(); ++x, row += 3) {
      const int32_t grey = GrayLevel(row[2], row[1], row[0]);
      line += kRamp[std::min(grey * 9 / 255, 8)];
    }
    WriteLine(text, line);
  }
}

}  // namespace

void TImageIO::SaveToPascalSource(const std::u16string& name, int32_t fileType, uint8_t kind) {
  // The whole export runs on one worker: the encoding must be complete before it is read.
  if (HandToWorker([this, name, fileType, kind] { SaveToPascalSource(name, fileType, kind); })) return;
  bool written = false;
  try {
    vcl::TMemoryStream text;
    if (kind <= 2) {
      vcl::TMemoryStream encoded;
      ++innerCalls_;
      try {
        SaveToStream(&encoded, fileType);
      } catch (...) {
        --innerCalls_;
        throw;
      }
      --innerCalls_;
      const int64_t size = encoded.Size();
      // A failed or empty encoding leaves no text that would look like a picture.
      if (!Aborting() && size > 0) {
        const uint8_t* data = static_cast<const uint8_t*>(encoded.Memory());
        if (kind == 0) WritePascalConstant(&text, ConstantName(name), data, size);
        if (kind == 1) WriteHexList(&text, data, size);
        if (kind == 2) {
          encoded.SetPosition(0);
          WriteBase64Text(&encoded, &text, 76);
        }
        written = true;
      }
    } else if (kind == 3 && CheckBitmap({ie24RGB})) {
      WriteCharacterPicture(&text, *ieBitmap_);
      written = true;
    }
    if (written) {
      TSafeFileSave target(name);
      {
        TIEWideFileStream file(target.TempName(), ieFileCreate);
        if (text.Size() > 0) file.WriteBuffer(text.Memory(), static_cast<int32_t>(text.Size()));
      }
      target.Commit();
      params_->FileName = name;
    }
  } catch (...) {
    SetAborting(true);
    DoFinishWork();
    throw;
  }
  SetAborting(!written);
  DoFinishWork();
}

}  // namespace imaging
