#include "imaging/params/colour_conversion.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "imaging/coding/zlib_streams.h"
#include "imaging/params/cmyk_press_profile.h"
#include "imaging/params/io_params.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/icc_profile.h"

namespace imaging {

TIEConvertColorProc IEConvertColorHook = IEConvertColorRow;
TIEICC* IECMYKProfile = nullptr;
TIEICC* IESRGBProfile = nullptr;

namespace {

enum class TProfileState { Unknown, Ready, Unavailable };

// The profiles are prepared on whichever thread first converts a CMYK colour (an I/O worker,
// say), so preparing them is guarded; once settled, the state is read without the lock.
std::mutex profileLock;
std::atomic<TProfileState> profileState{TProfileState::Unknown};

void ReleaseProfiles() {
  delete IECMYKProfile;
  IECMYKProfile = nullptr;
  delete IESRGBProfile;
  IESRGBProfile = nullptr;
}

// Opens both profiles and builds the transform of each direction by converting one black
// pixel, so that single colours later reuse them. False when any step fails.
bool PrepareProfiles() {
  if (kCMYKPressProfileStoredBytes <= 0 || kCMYKPressProfileSize <= 0) return false;
  std::vector<uint8_t> inflated;
  InflateBuffer(kCMYKPressProfileStored, kCMYKPressProfileStoredBytes, inflated, kCMYKPressProfileSize,
                kCMYKPressProfileSize);
  if (inflated.size() != static_cast<size_t>(kCMYKPressProfileSize)) return false;
  auto cmyk = std::make_unique<TIEICC>();
  cmyk->LoadFromBuffer(inflated.data(), kCMYKPressProfileSize);
  if (!cmyk->HasProfile()) return false;
  auto srgb = std::make_unique<TIEICC>();
  srgb->LoadStandardSRGB();
  if (!srgb->HasProfile()) return false;
  const uint8_t cmykBlack[4] = {255, 255, 255, 0};
  const uint8_t rgbBlack[3] = {0, 0, 0};
  uint8_t out[4];
  if (!cmyk->TransformPixels(srgb.get(), kICCFormatCMYK, 1, out, cmykBlack, 0, 0, kICCFormatBGR) ||
      !srgb->TransformPixels(cmyk.get(), kICCFormatBGR, 1, out, rgbBlack, 0, 0, kICCFormatCMYK))
    return false;
  IECMYKProfile = cmyk.release();
  IESRGBProfile = srgb.release();
  return true;
}

bool CMYKProfilesInUse() { return IEUseCMYKProfile && InitCMYKProfiles(); }

void ProfileCMYKToRGB(int32_t cmyk, TRGB& pixel) {
  if (CMYKProfilesInUse()) {
    const auto packed = static_cast<uint32_t>(cmyk);
    const uint8_t inks[4] = {uint8_t(packed), uint8_t(packed >> 8), uint8_t(packed >> 16), uint8_t(packed >> 24)};
    uint8_t bgr[3];
    if (IECMYKProfile->TransformPixels(IESRGBProfile, kICCFormatCMYK, 1, bgr, inks, 0, 0, kICCFormatBGR)) {
      pixel = TRGB{bgr[0], bgr[1], bgr[2]};
      return;
    }
  }
  IECMYKToRGBArithmetic(cmyk, pixel);
}

int32_t ProfileRGBToCMYK(int32_t packedRGB) {
  if (CMYKProfilesInUse()) {
    const uint8_t bgr[3] = {uint8_t(packedRGB), uint8_t(packedRGB >> 8), uint8_t(packedRGB >> 16)};
    uint8_t inks[4];
    if (IESRGBProfile->TransformPixels(IECMYKProfile, kICCFormatBGR, 1, inks, bgr, 0, 0, kICCFormatCMYK))
      return static_cast<int32_t>(inks[0] | (inks[1] << 8) | (inks[2] << 16) | (static_cast<uint32_t>(inks[3]) << 24));
  }
  return IERGBToCMYKArithmetic(packedRGB);
}

// The image model's single-colour CMYK converters go through the profiles (while they can)
// as soon as the I/O library is part of the program.
const bool kCMYKConvertersInstalled = [] {
  IESetCMYKConverters(ProfileRGBToCMYK, ProfileCMYKToRGB);
  return true;
}();

// The row formats by what they hold (numbered as the profile transforms number them).
constexpr int32_t kRowRGB = kICCFormatRGB;
constexpr int32_t kRowBGR = kICCFormatBGR;
constexpr int32_t kRowCMYK = kICCFormatCMYK;
constexpr int32_t kRowLab = kICCFormatLab;
constexpr int32_t kRowGray = kICCFormatGray;
constexpr int32_t kRowRGB48 = kICCFormatRGB48;
constexpr int32_t kRowRGB48HighFirst = kICCFormatRGB48Swapped;
constexpr int32_t kRowYCbCr = kICCFormat3Channel;

int32_t PackedRGB(const uint8_t* bgr) { return (bgr[2] << 16) | (bgr[1] << 8) | bgr[0]; }

void ConvertFromBGR(const uint8_t* s, uint8_t* t, int32_t targetFormat, int32_t count) {
  switch (targetFormat) {
    case kRowBGR:
      std::memmove(t, s, static_cast<size_t>(count) * 3);
      break;
    case kRowCMYK:
      for (int32_t x = 0; x < count; ++x, s += 3, t += 4) {
        const auto cmyk = static_cast<uint32_t>(IERGBToCMYK(PackedRGB(s)));
        for (int k = 0; k < 4; ++k) t[k] = static_cast<uint8_t>(cmyk >> (8 * k));
      }
      break;
    case kRowLab:
      for (int32_t x = 0; x < count; ++x, s += 3, t += 3) {
        const TCIELab lab = RGBToCIELab(TRGB{s[0], s[1], s[2]});
        std::memcpy(t, &lab, 3);
      }
      break;
    case kRowGray:
      for (int32_t x = 0; x < count; ++x, s += 3) t[x] = static_cast<uint8_t>(GrayLevel(s[2], s[1], s[0]));
      break;
    default:
      break;
  }
}

// The conversions that need no profile. Rows into 24-bit pixels come out blue, green, red
// whatever order the source keeps (48-bit sources included).
void ConvertArithmetic(const uint8_t* s, int32_t sourceFormat, uint8_t* t, int32_t targetFormat, int32_t count) {
  if (sourceFormat == kRowBGR) {
    ConvertFromBGR(s, t, targetFormat, count);
    return;
  }
  if (targetFormat != kRowBGR) return;
  auto* pixels = reinterpret_cast<TRGB*>(t);
  switch (sourceFormat) {
    case kRowRGB:
      for (int32_t x = 0; x < count; ++x, s += 3) pixels[x] = MakeRGB(s[0], s[1], s[2]);
      break;
    case kRowCMYK:
      for (int32_t x = 0; x < count; ++x, s += 4) {
        const uint32_t cmyk = s[0] | (s[1] << 8) | (s[2] << 16) | (static_cast<uint32_t>(s[3]) << 24);
        IECMYKToRGB(static_cast<int32_t>(cmyk), pixels[x]);
      }
      break;
    case kRowLab:
      for (int32_t x = 0; x < count; ++x, s += 3)
        pixels[x] = CIELabToRGB(TCIELab{s[0], static_cast<int8_t>(s[1]), static_cast<int8_t>(s[2])});
      break;
    case kRowRGB48:
      for (int32_t x = 0; x < count; ++x, s += 6) {
        uint16_t words[3];
        std::memcpy(words, s, 6);
        pixels[x] = MakeRGB(words[0] >> 8, words[1] >> 8, words[2] >> 8);
      }
      break;
    case kRowRGB48HighFirst:
      for (int32_t x = 0; x < count; ++x, s += 6) pixels[x] = MakeRGB(s[0], s[2], s[4]);
      break;
    case kRowYCbCr:
      for (int32_t x = 0; x < count; ++x, s += 3) YCbCrToBGR(pixels[x], s[0], s[1], s[2]);
      break;
    default:
      break;
  }
}

// The embedded profile, or the block's default profile for images without a usable one.
TIEICC* SourceProfile(TIOParamsVals& params) {
  if (!params.DefaultICCProfile || (params.InputICCProfile && params.InputICCProfile->HasProfile()))
    return params.InputICCProfile.get();
  return params.DefaultICCProfile.get();
}

bool ConvertThroughProfiles(const uint8_t* source, int32_t sourceFormat, uint8_t* target, int32_t targetFormat,
                            int32_t count, TIOParamsVals* params) {
  if (!IEEnableCMS || !params) return false;
  TIEICC* profile = SourceProfile(*params);
  if (!profile || !profile->HasProfile() || profile->Applied()) return false;
  TIEICC* output = params->GetOutputICCProfile();
  if (!output || !output->HasProfile()) return false;
  if (sourceFormat == kRowYCbCr) {
    // The profile describes the RGB colours the samples stand for: taken as three plain
    // channels, YCbCr values would come out as quite different colours.
    std::vector<uint8_t> bgr(static_cast<size_t>(count) * 3);
    ConvertArithmetic(source, kRowYCbCr, bgr.data(), kRowBGR, count);
    return profile->TransformPixels(output, kRowBGR, count, target, bgr.data(), 0, 0, targetFormat);
  }
  return profile->TransformPixels(output, sourceFormat, count, target, source, 0, 0, targetFormat);
}

}  // namespace

bool InitCMYKProfiles() {
  TProfileState state = profileState.load(std::memory_order_acquire);
  if (state != TProfileState::Unknown) return state == TProfileState::Ready;
  std::lock_guard<std::mutex> guard(profileLock);
  state = profileState.load(std::memory_order_acquire);
  if (state != TProfileState::Unknown) return state == TProfileState::Ready;
  bool ready = false;
  try {
    ready = PrepareProfiles();
  } catch (...) {
    // A damaged stored profile leaves the arithmetic conversions in place.
    ready = false;
  }
  if (!ready) ReleaseProfiles();
  profileState.store(ready ? TProfileState::Ready : TProfileState::Unavailable, std::memory_order_release);
  return ready;
}

void FreeCMYKProfiles() {
  std::lock_guard<std::mutex> guard(profileLock);
  ReleaseProfiles();
  profileState.store(TProfileState::Unknown, std::memory_order_release);
}

void IEConvertColorRow(const void* source, int32_t sourceFormat, void* target, int32_t targetFormat, int32_t count,
                       TIOParamsVals* params) {
  if (!source || !target || count <= 0) return;
  const auto* s = static_cast<const uint8_t*>(source);
  auto* t = static_cast<uint8_t*>(target);
  if (ConvertThroughProfiles(s, sourceFormat, t, targetFormat, count, params)) return;
  ConvertArithmetic(s, sourceFormat, t, targetFormat, count);
}

}  // namespace imaging
