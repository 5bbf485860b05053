#include "imaging/model/annotations.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "imaging/model/ie_bitmap.h"
#include "imaging/metadata/tiff_types.h"
#include "imaging/model/routines/dib_export.h"
#include "imaging/model/routines/dib_import.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

constexpr int32_t kBlockWhole = 2;
constexpr int32_t kBlockAttributes = 5;
constexpr int32_t kBlockMark = 6;
constexpr size_t kFontOffset = 48;
constexpr int32_t kMarkImage = 1;
// Font heights are stored for this text resolution.
constexpr int32_t kTextResolution = 7500;
constexpr int32_t kImageDPI = 200;
constexpr size_t kImageRecordSize = 56;

bool CarriesPoints(int32_t type) { return type == 3 || type == 4; }
bool CarriesText(int32_t type) { return type >= 7 && type <= 10; }

// The screen's resolution, written into image marks as the resolution they were made at.
void ScreenDPI(int32_t& x, int32_t& y) {
  static int32_t dpiX = 0, dpiY = 0;
  if (!dpiX) {
    HDC dc = GetDC(nullptr);
    dpiX = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    dpiY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    if (dpiX <= 0) dpiX = 96;
    if (dpiY <= 0) dpiY = 96;
  }
  x = dpiX;
  y = dpiY;
}

// Builds one named block: its header, then the data, then the size filled in.
class TNamedBlock {
 public:
  TNamedBlock(std::vector<uint8_t>& out, int32_t type, const char* name) : out_(out) {
    vcl::le::Put32(out_, static_cast<uint32_t>(type));
    vcl::le::Put32(out_, 12);
    char padded[8] = {};
    std::memcpy(padded, name, strnlen(name, sizeof padded));
    out_.insert(out_.end(), padded, padded + 8);
    sizeAt_ = out_.size();
    vcl::le::Put32(out_, 0);
  }
  ~TNamedBlock() {
    uint32_t size = static_cast<uint32_t>(out_.size() - sizeAt_ - 4);
    for (int i = 0; i < 4; ++i) out_[sizeAt_ + i] = static_cast<uint8_t>(size >> (8 * i));
  }

 private:
  std::vector<uint8_t>& out_;
  size_t sizeAt_;
};

void WriteTextBlock(std::vector<uint8_t>& out, int32_t type, const char* name, const std::string& text) {
  TNamedBlock block(out, type, name);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

// The named-block data of the mark being read, by name (a name met again replaces it).
using TNamedData = std::map<std::string, std::vector<uint8_t>>;

}  // namespace

// ---- a mark ----

TIEImagingObject::TIEImagingObject() = default;
TIEImagingObject::~TIEImagingObject() = default;

int32_t TIEImagingObject::MarkType() const { return static_cast<int32_t>(ReadTIFF32(Attributes.data(), false)); }

void TIEImagingObject::SetMarkType(int32_t type) {
  for (int i = 0; i < 4; ++i) Attributes[i] = static_cast<uint8_t>(uint32_t(type) >> (8 * i));
}

int32_t TIEImagingObject::FontHeight() const {
  return static_cast<int32_t>(ReadTIFF32(Attributes.data() + kFontOffset, false));
}

void TIEImagingObject::SetFontHeight(int32_t height) {
  for (int i = 0; i < 4; ++i) Attributes[kFontOffset + i] = static_cast<uint8_t>(uint32_t(height) >> (8 * i));
}

// ---- the marks of an image ----

TIEImagingAnnot::~TIEImagingAnnot() = default;

void TIEImagingAnnot::Assign(const TIEImagingAnnot* source) {
  if (source == this) return;
  Clear();
  if (!source) return;
  for (const auto& from : source->Objects) {
    auto copy = std::make_unique<TIEImagingObject>();
    copy->Attributes = from->Attributes;
    copy->Points = from->Points;
    copy->Text = from->Text;
    if (from->Image) {
      copy->Image = std::make_unique<TIEBitmap>();
      copy->Image->Assign(from->Image.get());
    }
    Objects.push_back(std::move(copy));
  }
}

namespace {

// Turns what was read for one mark into an object; nothing for a mark type below 1.
std::unique_ptr<TIEImagingObject> FinishMark(const std::array<uint8_t, TIEImagingObject::kAttributesSize>& attributes,
                                             const TNamedData& data) {
  auto mark = std::make_unique<TIEImagingObject>();
  mark->Attributes = attributes;
  const int32_t type = mark->MarkType();
  if (type < 1) return nullptr;
  auto find = [&](const char* name) -> const std::vector<uint8_t>* {
    auto it = data.find(name);
    return it == data.end() ? nullptr : &it->second;
  };
  if (type == kMarkImage) {
    if (const std::vector<uint8_t>* dib = find("OiDIB")) {
      auto image = std::make_unique<TIEBitmap>();
      try {
        PackedDIBToIEBitmap(dib->data(), dib->size(), image.get());
        if (!image->IsEmpty()) mark->Image = std::move(image);
      } catch (const vcl::Exception&) {
        // A damaged picture costs the mark its image, not the rest of the annotations.
      }
    }
  } else if (CarriesPoints(type)) {
    if (const std::vector<uint8_t>* points = find("OiAnoDat"); points && points->size() >= 8) {
      uint64_t count = ReadTIFF32(points->data() + 4, false);
      count = std::min<uint64_t>(count, (points->size() - 8) / 8);
      for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* p = points->data() + 8 + 8 * i;
        mark->Points.push_back({static_cast<int32_t>(ReadTIFF32(p, false)), static_cast<int32_t>(ReadTIFF32(p + 4, false))});
      }
    }
  } else if (CarriesText(type)) {
    if (const std::vector<uint8_t>* text = find("OiAnText"); text && text->size() >= 16) {
      int32_t resolution = static_cast<int32_t>(ReadTIFF32(text->data() + 8, false));
      if (resolution <= 0) resolution = kTextResolution;
      uint64_t length = std::min<uint64_t>(ReadTIFF32(text->data() + 12, false), text->size() - 16);
      const char* chars = reinterpret_cast<const char*>(text->data() + 16);
      mark->Text.assign(chars, strnlen(chars, static_cast<size_t>(length)));
      // Heights are kept for the written resolution: a block written here reads back with
      // the same height, and one of another resolution is scaled exactly.
      if (resolution != kTextResolution) {
        double scaled = std::nearbyint(double(mark->FontHeight()) * kTextResolution / resolution);
        scaled = std::max(-2147483647.0, std::min(2147483647.0, scaled));
        mark->SetFontHeight(static_cast<int32_t>(scaled));
      }
    }
  }
  return mark;
}

}  // namespace

