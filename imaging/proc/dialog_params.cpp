#include "imaging/proc/dialog_params.h"

namespace imaging {

TIPDialogParams::TIPDialogParams() : cachedData_(std::make_unique<vcl::TMemoryStream>()) { Reset(); }

TIPDialogParams::~TIPDialogParams() = default;

void TIPDialogParams::Reset() {
  SetParam1(-1);
  SetParam2(-1);
  SetParam3(-1);
  SetParam4(-1);
  Settings.fill(0);
  UserFilter = Convolution3x3{{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0};
  const TRGB black{0, 0, 0};
  const TRGB white{255, 255, 255};
  Colours = {black, white, black, white};
  Flag1 = 0;
  Sizes1 = {0, 0, 150, 150};
  Colour = white;
  Value = 0;
  Flag2 = 1;
  Sizes2 = {0, 0, 150, 150};
  Real = 1.7;
  Flag3 = 1;
  Values1 = {10, 10, 0};
  Flag4 = 0;
  Values2 = {0, 1};
  Reals = {0.0, 1.0};
  Values3 = {1, 4};
  Flag5 = 1;
  cachedData_->Clear();
}

void TIPDialogParams::SetParam1(int32_t value) {
  param1_ = value;
  cachedData_->Clear();
}

void TIPDialogParams::SetParam2(int32_t value) {
  param2_ = value;
  cachedData_->Clear();
}

void TIPDialogParams::SetParam3(int32_t value) {
  param3_ = value;
  cachedData_->Clear();
}

void TIPDialogParams::SetParam4(int32_t value) {
  param4_ = value;
  cachedData_->Clear();
}

}  // namespace imaging
