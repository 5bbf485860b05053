#include <gtest/gtest.h>

#include "vcl/exceptions.h"

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
