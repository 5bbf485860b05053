// Truncated and damaged packed skins and Options.dat files: the manager ends on its previous
// skin (or none), never crashes, hangs or reads past its input.
#include <gtest/gtest.h>

#include "skin/engine/skin_convertor.h"
#include "vcl/runtime/exceptions.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_notices.h"
#include "tests/skin/engine/test_skin.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/temp_folder.h"

using namespace skin;
using namespace skin_test;

namespace {

fuzz::Bytes ToBytes(const std::string& s) { return fuzz::Bytes(s.begin(), s.end()); }

// A manager whose skin "Good" is loaded from a folder; the fuzzed skin is loaded after it and
// must either load or leave "Good" exactly as it was.
class SkinFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    // A damaged version number can ask for the newer-skin notice; shown, it would wait for a
    // click that never comes.
    OnSkinNotice = [](const std::string&) {};
    entries = TestSkinEntries();
    WriteSkinFolder(temp.File("Good"), entries);
    manager.reset(vcl::New<TsSkinManager>(nullptr));
    manager->SetSkinDirectory(temp.Path());
    manager->SetSkinName("Good");
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    good = DescribeModel(*manager);
  }
  void TearDown() override { OnSkinNotice = nullptr; }

  // Loads the skin; a failure reaches this caller as an exception with the message kept.
  void Load(const std::string& name) {
    try {
      manager->SetSkinName(name);
    } catch (const vcl::Exception& e) {
      ASSERT_FALSE(manager->LastLoadError().empty());
      ASSERT_EQ(e.Message(), manager->LastLoadError());
    }
  }

  // After a load that failed, the previous skin is back, whole and active.
  void CheckOutcome(const std::string& tried) {
    if (manager->LastLoadError().empty()) {
      EXPECT_EQ(manager->SkinName(), tried);
      // Back to the good skin for the next input.
      manager->SetSkinName("Good");
      ASSERT_TRUE(manager->LastLoadError().empty());
    }
    ASSERT_EQ(manager->SkinName(), "Good");
    ASSERT_TRUE(manager->SkinData()->Active);
    ASSERT_TRUE(manager->Active());
    ASSERT_EQ(manager->Sections.size(), 7u);
  }

  TestTempFolder temp;
  std::vector<TacPackEntry> entries;
  std::unique_ptr<TsSkinManager> manager;
  std::string good;
};

TEST_F(SkinFuzz, DamagedPackedSkins) {
  std::string packed = PackEntries(entries);
  // The container alone, read where it ends at a guard page.
  fuzz::Fuzz("packed skin container", ToBytes(packed), 1234, [](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    TacSkinConvertor convertor;
    convertor.SetPackedStream(&stream, false);
    convertor.Parse();
  });
  // The whole load, from a stored skin's "Data".
  TsStoredSkin* item = manager->InternalSkins()->Add();
  item->SetName("Stored");
  fuzz::Fuzz("stored packed skin", ToBytes(packed), 4321, [&](uint8_t* data, int32_t size) {
    item->PackedData()->Clear();
    item->PackedData()->WriteBuffer(data, size);
    Load("Stored");
    CheckOutcome("Stored");
  });
  EXPECT_EQ(DescribeModel(*manager), good);
}

TEST_F(SkinFuzz, EveryTruncationOfAPackedSkin) {
  std::string packed = PackEntries(entries);
  TsStoredSkin* item = manager->InternalSkins()->Add();
  item->SetName("Stored");
  // Empty "Data" is the older stored format, not a truncation: start at one byte.
  for (size_t n = 1; n < packed.size(); ++n) {
    item->PackedData()->Clear();
    item->PackedData()->WriteBuffer(packed.data(), int32_t(n));
    Load("Stored");
    ASSERT_FALSE(manager->LastLoadError().empty()) << n;
    ASSERT_NO_FATAL_FAILURE(CheckOutcome("Stored")) << n;
  }
  EXPECT_EQ(DescribeModel(*manager), good);
}

TEST_F(SkinFuzz, DamagedOptionsFiles) {
  std::vector<TacPackEntry> images(entries.begin() + 1, entries.end());
  WriteSkinFolder(temp.File("Damaged"), images);
  fuzz::Fuzz("Options.dat", ToBytes(TestOptions), 99, [&](uint8_t* data, int32_t size) {
    vcl::TMemoryStream file;
    file.WriteBuffer(data, size);
    file.SaveToFile(temp.File("Damaged") + "\\Options.dat");
    Load("Damaged");
    CheckOutcome("Damaged");
  });
  EXPECT_EQ(DescribeModel(*manager), good);
}

}  // namespace
