#include "imaging/io/scanner_params.h"

namespace imaging {

TIETWainParams::TIETWainParams(vcl::TComponent* owner) : owner_(owner) { SetDefaults(); }

std::function<void(TIETWainParams& params)> IETwainTeardown;

TIETWainParams::~TIETWainParams() {
  try {
    if (IETwainTeardown) IETwainTeardown(*this);
  } catch (...) {
    // A teardown raises nothing; a destructor must not either.
  }
  // Nothing in this library opens a scanner connection; one left by the acquisition code is
  // forgotten here (its data source first, then its source manager) before the block goes.
  Connection.DataSource = 0;
  Connection.SourceManager = 0;
  Connection.State = 0;
  SetDefaults();
}

bool TIETWainParams::MultipleOwner() const { return owner_ && owner_->ClassName() == "TImageMIO"; }

void TIETWainParams::SetDefaults() {
  const bool multiple = MultipleOwner();
  LeadFlags[0] = 1;
  LeadFlags[1] = 0;
  Items.clear();
  Counter = 0;
  Flags2[0] = Flags2[1] = 0;
  for (TIEDoubleList& list : DoubleCaps1) list.Clear();
  for (TIEIntegerList& list : IntegerCaps1) list.Clear();
  Gamma = 2.2;
  Values1[0] = Values1[1] = 0;
  MultiFlagA = multiple;
  IntegerCaps2.Clear();
  Flag3 = 1;
  for (uint8_t& b : Block) b = 0;
  Flags4[0] = 1;
  Flags4[1] = 1;
  Flags4[2] = 0;
  MultiFlagB = multiple;
  Flag5 = 0;
  for (TIEDoubleList& list : DoubleCaps2) list.Clear();
  Flag6 = 0;
  IntegerCaps3.Clear();
  MultiFlagC = multiple;
  for (uint8_t& b : Flags7) b = 0;
  Value2 = -2;
  Flag8 = 0;
  Values3[0] = Values3[1] = -1.0;
  for (std::string& text : Texts) text.clear();
  Flag9 = 0;
  Values4[0] = -1;
  Values4[1] = 1;
  Data.Clear();
  Value5 = 0;
  Text5.clear();
}

}  // namespace imaging
