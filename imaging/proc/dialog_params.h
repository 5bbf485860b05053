// The settings the processing object remembers for its interactive processing dialogs, with
// their defaults. Only the storage lives here: the first four settings drop the cached data
// when they change, so data computed for an old setting is never reused.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/model/colour_helpers.h"
#include "imaging/model/routines/convolution3x3.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"

namespace imaging {

class TIPDialogParams : public vcl::TObject {
  VCL_CLASS(TIPDialogParams, vcl::TObject)
  TIPDialogParams();
  ~TIPDialogParams() override;

  // Every default below, and an empty cache.
  void Reset();

  int32_t Param1() const { return param1_; }
  int32_t Param2() const { return param2_; }
  int32_t Param3() const { return param3_; }
  int32_t Param4() const { return param4_; }
  // Store the setting and empty the cached data.
  void SetParam1(int32_t value);
  void SetParam2(int32_t value);
  void SetParam3(int32_t value);
  void SetParam4(int32_t value);

  std::array<int32_t, 11> Settings{};          // 0 each
  Convolution3x3 UserFilter{};                 // the identity: centre 1, divisor 0
  std::array<TRGB, 4> Colours{};               // black, white, black, white
  uint8_t Flag1 = 0;
  std::array<int32_t, 4> Sizes1{};             // 0, 0, 150, 150
  TRGB Colour{};                               // white
  int32_t Value = 0;
  uint8_t Flag2 = 1;
  std::array<int32_t, 4> Sizes2{};             // 0, 0, 150, 150
  double Real = 1.7;
  uint8_t Flag3 = 1;
  std::array<int32_t, 3> Values1{};            // 10, 10, 0
  uint8_t Flag4 = 0;
  std::array<int32_t, 2> Values2{};            // 0, 1
  std::array<double, 2> Reals{};               // 0.0, 1.0
  std::array<int32_t, 2> Values3{};            // 1, 4
  uint8_t Flag5 = 1;

  // Data a dialog computed for the current settings; owned.
  vcl::TMemoryStream* CachedData() const { return cachedData_.get(); }

 private:
  int32_t param1_ = -1;
  int32_t param2_ = -1;
  int32_t param3_ = -1;
  int32_t param4_ = -1;
  std::unique_ptr<vcl::TMemoryStream> cachedData_;
};

}  // namespace imaging
