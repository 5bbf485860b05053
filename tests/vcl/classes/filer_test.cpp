#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/vcl/classes/test_components.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/formresources.h"
#include "vcl/runtime/streams.h"

using namespace vcl;
using namespace classes_test;

namespace {

// A form read from the form data compiled into the test.
class FormFromResource : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TTestForm>(nullptr);
    ReadComponentRes("TTESTFORM", form.get());
  }
  TWidget* Widget(const char* name) { return dynamic_cast<TWidget*>(form->FindComponent(name)); }

  std::unique_ptr<TTestForm> form;
};

TEST_F(FormFromResource, BuildsTheTreeWithOwnersParentsAndFields) {
  EXPECT_EQ(form->Name(), "TestForm");
  EXPECT_EQ(form->Tag(), 7);
  EXPECT_EQ(form->Caption(), "Main");
  ASSERT_EQ(form->ComponentCount(), 4);
  for (int i = 0; i < form->ComponentCount(); ++i) EXPECT_EQ(form->Components(i)->Owner(), form.get());

  TWidget* panel = Widget("Panel1");
  TWidget* button = Widget("Button1");
  TWidget* small = Widget("Small");
  ASSERT_TRUE(panel && button && small);
  EXPECT_EQ(panel->Parent(), nullptr);
  EXPECT_EQ(button->Parent(), panel);
  EXPECT_EQ(small->Parent(), panel);
  EXPECT_EQ(form->Panel1, panel);
  EXPECT_EQ(form->Button1, button);
  ASSERT_NE(form->Store1, nullptr);
  EXPECT_EQ(form->Store1->Path(), "c:\\Skins");
  EXPECT_EQ(form->Store1->DesignInfo(), int32_t(0xFFF80028));  // left 40, top -8
  EXPECT_EQ(form->Panel1->DesignInfo(), 0);
}

TEST_F(FormFromResource, SetsEveryKindOfValue) {
  TWidget* b = form->Button1;
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Tag(), -3);
  EXPECT_EQ(b->Left(), 20);
  EXPECT_EQ(b->Color(), 12345);
  EXPECT_EQ(form->Panel1->Color(), 0x0000FF);  // by name
  EXPECT_EQ(b->Accel(), 'B');
  EXPECT_FALSE(b->Visible());
  EXPECT_EQ(b->Shape(), shTriangle);
  EXPECT_EQ(b->Options(), (TOptions{foBold, foWide}));
  EXPECT_EQ(b->Mask(), 0b101);
  EXPECT_EQ(b->Caption(), "It's a button\r\nsecond line");
  EXPECT_EQ(b->Scale(), 1.5);
  EXPECT_EQ(b->Ratio(), 0.25f);
  EXPECT_EQ(b->Sub()->Value(), 42);
  EXPECT_EQ(b->Sub()->Text(), "sub text");
  ASSERT_EQ(b->Lines()->Count(), 2);
  EXPECT_EQ(b->Lines()->Strings(1), "Tile Image");
  ASSERT_EQ(b->Items()->Count(), 2);
  auto* second = dynamic_cast<TItem*>(b->Items()->Items(1));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Caption(), "second");
  EXPECT_EQ(second->Width(), 80);
  EXPECT_EQ(dynamic_cast<TItem*>(b->Items()->Items(0))->Width(), 50);
  std::vector<uint8_t> expected(40);
  for (int i = 0; i < 40; ++i) expected[size_t(i)] = uint8_t(i);
  EXPECT_EQ(b->Data(), expected);
  EXPECT_EQ(form->FindComponent("Small")->ComponentState(), TComponentState{});
  EXPECT_EQ(dynamic_cast<TWidget*>(form->FindComponent("Small"))->Caption(),
            "A caption that is far longer than sixty-four characters, so the writer splits it.");
}

TEST_F(FormFromResource, FixesReferencesAndBindsEventsToTheFormsMethods) {
  EXPECT_EQ(form->Panel1->Buddy(), form->Button1);  // named before Button1 existed
  EXPECT_EQ(form->Button1->Buddy(), form->Panel1);

  ASSERT_TRUE(form->Button1->OnClick);
  form->Button1->OnClick(form->Button1);
  EXPECT_EQ(form->clicks, 1);
  EXPECT_EQ(form->lastSender, form->Button1);
  EXPECT_EQ(MethodOf(form->Button1->OnClick), (TMethod{form.get(), "Button1Click"}));
  int size = 21;
  form->Button1->OnMeasure(nullptr, size);
  EXPECT_EQ(size, 42);
  EXPECT_FALSE(form->Panel1->OnClick);
}

