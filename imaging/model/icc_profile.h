// TIEICC: one ICC colour profile (the raw bytes found in an image file, or the system's sRGB
// profile), opened through the platform's colour-management library (mscms.dll, bound at run
// time), and the conversion of pixel runs from this profile to another TIEICC's profile.
// Without the library everything degrades quietly: no profile, no transform, and conversions
// answer false so that the caller converts without colour management.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/model/pixel_formats.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"

namespace imaging {

class TIEBitmap;

// Pixel-run formats of TIEICC::TransformPixels (input and output):
constexpr int32_t kICCFormatRGB = 0;         // 3 bytes R, G, B
constexpr int32_t kICCFormatBGR = 1;         // 3 bytes B, G, R (ie24RGB)
constexpr int32_t kICCFormatCMYK = 2;        // 4 bytes C, M, Y, K stored inverted (ieCMYK)
constexpr int32_t kICCFormatCMYK6 = 3;       // 6 bytes, the first 4 C, M, Y, K
constexpr int32_t kICCFormatLab = 4;         // 3 bytes L, a, b (ieCIELab)
constexpr int32_t kICCFormatGray = 5;        // 1 byte (ie8g)
constexpr int32_t kICCFormatRGB48 = 6;       // 3 words R, G, B in host order (ieRGB48)
constexpr int32_t kICCFormatRGB48Swapped = 7;  // 3 words R, G, B byte-swapped
constexpr int32_t kICCFormat3Channel = 8;    // 3 bytes of any 3-channel space

// The run format of a bitmap pixel format, -1 when there is none.
int32_t ICCFormatOfPixelFormat(TIEPixelFormat format);

// Loads mscms.dll on first use (the module is kept in IEColorManagementModule and freed at the
// library's shut-down) and resolves its entry points; true when they are there.
bool LoadColorManagement();

class TIEICC : public vcl::TObject {
  VCL_CLASS(TIEICC, vcl::TObject)
  TIEICC() = default;
  ~TIEICC() override;

  // Closes the profile and forgets its bytes; Applied is cleared.
  void Clear();
  // Clear, keep a copy of the bytes and open them as a profile. Bytes that the library
  // rejects stay in Raw with no profile open.
  void LoadFromBuffer(const void* data, int32_t length);
  // The same with the source's bytes (nil: Clear).
  void Assign(const TIEICC* source);
  // Unless bytesOnly, the byte count as a 32-bit little-endian value; then the bytes.
  void SaveToStream(vcl::TStream* stream, bool bytesOnly) const;
  // Clear, then open the system's "sRGB Color Space Profile.icm" by name (Raw stays empty).
  void LoadStandardSRGB();

  bool HasProfile() const { return profile_ != nullptr; }
  bool HasTransform() const { return transform_ != nullptr; }
  // Deletes the prepared transform (if any) and marks the profile as applied.
  void FreeTransform();

  // Converts `count` pixels of `input` (run format inputFormat) from this profile to the
  // target's profile into `output` (run format outputFormat). The transform is prepared once
  // and kept while formats, intent and flags stay the same. The input is never changed. False
  // when no transform can be had (output untouched).
  bool TransformPixels(TIEICC* target, int32_t inputFormat, int32_t count, void* output, const void* input,
                       int32_t flags, int32_t intent, int32_t outputFormat);
  // Converts the bitmap's pixels from this profile to the target's, into targetPixelFormat.
  // False, with the bitmap unchanged, when either format has no run format or the conversion
  // cannot be done.
  bool ConvertBitmap(TIEBitmap* bitmap, TIEPixelFormat targetPixelFormat, TIEICC* target);

  const uint8_t* Raw() const { return raw_.empty() ? nullptr : raw_.data(); }
  int32_t RawLength() const { return static_cast<int32_t>(raw_.size()); }
  // Set once a transform of this profile has been released; the I/O layer does not convert
  // again with an applied profile.
  bool Applied() const { return applied_; }
  void SetApplied(bool value) { applied_ = value; }
  // The texts of the profile's "desc" and "cprt" tags.
  const std::string& Description() const { return description_; }
  const std::string& Notice() const { return notice_; }
  // The key of the prepared transform.
  int32_t InputFormat() const { return inputFormat_; }
  int32_t OutputFormat() const { return outputFormat_; }
  int32_t Intent() const { return intent_; }
  int32_t Flags() const { return flags_; }

 private:
  // Deletes the prepared transform without marking the profile applied.
  void DeleteTransform();
  void OpenProfile();
  void CloseProfile();
  void ReadTextTags();

  std::vector<uint8_t> raw_;
  void* profile_ = nullptr;    // HPROFILE
  bool applied_ = false;
  int32_t inputFormat_ = 0;
  int32_t outputFormat_ = 0;
  int32_t intent_ = 0;
  int32_t flags_ = 0;
  void* transform_ = nullptr;  // HTRANSFORM
  std::string description_;
  std::string notice_;
};

}  // namespace imaging
