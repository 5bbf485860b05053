// The skinned single-line edit made from form text: typing and paste as on the platform's edit,
// the skin's colours in the normal and hot state, its frame laid over the border, the disabled
// look drawn from the cache, password text, custom colours and other managers' commands.
#include <gtest/gtest.h>

#include <string>

#include "skin/controls/skinned_edit.h"
#include "skin/engine/window_messages.h"
#include "tests/skin/controls/skinned_form_fixture.h"

using namespace skin;
using namespace controls_test;

namespace {

const char* const kEditForm =
    "  object Name: TsEdit\n    Left = 20\n    Top = 20\n    Width = 120\n    Height = 21\n"
    "    TabOrder = 0\n    Text = 'layer'\n  end\n"
    "  object Plain: TsEdit\n    Left = 20\n    Top = 60\n    Width = 120\n    Height = 21\n"
    "    BorderStyle = bsNone\n    TabOrder = 1\n  end\n";

class EditTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) manager = LoadInternalSkin();
    form = std::make_unique<FormFromText>(kEditForm);
    edit = form->Find<TsEdit>("Name");
    plain = form->Find<TsEdit>("Plain");
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<FormFromText> form;
  TsEdit* edit = nullptr;
  TsEdit* plain = nullptr;
};

TEST_P(EditTest, TypingSelectionAndPasteAsOnThePlatformsEdit) {
  int changes = 0;
  edit->OnChange = [&](vcl::TObject*) { ++changes; };
  edit->SetFocus();
  EXPECT_EQ(edit->SelLength(), 5);  // AutoSelect on entry
  TypeChars(edit->Handle(), "base");
  EXPECT_EQ(edit->Text(), "base");
  SetClipboardText(" copy");
  SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(edit->Text(), "base copy");
  edit->SetSelStart(0);
  edit->SetSelLength(4);
  TypeChars(edit->Handle(), "B");
  EXPECT_EQ(edit->Text(), "B copy");
  EXPECT_GE(changes, 3);
  edit->SetReadOnly(true);
  TypeChars(edit->Handle(), "x");
  EXPECT_EQ(edit->Text(), "B copy");
}

INSTANTIATE_TEST_SUITE_P(SkinnedAndPlain, EditTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Skinned" : "Plain"; });

class SkinnedEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    form = std::make_unique<FormFromText>(kEditForm);
    edit = form->Find<TsEdit>("Name");
    plain = form->Find<TsEdit>("Plain");
    section = &manager->Sections[size_t(manager->FindSectionIndex("EDIT"))];
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<FormFromText> form;
  TsEdit* edit = nullptr;
  TsEdit* plain = nullptr;
  const TsGeneralData* section = nullptr;
};

TEST_F(SkinnedEditTest, TakesTheSectionColoursAndItsDefaultSection) {
  EXPECT_EQ(edit->SkinData()->SkinSection(), "EDIT");
  EXPECT_EQ(edit->SkinData()->ControlCode, 3);
  EXPECT_EQ(edit->Color(), vcl::TColor(section->Color));
  EXPECT_EQ(edit->Font()->Color(), vcl::TColor(section->FontColor[0]));
  // A custom colour is the edit's own: painting keeps it, and a change marks the cache stale.
  edit->SkinData()->SetCustomColor(true);
  edit->SetColor(vcl::clYellow);
  EXPECT_TRUE(edit->SkinData()->CacheStale);
  edit->Repaint();
  EXPECT_EQ(edit->Color(), vcl::clYellow);
}