TEST_F(FormFromResource, CallsLoadedOnceForEachComponentAfterTheWholeTree) {
  for (const char* name : {"Panel1", "Button1", "Small"}) {
    SCOPED_TRACE(name);
    TWidget* w = Widget(name);
    EXPECT_EQ(w->loadedCalls, 1);
    EXPECT_EQ(w->rootComponentsAtLoaded, 4);
    EXPECT_FALSE(w->ComponentState().Contains(csLoading));
  }
  EXPECT_TRUE(form->Panel1->buddyResolvedAtLoaded);
  EXPECT_TRUE(form->Button1->loadingWhenCaptionSet);
  EXPECT_TRUE(form->ComponentState().Empty());
}

TEST_F(FormFromResource, WritesTheSameTextBack) {
  EXPECT_EQ(WithoutCR(WriteText(form.get())), WithoutCR(ResourceText("TTESTFORM")));
}

TEST_F(FormFromResource, WritesLinesEndingInCRLF) {
  std::string text = WriteText(form.get());
  EXPECT_EQ(text.substr(0, 28), "object TestForm: TTestForm\r\n");
  EXPECT_EQ(text.substr(text.size() - 5), "end\r\n");
}

TEST(ReadComponent, CreatesTheRootByClassNameWhenNoInstanceIsGiven) {
  std::unique_ptr<TComponent> root(ReadText("object Made: TTestForm\n  Caption = 'x'\nend\n", nullptr));
  auto* form = dynamic_cast<TTestForm*>(root.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Name(), "Made");
  EXPECT_EQ(form->Caption(), "x");
}

TEST(ReadComponent, ReadsACollectionAfreshAndKeepsItForAnEmptyList) {
  TTestForm form(nullptr);
  auto* widget = new TWidget(&form);
  widget->SetName("W");
  widget->Items()->Add();
  widget->Items()->Add();
  ReadText("object F: TTestForm\n inherited W: TWidget\n  Items = <\n   item\n    Width = 3\n   end>\n end\nend", &form);
  ASSERT_EQ(widget->Items()->Count(), 1);
  EXPECT_EQ(dynamic_cast<TItem*>(widget->Items()->Items(0))->Width(), 3);
  ReadText("object F: TTestForm\n inherited W: TWidget\n  Items = <>\n end\nend", &form);
  EXPECT_EQ(widget->Items()->Count(), 1);
}

TEST(ReadComponent, TakesEveryWayOfWritingValues) {
  TTestForm form(nullptr);
  ReadText(
      "object F: TTestForm\n"
      "  object W: TWidget\n"
      "    Left = $10\n"
      "    Caption = 'a' +\n"
      "      'b'#$41#66''\n"
      "    Scale = 2\n"
      "    Ratio = 1.5E-1\n"
      "    Visible = false\n"
      "    Shape = SHSQUARE\n"
      "    Options = []\n"
      "    Accel = #9\n"
      "    Data = {0a 0B\n  0c}\n"
      "    OnClick = button1click\n"
      "  end\n"
      "end\n",
      &form);
  auto* w = dynamic_cast<TWidget*>(form.FindComponent("W"));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Left(), 16);
  EXPECT_EQ(w->Caption(), "abAB");
  EXPECT_EQ(w->Scale(), 2.0);
  EXPECT_FLOAT_EQ(w->Ratio(), 0.15f);
  EXPECT_FALSE(w->Visible());
  EXPECT_EQ(w->Shape(), shSquare);
  EXPECT_EQ(w->Accel(), '\t');
  EXPECT_EQ(w->Data(), (std::vector<uint8_t>{10, 11, 12}));
  // The method keeps the name it was published under.
  EXPECT_EQ(MethodOf(w->OnClick).Name, "Button1Click");
}

// Malformed form data: the error and its message; nothing the read made is left behind.
struct BadFormCase {
  const char* body;  // the widget's lines, inside "object F: TTestForm / object W: TWidget"
  const char* exceptionClass;
  const char* message;
};

class MalformedFormData : public ::testing::TestWithParam<BadFormCase> {};

