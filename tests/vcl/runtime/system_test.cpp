#include <gtest/gtest.h>

#include <string>

#include "vcl/runtime/exceptions.h"

using namespace vcl;

TEST(TObjectTest, ClassNamesAndClassTests) {
  EConvertError e("bad");
  EXPECT_EQ(e.ClassName(), "EConvertError");
  EXPECT_TRUE(e.ClassNameIs("econverterror"));
  EXPECT_TRUE(e.Is<Exception>());
  EXPECT_FALSE(e.Is<EListError>());
  EXPECT_STREQ(e.ClassType()->ClassParent()->ClassName(), "Exception");
  EXPECT_EQ(e.Message(), "bad");
}

TEST(TObjectTest, AssertRaisesWithItsMessage) {
  try {
    Assert(false, "Unpaired EndUpdate");
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Unpaired EndUpdate");
  }
  EXPECT_NO_THROW(Assert(true, "x"));
}

namespace {

// Records what ran when, and can fail after its construction.
class TStaged : public TObject {
  VCL_CLASS(TStaged, TObject)
  TStaged(std::string& log, bool fail) : log_(log), fail_(fail) { log_ += "base "; }
  ~TStaged() override { log_ += "freed "; }
  void AfterConstruction() override {
    log_ += "after(" + Stage() + ") ";
    if (fail_) throw EInvalidOperation("not this time");
  }
  virtual std::string Stage() const { return "base"; }

 protected:
  std::string& log_;
  bool fail_;
};

class TStagedChild : public TStaged {
  VCL_CLASS(TStagedChild, TStaged)
  TStagedChild(std::string& log, bool fail) : TStaged(log, fail) { log_ += "child "; }
  std::string Stage() const override { return "child"; }
};

}  // namespace

TEST(TObjectTest, NewRunsAfterConstructionOnTheFinishedObject) {
  std::string log;
  TStaged* object = New<TStagedChild>(log, false);
  EXPECT_EQ(log, "base child after(child) ");
  delete object;

  // A failure after construction frees the object and goes on.
  log.clear();
  EXPECT_THROW(New<TStagedChild>(log, true), EInvalidOperation);
  EXPECT_EQ(log, "base child after(child) freed ");
}

TEST(TObjectTest, AsChecksTheClass) {
  EConvertError convert("x");
  TObject* object = &convert;
  EXPECT_EQ(As<Exception>(object), &convert);
  EXPECT_EQ(As<EConvertError>(static_cast<const TObject*>(object)), &convert);
  EXPECT_EQ(As<EListError>(static_cast<TObject*>(nullptr)), nullptr);
  try {
    As<EListError>(object);
    FAIL() << "no exception";
  } catch (const EInvalidCast& e) {
    EXPECT_EQ(e.Message(), "Invalid class typecast");
  }
}
