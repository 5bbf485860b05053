// With form skinning registered, the default skin manager puts the thread hook in when its
// skin becomes active and takes it out when the skin goes or the manager is freed; a manager
// that is not the default leaves the hook alone.
#include <gtest/gtest.h>

#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/form_skinning_startup.h"
#include "tests/skin/forms/adapter_skin_fixture.h"

using namespace skin;

namespace {

class FormSkinningStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFormSkinning();
    formerDefault = DefaultManager;
  }
  // The other tests of this program install the hook themselves.
  void TearDown() override {
    ThreadHookProcs = TThreadHookProcs{};
    DefaultManager = formerDefault;
  }
  TsSkinManager* formerDefault = nullptr;
};

}  // namespace

TEST_F(FormSkinningStartup, TheDefaultManagerInstallsTheHookWhileItsSkinIsActive) {
  auto manager = adapter_test::LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  manager->SetIsDefault(true);
  EXPECT_TRUE(DialogsHookInstalled());

  manager->SetActive(false);
  EXPECT_FALSE(DialogsHookInstalled());
  manager->SetActive(true);
  EXPECT_TRUE(DialogsHookInstalled());

  // A second manager is not the default: freeing it keeps the hook.
  { auto other = adapter_test::LoadInternalSkin(); }
  EXPECT_TRUE(DialogsHookInstalled());

  manager.reset();
  EXPECT_FALSE(DialogsHookInstalled());
  EXPECT_FALSE(ThreadHookInstalled);
}