void TIEImagingAnnot::LoadFromBuffer(const uint8_t* buffer, int32_t length) {
  if (!buffer || length < 8) return;
  const size_t end = static_cast<size_t>(length);
  const bool extraHeader = ReadTIFF32(buffer + 4, false) == 0;
  size_t pos = 8;
  std::array<uint8_t, TIEImagingObject::kAttributesSize> attributes{};
  TNamedData markData;
  auto finish = [&]() {
    if (auto mark = FinishMark(attributes, markData)) Objects.push_back(std::move(mark));
  };

  while (pos + 8 <= end) {
    const int32_t type = static_cast<int32_t>(ReadTIFF32(buffer + pos, false));
    const uint32_t declared = ReadTIFF32(buffer + pos + 4, false);
    pos += 8;
    if (type == kBlockWhole || type == kBlockMark) {
      const size_t header = 12 + (extraHeader ? 4 : 0);
      if (pos + header > end) break;
      const char* name = reinterpret_cast<const char*>(buffer + pos);
      std::string key(name, strnlen(name, 8));
      const uint64_t size = ReadTIFF32(buffer + pos + 8, false);
      pos += header;
      if (size > end - pos) break;
      // Data for the whole block is read past; nothing in it belongs to a mark.
      if (type == kBlockMark) markData[key].assign(buffer + pos, buffer + pos + static_cast<size_t>(size));
      pos += static_cast<size_t>(size);
    } else if (type == kBlockAttributes) {
      finish();
      markData.clear();
      if (declared > end - pos) {
        attributes.fill(0);
        break;
      }
      attributes.fill(0);
      std::memcpy(attributes.data(), buffer + pos, std::min<size_t>(declared, attributes.size()));
      pos += declared;
    }
  }
  finish();
  UserChanged = false;
}

std::vector<uint8_t> TIEImagingAnnot::SaveToBuffer() const {
  std::vector<uint8_t> out;
  if (Objects.empty()) return out;
  vcl::le::Put32(out, 0);
  vcl::le::Put32(out, 1);
  WriteTextBlock(out, kBlockWhole, "OiGroup", "0");
  WriteTextBlock(out, kBlockWhole, "OiIndex", "1");
  for (size_t i = 0; i < Objects.size(); ++i) {
    const TIEImagingObject& mark = *Objects[i];
    const int32_t type = mark.MarkType();
    vcl::le::Put32(out, kBlockAttributes);
    vcl::le::Put32(out, static_cast<uint32_t>(TIEImagingObject::kAttributesSize));
    out.insert(out.end(), mark.Attributes.begin(), mark.Attributes.end());
    if (type == kMarkImage) {
      {
        TNamedBlock block(out, kBlockMark, "OiAnoDat");
        int32_t dpiX, dpiY;
        ScreenDPI(dpiX, dpiY);
        size_t start = out.size();
        for (int32_t v : {1, 1000, dpiX, dpiY, dpiX, dpiY, 0, 0}) vcl::le::Put32(out, static_cast<uint32_t>(v));
        out.resize(start + kImageRecordSize, 0);
      }
      if (mark.Image) {
        HGLOBAL dib = _CopyBitmaptoDIBEx(mark.Image.get(), 0, 0, 0, 0, kImageDPI, kImageDPI);
        if (dib) {
          TNamedBlock block(out, kBlockMark, "OiDIB");
          auto bytes = static_cast<const uint8_t*>(GlobalLock(dib));
          if (bytes) out.insert(out.end(), bytes, bytes + GlobalSize(dib));
          GlobalUnlock(dib);
          GlobalFree(dib);
        }
      }
    } else if (CarriesPoints(type)) {
      TNamedBlock block(out, kBlockMark, "OiAnoDat");
      vcl::le::Put32(out, static_cast<uint32_t>(mark.Points.size()));
      vcl::le::Put32(out, static_cast<uint32_t>(mark.Points.size()));
      for (const TIEAnnotPoint& p : mark.Points) {
        vcl::le::Put32(out, static_cast<uint32_t>(p.x));
        vcl::le::Put32(out, static_cast<uint32_t>(p.y));
      }
    } else if (CarriesText(type)) {
      TNamedBlock block(out, kBlockMark, "OiAnText");
      for (int32_t v : {0, 1000, kTextResolution, static_cast<int32_t>(mark.Text.size())})
        vcl::le::Put32(out, static_cast<uint32_t>(v));
      out.insert(out.end(), mark.Text.begin(), mark.Text.end());
      out.push_back(0);
    }
    WriteTextBlock(out, kBlockMark, "OiGroup", "0");
    WriteTextBlock(out, kBlockMark, "OiIndex", std::to_string(i));
  }
  return out;
}

}  // namespace imaging