TEST_P(MalformedFormData, RaisesThePlatformErrorAndLeavesNothingBehind) {
  const BadFormCase& c = GetParam();
  std::string text = std::string("object F: TTestForm\n  object Button1: TWidget\n  end\n  object W: TWidget\n") + c.body;
  int widgets = TWidget::liveCount;
  int items = TItem::liveCount;
  TTestForm form(nullptr);
  try {
    ReadText(text, &form);
    FAIL() << "no error for: " << c.body;
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), c.exceptionClass);
    EXPECT_EQ(e.Message(), c.message);
  }
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_EQ(form.Button1, nullptr);
  EXPECT_EQ(TWidget::liveCount, widgets);
  EXPECT_EQ(TItem::liveCount, items);
  EXPECT_TRUE(form.ComponentState().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFormData,
    ::testing::Values(
        BadFormCase{"    object X: TNoSuchClass\n    end\n  end\nend\n", "EClassNotFound", "Class TNoSuchClass not found"},
        BadFormCase{"    Bogus = 1\n  end\nend\n", "EReadError", "Property Bogus does not exist"},
        BadFormCase{"    Sub.Nope = 1\n  end\nend\n", "EReadError", "Property Nope does not exist"},
        BadFormCase{"    Left.Nope = 1\n  end\nend\n", "EReadError", "Property Left does not exist"},
        BadFormCase{"    Left = 'ten'\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    Left = 99999999999\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    Color = clPurple\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    Shape = shHexagon\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    Options = [foBold, foNone]\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    Accel = 'ab'\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    Items = <\n      item\n        Width = 'w'\n      end>\n  end\nend\n", "EReadError",
                    "Invalid property value"},
        BadFormCase{"    Data = 12\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    OnClick = NoSuchHandler\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    OnClick = WidgetMeasure\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    ChildCount = 3\n  end\nend\n", "EReadError", "Property ChildCount is read-only"},
        BadFormCase{"    Buddy = Ghost\n  end\nend\n", "EReadError", "Component Ghost not found"},
        BadFormCase{"  end\n  object Button1: TWidget\n  end\nend\n", "EComponentError",
                    "A component named Button1 already exists"},
        BadFormCase{"    object Panel1: TStore\n    end\n  end\nend\n", "EComponentError",
                    "Field TTestForm.Panel1 cannot hold a TStore"},
        BadFormCase{"    inherited Missing: TWidget\n    end\n  end\nend\n", "EReadError",
                    "Ancestor for 'Missing' not found"},
        BadFormCase{"    Left = 1\n", "EParserError", "Identifier expected on line 6"},
        BadFormCase{"    Caption = 'abc\n  end\nend\n", "EParserError", "Invalid string constant on line 5"},
        BadFormCase{"    Caption = 'a' +\n  end\nend\n", "EParserError", "String expected on line 6"},
        BadFormCase{"    Data = {0G}\n  end\nend\n", "EParserError", "Invalid binary value on line 5"},
        BadFormCase{"    Data = {ABC}\n  end\nend\n", "EParserError", "Invalid binary value on line 5"},
        BadFormCase{"    Data = {0A0B\n", "EParserError", "Invalid binary value on line 6"},
        BadFormCase{"    Left 5\n  end\nend\n", "EParserError", "'=' expected on line 5"},
        BadFormCase{"    Left = )\n  end\nend\n", "EReadError", "Invalid property value"},
        BadFormCase{"    object S: TStore\n      Top = 40000\n    end\n  end\nend\n", "EReadError",
                    "Invalid property value"},
        BadFormCase{"    Left = =\n  end\nend\n", "EParserError", "Invalid property value on line 5"},
        BadFormCase{"    Left = 1.2.3\n  end\nend\n", "EParserError",
                    "'1.2.3' is not a valid floating point value on line 5"},
        BadFormCase{"    Caption = #300\n  end\nend\n", "EParserError", "Invalid string constant on line 5"},
        BadFormCase{"  end\n  Caption = 'late'\nend\n", "EParserError", "'end' expected on line 6"}));

TEST(ReadComponent, RefusesComponentsNestedPastAnyRealFormsDepth) {
  // Each level is read on the stack; so deep a text must fail cleanly, not overflow it.
  auto nested = [](int depth) {
    std::string text = "object F: TTestForm\n";
    for (int i = 0; i < depth; ++i) text += "object W" + std::to_string(i) + ": TWidget\n";
    for (int i = 0; i <= depth; ++i) text += "end\n";
    return text;
  };
  int widgets = TWidget::liveCount;
  {
    TTestForm form(nullptr);
    ReadText(nested(150), &form);
    EXPECT_EQ(form.ComponentCount(), 150);
  }
  TTestForm form(nullptr);
  try {
    ReadText(nested(100000), &form);
    FAIL() << "no error";
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message().rfind("Form data nested too deeply on line ", 0), 0u) << e.Message();
  }
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_EQ(TWidget::liveCount, widgets);
}

