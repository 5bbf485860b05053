#include "imaging/model/icc_profile.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "imaging/model/ie_bitmap.h"
#include "imaging/base/startup.h"
#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/win.h"
#include "vcl/runtime/proc_address.h"
#include <icm.h>

namespace imaging {

namespace {

using OpenColorProfileAProc = HPROFILE(WINAPI*)(PPROFILE, DWORD, DWORD, DWORD);
using CloseColorProfileProc = BOOL(WINAPI*)(HPROFILE);
using CreateMultiProfileTransformProc = HTRANSFORM(WINAPI*)(PHPROFILE, DWORD, PDWORD, DWORD, DWORD, DWORD);
using DeleteColorTransformProc = BOOL(WINAPI*)(HTRANSFORM);
using TranslateColorsProc = BOOL(WINAPI*)(HTRANSFORM, PCOLOR, DWORD, COLORTYPE, PCOLOR, COLORTYPE);

// The entry points of the module held in IEColorManagementModule; they are resolved again
// when the library's shut-down has freed that module and a later call loads it anew.
struct TColorManagement {
  HMODULE module = nullptr;
  OpenColorProfileAProc openColorProfile = nullptr;
  CloseColorProfileProc closeColorProfile = nullptr;
  CreateMultiProfileTransformProc createMultiProfileTransform = nullptr;
  DeleteColorTransformProc deleteColorTransform = nullptr;
  TranslateColorsProc translateColors = nullptr;
};

TColorManagement cms;

template <class Proc>
Proc Resolve(HMODULE module, const char* name) {
  return vcl::GetProcAddressAs<Proc>(module, name);
}
std::mutex cmsLock;

// A transform from this profile's colours straight to the target's: best quality, relative
// colorimetric where the intent leaves room.
constexpr DWORD kTransformFlags = 0x20003;
// Lets the system choose the colour-matching module.
constexpr DWORD kAnyColorModule = 0;
constexpr char kStandardSRGBName[] = "sRGB Color Space Profile.icm";
// Profile texts longer than this are not descriptions but damage.
constexpr size_t kMaxProfileText = 1000;
constexpr uint32_t kMaxTagCount = 1000;

COLORTYPE ColorTypeOf(int32_t format) {
  switch (format) {
    case kICCFormatRGB: case kICCFormatBGR: case kICCFormatRGB48: case kICCFormatRGB48Swapped: return COLOR_RGB;
    case kICCFormatCMYK: case kICCFormatCMYK6: return COLOR_CMYK;
    case kICCFormatLab: return COLOR_Lab;
    case kICCFormatGray: return COLOR_GRAY;
    case kICCFormat3Channel: return COLOR_3_CHANNEL;
    default: return static_cast<COLORTYPE>(0);
  }
}

bool KnownFormat(int32_t format) { return format >= kICCFormatRGB && format <= kICCFormat3Channel; }

uint16_t WidenTo16(uint8_t b) { return static_cast<uint16_t>(b * 257); }
uint8_t High(uint16_t w) { return static_cast<uint8_t>(w >> 8); }

// One input pixel as the (up to four) 16-bit channels of a COLOR; returns its byte size.
int32_t ReadPixel(int32_t format, const uint8_t* p, uint16_t channels[4]) {
  switch (format) {
    case kICCFormatBGR:
      channels[0] = WidenTo16(p[2]); channels[1] = WidenTo16(p[1]); channels[2] = WidenTo16(p[0]);
      return 3;
    case kICCFormatCMYK:
      for (int i = 0; i < 4; ++i) channels[i] = WidenTo16(static_cast<uint8_t>(255 - p[i]));
      return 4;
    case kICCFormatCMYK6:
      for (int i = 0; i < 4; ++i) channels[i] = WidenTo16(p[i]);
      return 6;
    case kICCFormatGray:
      channels[0] = WidenTo16(p[0]);
      return 1;
    case kICCFormatRGB48:
    case kICCFormatRGB48Swapped:
      for (int i = 0; i < 3; ++i) {
        uint16_t w;
        std::memcpy(&w, p + 2 * i, 2);
        channels[i] = format == kICCFormatRGB48 ? w : vcl::Swap16(w);
      }
      return 6;
    default:  // R, G, B; L, a, b; any three channels
      for (int i = 0; i < 3; ++i) channels[i] = WidenTo16(p[i]);
      return 3;
  }
}

// One output pixel from the channels of a COLOR, in the layout its input would have.
int32_t WritePixel(int32_t format, const uint16_t channels[4], uint8_t* p) {
  switch (format) {
    case kICCFormatBGR:
      p[0] = High(channels[2]); p[1] = High(channels[1]); p[2] = High(channels[0]);
      return 3;
    case kICCFormatCMYK:
      for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(255 - High(channels[i]));
      return 4;
    case kICCFormatCMYK6:
      for (int i = 0; i < 4; ++i) p[i] = High(channels[i]);
      return 6;
    case kICCFormatGray:
      p[0] = High(channels[0]);
      return 1;
    case kICCFormatRGB48:
    case kICCFormatRGB48Swapped:
      for (int i = 0; i < 3; ++i) {
        uint16_t w = format == kICCFormatRGB48 ? channels[i] : vcl::Swap16(channels[i]);
        std::memcpy(p + 2 * i, &w, 2);
      }
      return 6;
    default:
      for (int i = 0; i < 3; ++i) p[i] = High(channels[i]);
      return 3;
  }
}

// The zero-terminated text at [start, end) of the profile; empty when it is too long.
std::string ProfileText(const std::vector<uint8_t>& raw, size_t start, size_t end) {
  if (start >= end) return {};
  const uint8_t* first = raw.data() + start;
  const void* zero = std::memchr(first, 0, end - start);
  size_t length = zero ? static_cast<const uint8_t*>(zero) - first : end - start;
  if (length >= kMaxProfileText) return {};
  return std::string(reinterpret_cast<const char*>(first), length);
}

}  // namespace

int32_t ICCFormatOfPixelFormat(TIEPixelFormat format) {
  switch (format) {
    case ie8g: return kICCFormatGray;
    case ie24RGB: return kICCFormatBGR;
    case ieCMYK: return kICCFormatCMYK;
    case ieRGB48: return kICCFormatRGB48;
    case ieCIELab: return kICCFormatLab;
    default: return -1;
  }
}

bool LoadColorManagement() {
  std::lock_guard<std::mutex> guard(cmsLock);
  if (!IEColorManagementModule) IEColorManagementModule = LoadLibraryA("mscms.dll");
  auto module = static_cast<HMODULE>(IEColorManagementModule);
  if (!module) return false;
  if (cms.module != module) {
    cms = TColorManagement{};
    cms.openColorProfile = Resolve<OpenColorProfileAProc>(module, "OpenColorProfileA");
    cms.closeColorProfile = Resolve<CloseColorProfileProc>(module, "CloseColorProfile");
    cms.createMultiProfileTransform =
        Resolve<CreateMultiProfileTransformProc>(module, "CreateMultiProfileTransform");
    cms.deleteColorTransform =
        Resolve<DeleteColorTransformProc>(module, "DeleteColorTransform");
    cms.translateColors = Resolve<TranslateColorsProc>(module, "TranslateColors");
    cms.module = module;
  }
  return cms.openColorProfile && cms.closeColorProfile && cms.createMultiProfileTransform &&
         cms.deleteColorTransform && cms.translateColors;
}

TIEICC::~TIEICC() { Clear(); }

void TIEICC::Clear() {
  CloseProfile();
  raw_.clear();
  raw_.shrink_to_fit();
  applied_ = false;
  description_.clear();
  notice_.clear();
}

void TIEICC::LoadFromBuffer(const void* data, int32_t length) {
  Clear();
  if (!data || length <= 0) return;
  auto bytes = static_cast<const uint8_t*>(data);
  raw_.assign(bytes, bytes + length);
  OpenProfile();
}

void TIEICC::Assign(const TIEICC* source) {
  if (source == this) return;
  if (!source) {
    Clear();
    return;
  }
  // Copied first: the source's bytes must survive our Clear even if they were shared.
  std::vector<uint8_t> bytes = source->raw_;
  LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TIEICC::SaveToStream(vcl::TStream* stream, bool bytesOnly) const {
  if (!bytesOnly) {
    uint32_t length = static_cast<uint32_t>(raw_.size());
    uint8_t le[4] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
    stream->WriteBuffer(le, 4);
  }
  if (!raw_.empty()) stream->WriteBuffer(raw_.data(), RawLength());
}

void TIEICC::LoadStandardSRGB() {
  Clear();
  if (!LoadColorManagement()) return;
  PROFILE profile{};
  profile.dwType = PROFILE_FILENAME;
  profile.pProfileData = const_cast<char*>(kStandardSRGBName);
  profile.cbDataSize = sizeof kStandardSRGBName - 1;
  profile_ = cms.openColorProfile(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

void TIEICC::OpenProfile() {
  ReadTextTags();
  if (raw_.empty() || !LoadColorManagement()) return;
  PROFILE profile{};
  profile.dwType = PROFILE_MEMBUFFER;
  profile.pProfileData = raw_.data();
  profile.cbDataSize = static_cast<DWORD>(raw_.size());
  profile_ = cms.openColorProfile(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

void TIEICC::CloseProfile() {
  FreeTransform();
  if (profile_ && cms.closeColorProfile) cms.closeColorProfile(profile_);
  profile_ = nullptr;
  inputFormat_ = outputFormat_ = intent_ = flags_ = 0;
}

void TIEICC::FreeTransform() {
  DeleteTransform();
  applied_ = true;
}

void TIEICC::DeleteTransform() {
  if (transform_ && cms.deleteColorTransform) cms.deleteColorTransform(transform_);
  transform_ = nullptr;
}

// The profile's own description and copyright texts. The tag table and every tag are checked
// against the profile's size: the bytes come from an image file.
void TIEICC::ReadTextTags() {
  description_.clear();
  notice_.clear();
  const size_t size = raw_.size();
  if (size < 132) return;
  uint32_t count = ReadTIFF32(raw_.data() + 128, true);
  if (count > kMaxTagCount) return;
  count = std::min<uint32_t>(count, static_cast<uint32_t>((size - 132) / 12));
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = raw_.data() + 132 + 12 * i;
    uint64_t offset = ReadTIFF32(entry + 4, true);
    uint64_t length = ReadTIFF32(entry + 8, true);
    if (offset > size || length > size || offset + length > size) break;
    size_t end = static_cast<size_t>(offset + length);
    if (std::memcmp(entry, "cprt", 4) == 0 && length < kMaxProfileText)
      notice_ = ProfileText(raw_, static_cast<size_t>(offset) + 8, end);
    else if (std::memcmp(entry, "desc", 4) == 0 && length < kMaxProfileText)
      description_ = ProfileText(raw_, static_cast<size_t>(offset) + 12, end);
  }
}

bool TIEICC::TransformPixels(TIEICC* target, int32_t inputFormat, int32_t count, void* output, const void* input,
                             int32_t flags, int32_t intent, int32_t outputFormat) {
  if (!KnownFormat(inputFormat) || !KnownFormat(outputFormat) || count < 0) return false;
  if (!transform_ || inputFormat != inputFormat_ || outputFormat != outputFormat_ || intent != intent_ ||
      flags != flags_) {
    // Preparing a transform for other formats is not a release: Applied stays as it is.
    DeleteTransform();
    if (target && profile_ && target->profile_ && LoadColorManagement()) {
      HPROFILE profiles[2] = {profile_, target->profile_};
      DWORD intents[2] = {static_cast<DWORD>(intent), static_cast<DWORD>(intent)};
      transform_ = cms.createMultiProfileTransform(profiles, 2, intents, 2, kTransformFlags, kAnyColorModule);
    }
    inputFormat_ = inputFormat;
    outputFormat_ = outputFormat;
    intent_ = intent;
    flags_ = flags;
  }
  if (!transform_) return false;
  if (count == 0) return true;

  std::vector<COLOR> source(count), converted(count);
  auto in = static_cast<const uint8_t*>(input);
  for (int32_t i = 0; i < count; ++i) {
    uint16_t channels[4] = {0, 0, 0, 0};
    in += ReadPixel(inputFormat, in, channels);
    std::memcpy(&source[i], channels, sizeof channels);
  }
  if (!cms.translateColors(transform_, source.data(), count, ColorTypeOf(inputFormat), converted.data(),
                           ColorTypeOf(outputFormat)))
    return false;
  auto out = static_cast<uint8_t*>(output);
  for (int32_t i = 0; i < count; ++i) {
    uint16_t channels[4];
    std::memcpy(channels, &converted[i], sizeof channels);
    out += WritePixel(outputFormat, channels, out);
  }
  return true;
}

bool TIEICC::ConvertBitmap(TIEBitmap* bitmap, TIEPixelFormat targetPixelFormat, TIEICC* target) {
  if (!bitmap) return false;
  int32_t sourceFormat = ICCFormatOfPixelFormat(bitmap->PixelFormat());
  int32_t targetFormat = ICCFormatOfPixelFormat(targetPixelFormat);
  if (sourceFormat < 0 || targetFormat < 0) return false;
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  TIEBitmap converted;
  if (!converted.Allocate(width, height, targetPixelFormat)) return false;
  std::vector<uint8_t> row(static_cast<size_t>(bitmap->RowLen()));
  bool ok = true;
  for (int32_t y = 0; y < height && ok; ++y) {
    std::memcpy(row.data(), bitmap->Scanline(y), row.size());
    ok = TransformPixels(target, sourceFormat, width, converted.Scanline(y), row.data(), 0, 0, targetFormat);
  }
  FreeTransform();
  // A failed row leaves the caller's image as it was rather than half converted.
  if (!ok) return false;
  bitmap->CopyWithoutAlpha(&converted);
  return true;
}

}  // namespace imaging
