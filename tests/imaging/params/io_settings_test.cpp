#include "imaging/params/io_settings.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

TEST(IOSettings, StartWithTheirDefaults) {
  EXPECT_EQ(IEDefaultDpiX, 300);
  EXPECT_EQ(IEDefaultDpiY, 300);
  EXPECT_FALSE(IEUseFileExists);
  EXPECT_TRUE(IETwainLogFile.empty());
  EXPECT_TRUE(IEDebugLogFile.empty());
  EXPECT_FALSE(IEEnableCMS);
  EXPECT_TRUE(IEUseCMYKProfile);
  EXPECT_EQ(IEColorReductionAlgorithm, -1);
  EXPECT_EQ(IEColorReductionQuality, -1);
  EXPECT_FALSE(IEBufferedReadKeepOrigin);
  EXPECT_EQ(IEMetafileMaxSize, 8000);
}

// The temporary folder and the quantizer settings exist once, under both names.
TEST(IOSettings, SharedSettingsAreOneVariable) {
  EXPECT_EQ(&IETempFolder, &DefaultTempDirectory);
  EXPECT_EQ(&IEColorReductionAlgorithm, &QuantizerEngine);
  EXPECT_EQ(&IEColorReductionQuality, &QuantizerQuality);
}

}  // namespace
}  // namespace imaging