TEST(ReadComponent, FreesTheRootItCreatedWhenReadingFails) {
  int widgets = TWidget::liveCount;
  EXPECT_THROW(ReadText("object F: TTestForm\n  object W: TWidget\n    Bogus = 1\n  end\nend\n", nullptr), EReadError);
  EXPECT_THROW(ReadText("object F: TNoSuchForm\nend\n", nullptr), EClassNotFound);
  EXPECT_THROW(ReadText("", nullptr), EParserError);
  EXPECT_EQ(TWidget::liveCount, widgets);
}

TEST(ReadComponentRes, GivesASecondFormOfOneOwnerAUniqueName) {
  TComponent application(nullptr);
  auto* first = new TTestForm(&application);
  auto* second = new TTestForm(&application);
  auto* third = new TTestForm(&application);
  ReadComponentRes("TTESTFORM", first);
  ReadComponentRes("TTESTFORM", second);
  ReadComponentRes("TTESTFORM", third);
  EXPECT_EQ(first->Name(), "TestForm");
  EXPECT_EQ(second->Name(), "TestForm_1");
  EXPECT_EQ(third->Name(), "TestForm_2");
}

TEST(ReadComponentRes, RaisesForAMissingResource) {
  TTestForm form(nullptr);
  EXPECT_THROW(ReadComponentRes("TNOSUCHFORM", &form), EResNotFound);
}

// A descendant is written as what differs from its ancestor, and reads back over a copy of it.
TEST(WriteDescendent, WritesOnlyTheDifferencesAndReadsThemBack) {
  std::string base = ResourceText("TTESTFORM");
  TTestForm ancestor(nullptr), descendant(nullptr);
  ReadText(base, &ancestor);
  ReadText(base, &descendant);
  descendant.Button1->SetCaption("changed");
  descendant.Button1->Lines()->Add("more");
  descendant.Button1->OnClick = nullptr;
  auto* extra = new TWidget(&descendant);
  extra->SetName("Extra");
  extra->SetLeft(5);
  extra->SetParent(descendant.Panel1);

  std::string text = WithoutCR(WriteText(&descendant, &ancestor));
  EXPECT_EQ(text,
            "inherited TestForm: TTestForm\n"
            "  inherited Panel1: TWidget\n"
            "    inherited Button1: TWidget\n"
            "      Caption = 'changed'\n"
            "      Lines.Strings = (\n"
            "        'Stretch To Fit'\n"
            "        'Tile Image'\n"
            "        'more')\n"
            "      OnClick = nil\n"
            "    end\n"
            "    inherited Small: TWidget\n"
            "    end\n"
            "    object Extra: TWidget\n"
            "      Left = 5\n"
            "    end\n"
            "  end\n"
            "  inherited Store1: TStore\n"
            "  end\n"
            "end\n");

  TTestForm copy(nullptr);
  ReadText(base, &copy);
  ReadText(text, &copy);
  EXPECT_EQ(WithoutCR(WriteText(&copy)), WithoutCR(WriteText(&descendant)));
}

TEST(InitInheritedComponent, ReadsTheResourceOfEachClassDownToTheInstance) {
  TTestForm form(nullptr);
  EXPECT_TRUE(InitInheritedComponent(&form, TComponent::StaticClass()));
  EXPECT_EQ(form.ComponentCount(), 4);
  TStore store(nullptr);
  EXPECT_FALSE(InitInheritedComponent(&store, TComponent::StaticClass()));
}

TEST(WriteComponent, WritesAComponentBuiltInCodeWithoutItsDefaults) {
  TTestForm form(nullptr);
  form.SetName("F");
  auto* w = new TWidget(&form);
  w->SetName("W");
  w->Items()->Add();
  w->OnClick = [](TObject*) {};  // not a published method: not stored
  EXPECT_EQ(WithoutCR(WriteText(&form)),
            "object F: TTestForm\n"
            "  object W: TWidget\n"
            "    Left = 0\n"
            "    Items = <\n"
            "      item\n"
            "      end>\n"
            "  end\n"
            "end\n");
}

}  // namespace
