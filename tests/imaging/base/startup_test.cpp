#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/cosine_ramp.h"
#include "imaging/base/defs.h"
#include "imaging/base/startup.h"
#include "imaging/base/word_tables.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;

namespace {

std::vector<std::string> calls;
bool failInVect = false;

template <int Slot>
void Init() {
  if (Slot == ieshVect && failInVect) throw vcl::Exception("vector start-up failed");
  calls.push_back("init" + std::to_string(Slot));
}
template <int Slot>
void Final() {
  calls.push_back("final" + std::to_string(Slot));
}

template <int... Slots>
void RegisterAll(std::integer_sequence<int, Slots...>) {
  (IERegisterStaticHooks(static_cast<TIEStaticHookSlot>(Slots + ieshJ2000), Init<Slots + ieshJ2000>,
                         Final<Slots + ieshJ2000>),
   ...);
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    while (IEStaticUseCount() > 0) IEStaticFinalize();
    calls.clear();
    failInVect = false;
    RegisterAll(std::make_integer_sequence<int, ieshSlotCount - ieshJ2000>());
  }
  void TearDown() override {
    while (IEStaticUseCount() > 0) IEStaticFinalize();
    for (int slot = ieshJ2000; slot < ieshSlotCount; ++slot)
      IERegisterStaticHooks(static_cast<TIEStaticHookSlot>(slot), nullptr, nullptr);
  }
};

std::vector<std::string> Expected(const char* what, bool reverse) {
  std::vector<std::string> v;
  for (int slot = ieshJ2000; slot < ieshSlotCount; ++slot) v.push_back(what + std::to_string(slot));
  if (reverse) std::reverse(v.begin(), v.end());
  return v;
}

}  // namespace

TEST_F(StartupTest, HooksRunOnceInOrderAndShutDownInReverse) {
  IEStaticInitialize();
  IEStaticInitialize();
  EXPECT_EQ(IEStaticUseCount(), 2);
  EXPECT_EQ(calls, Expected("init", false));
  // The library's own hooks ran before the others.
  EXPECT_EQ(GrayLevel(255, 255, 255), 255);
  EXPECT_EQ(GrayLevel(0, 255, 0), 181);  // 255 * 71 div 100
  EXPECT_EQ(GrayLevel(100, 0, 200), 37);
  EXPECT_EQ(GetLanguageWord(4, msGerman), u"Abbrechen");
  EXPECT_EQ(CosineRamp[0], 0);
  EXPECT_EQ(CosineRamp[128], 64);
  EXPECT_EQ(CosineRamp[255], 128);
  EXPECT_EQ(BitmapMemoryThreshold, -1);
  EXPECT_TRUE(BitmapFileFallback);

  calls.clear();
  IEStaticFinalize();
  EXPECT_TRUE(calls.empty());
  IEStaticFinalize();
  EXPECT_EQ(calls, Expected("final", true));
  EXPECT_EQ(IEStaticUseCount(), 0);
  EXPECT_TRUE(GetLanguageWord(4, msGerman).empty());  // the words are released with the library
}

TEST_F(StartupTest, FinalizeWithoutInitializeDoesNothing) {
  IEStaticFinalize();
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(IEStaticUseCount(), 0);
}

TEST_F(StartupTest, AFailingHookUndoesTheHooksBeforeIt) {
  failInVect = true;
  EXPECT_THROW(IEStaticInitialize(), vcl::Exception);
  EXPECT_EQ(IEStaticUseCount(), 0);
  std::vector<std::string> expected = {"init3", "final3"};
  EXPECT_EQ(calls, expected);

  calls.clear();
  failInVect = false;
  IEStaticInitialize();
  EXPECT_EQ(calls, Expected("init", false));
}

TEST_F(StartupTest, ALateRegistrationStartsAtOnce) {
  IERegisterStaticHooks(ieshTextC, nullptr, nullptr);
  IEStaticInitialize();
  calls.clear();
  IERegisterStaticHooks(ieshTextC, Init<ieshTextC>, Final<ieshTextC>);
  std::vector<std::string> expected = {"init9"};
  EXPECT_EQ(calls, expected);
  IEStaticFinalize();
  EXPECT_EQ(calls.back(), "final3");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "final9"), 1);
}
