// The bound label of an edit on a real form: naming, placement by layout, wrapping and
// re-activation.
#include <gtest/gtest.h>

#include "skin/engine/bound_label.h"
#include "skin/engine/common_data.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

struct TEditWithLabel {
  std::unique_ptr<vcl::TForm> form{new vcl::TForm(nullptr)};
  vcl::TEdit* edit;
  std::unique_ptr<TsCommonData> link;
  std::unique_ptr<TsBoundLabel> bound;
  TEditWithLabel() {
    form->SetBounds(0, 0, 300, 200);
    edit = new vcl::TEdit(form.get());
    edit->SetName("Edit1");
    edit->SetParent(form.get());
    edit->SetBounds(100, 50, 80, 21);
    link = std::make_unique<TsCommonData>(edit, false);
    bound = std::make_unique<TsBoundLabel>(link.get());
  }
  ~TEditWithLabel() { bound.reset(); }
};

TEST(BoundLabel, ActivationNamesTheLabelAfterTheEdit) {
  TEditWithLabel e;
  e.bound->SetActive(true);
  vcl::TCustomLabel* label = e.bound->LabelControl();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Name(), "Edit1Label");
  EXPECT_EQ(label->Text(), "Edit1");
  EXPECT_EQ(e.bound->Caption(), "Edit1");
  EXPECT_EQ(label->Parent(), e.form.get());
  EXPECT_EQ(label->FocusControl(), e.edit);
  EXPECT_EQ(label->Alignment(), vcl::taRightJustify);
  EXPECT_TRUE(e.bound->UseSkinColor());  // a plain label has no such property
  // Deactivating frees it; activating again makes a new one.
  e.bound->SetActive(false);
  EXPECT_EQ(e.bound->LabelControl(), nullptr);
  e.bound->SetActive(true);
  EXPECT_NE(e.bound->LabelControl(), nullptr);
  EXPECT_EQ(e.bound->LabelControl()->Name(), "Edit1Label");
}

TEST(BoundLabel, TheLayoutPlacesTheLabelBesideOrAboveTheEdit) {
  TEditWithLabel e;
  e.bound->SetCaption("Name:");
  e.bound->SetActive(true);
  vcl::TCustomLabel* label = e.bound->LabelControl();
  const int lw = label->Width(), lh = label->Height();
  ASSERT_GT(lw, 0);
  struct Case {
    TsCaptionLayout layout;
    int indent;
    int left, top;
    vcl::TAlignment alignment;
  } cases[] = {
      {sclLeft, 0, 100 - lw - 4, 50 + (21 - lh) / 2 - 1, vcl::taRightJustify},
      {sclLeft, 6, 100 - lw - 4 - 6, 50 + (21 - lh) / 2 - 1, vcl::taRightJustify},
      {sclTopLeft, 2, 100, 50 - lh - 2, vcl::taLeftJustify},
      {sclTopCenter, 0, 100 + (80 - lw) / 2, 50 - lh, vcl::taCenter},
      {sclTopRight, 0, 100 + 80 - lw, 50 - lh, vcl::taRightJustify},
  };
  for (const Case& c : cases) {
    e.bound->SetLayout(c.layout);
    e.bound->SetIndent(c.indent);
    e.bound->AlignLabel();
    EXPECT_EQ(label->Left(), c.left) << c.layout;
    EXPECT_EQ(label->Top(), c.top) << c.layout;
    EXPECT_EQ(label->Alignment(), c.alignment) << c.layout;
  }
  // A moved edit carries its label.
  e.bound->SetLayout(sclTopLeft);
  e.bound->SetIndent(0);
  e.edit->SetLeft(150);
  e.bound->AlignLabel();
  EXPECT_EQ(label->Left(), 150);
}

TEST(BoundLabel, AMaximumWidthWrapsTheLabelAtLeastAsHighAsTheEdit) {
  TEditWithLabel e;
  e.bound->SetCaption("A caption long enough to wrap");
  e.bound->SetActive(true);
  e.bound->SetMaxWidth(60);
  vcl::TCustomLabel* label = e.bound->LabelControl();
  EXPECT_EQ(label->Width(), 60);
  EXPECT_TRUE(label->WordWrap());
  EXPECT_GE(label->Height(), e.edit->Height());
  EXPECT_GT(label->Height(), 13);  // more than one line
}

TEST(BoundLabel, AFontGivenBeforeActivationReachesTheLabel) {
  TEditWithLabel e;
  vcl::TFont font;
  font.SetColor(vcl::TColor(0x0000FF));
  e.bound->SetFont(&font);
  EXPECT_EQ(e.bound->Font()->Color(), vcl::TColor(0x0000FF));
  e.bound->SetActive(true);
  EXPECT_EQ(e.bound->LabelControl()->Font()->Color(), vcl::TColor(0x0000FF));
  EXPECT_EQ(e.bound->Font(), e.bound->LabelControl()->Font());
}

}  // namespace