TEST_F(SkinnedEditTest, FrameComesFromTheCacheAndBsNoneHasNone) {
  auto image = PrintWindowImage(edit->Handle());
  vcl::TBitmap* cache = edit->SkinData()->CacheBitmap.get();
  ASSERT_EQ(cache->Width(), edit->Width());
  for (int x = 0; x < edit->Width(); x += 7) {
    EXPECT_EQ(PixelAt(image.get(), x, 0), PixelAt(cache, x, 0)) << x;
    EXPECT_EQ(PixelAt(image.get(), x, edit->Height() - 1), PixelAt(cache, x, edit->Height() - 1)) << x;
  }
  // Without a border the text starts at (1, 1) and the frame strips are empty.
  plain->SetText("Wy");
  plain->PrepareCache();
  vcl::TBitmap* plainCache = plain->SkinData()->CacheBitmap.get();
  bool inkInFirstColumn = false;
  for (int y = 0; y < plain->Height(); ++y)
    if (PixelAt(plainCache, 1, y) != PixelAt(plainCache, plain->Width() - 2, y)) inkInFirstColumn = true;
  EXPECT_TRUE(inkInFirstColumn);
}

TEST_F(SkinnedEditTest, DisabledEditIsDrawnFromTheCacheAndNotErased) {
  edit->SetEnabled(false);
  auto image = PrintWindowImage(edit->Handle());
  vcl::TBitmap* cache = edit->SkinData()->CacheBitmap.get();
  int same = 0, total = 0;
  for (int x = 0; x < edit->Width(); x += 3)
    for (int y = 0; y < edit->Height(); y += 3, ++total)
      if (PixelAt(image.get(), x, y) == PixelAt(cache, x, y)) ++same;
  EXPECT_EQ(same, total);
  // WM_ERASEBKGND leaves a disabled edit's pixels alone.
  HDC dc = GetDC(edit->Handle());
  EXPECT_EQ(SendMessageA(edit->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
  ReleaseDC(edit->Handle(), dc);
}

TEST_F(SkinnedEditTest, PasswordTextIsPaintedAsOneCharacterPerCharacter) {
  edit->SetText("abc");
  edit->SetPasswordChar('*');
  edit->PrepareCache();
  vcl::TBitmap* cache = edit->SkinData()->CacheBitmap.get();
  std::unique_ptr<vcl::TBitmap> expected(new vcl::TBitmap);
  expected->Assign(cache);
  edit->SetText("xyz");  // another text of the same length paints the same
  edit->PrepareCache();
  for (int x = 0; x < edit->Width(); ++x)
    EXPECT_EQ(PixelAt(cache, x, edit->Height() / 2), PixelAt(expected.get(), x, edit->Height() / 2)) << x;
}

TEST_F(SkinnedEditTest, CommandsOfAnotherManagerChangeNothing) {
  std::unique_ptr<TsSkinManager> other(vcl::New<TsSkinManager>(nullptr));
  const int32_t sectionIndex = edit->SkinData()->SectionIndex;
  for (uint16_t command : {cmdSkinSet, cmdSkinRemoved, cmdSkinRefresh})
    SendMessageA(edit->Handle(), SM_ALPHACMD, MAKEWPARAM(0, command), LPARAM(other.get()));
  EXPECT_EQ(edit->SkinData()->SectionIndex, sectionIndex);
  EXPECT_EQ(edit->Color(), vcl::TColor(section->Color));
  EXPECT_EQ(SendMessageA(edit->Handle(), SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0), 1);
}

// Counts how often the edit composes its image.
class TCountingEdit : public TsEdit {
 public:
  using TsEdit::TsEdit;
  int composed = 0;
  void PrepareCache() override {
    ++composed;
    TsEdit::PrepareCache();
  }
};

TEST_F(SkinnedEditTest, EditHalfOutsideItsParentRecomposesAtEveryPaint) {
  auto* counting = vcl::New<TCountingEdit>(form->form.get());
  counting->SetParent(form->form.get());
  counting->SetBounds(form->form->ClientWidth() - 30, 100, 120, 21);
  counting->SetEnabled(false);  // a disabled edit paints wholly from the cache
  counting->Repaint();
  EXPECT_TRUE(counting->SkinData()->PartlyHidden);
  for (int i = 0; i < 2; ++i) {
    const int before = counting->composed;
    RedrawWindow(counting->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(counting->composed, before);
  }
  // Wholly inside, a repaint copies the cache as it is.
  counting->SetLeft(20);
  counting->Repaint();
  const int before = counting->composed;
  RedrawWindow(counting->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(counting->composed, before);
}

}  // namespace
