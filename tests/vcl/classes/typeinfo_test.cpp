#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tests/vcl/classes/test_components.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace classes_test;

namespace {

// A derived class that lists a base property again (with another default) and adds one.
class TWideWidget : public TWidget {
  VCL_CLASS(TWideWidget, TWidget)
  using TWidget::TWidget;
  int Extra() const { return extra_; }
  void SetExtra(int v) { extra_ = v; }

 private:
  int extra_ = 0;
};

VCL_PUBLISHED(TWideWidget, p) {
  p.Integer("Left", &TWideWidget::Left, &TWideWidget::SetLeft, 5)
   .Integer("Extra", &TWideWidget::Extra, &TWideWidget::SetExtra, 0);
}

std::vector<std::string> TypeinfoNames(const TPropList& list) {
  std::vector<std::string> names;
  for (const TPropInfo* p : list) names.push_back(p->Name);
  return names;
}

TEST(ClassRegistry, FindsClassesByNameWithoutCase) {
  EXPECT_EQ(FindClass("twidget"), TWidget::StaticClass());
  EXPECT_EQ(GetClass("TTestForm"), TTestForm::StaticClass());
  EXPECT_EQ(GetClass("TNothing"), nullptr);
  try {
    FindClass("TNothing");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNothing not found");
  }
}

TEST(ClassRegistry, CreatesComponentsButNotOtherClasses) {
  TTestForm form(nullptr);
  TComponent* made = CreateComponent(FindClass("TWideWidget"), &form);
  EXPECT_TRUE(made->Is<TWideWidget>());
  EXPECT_EQ(made->Owner(), &form);
  EXPECT_THROW(CreateComponent(TSubObject::StaticClass(), &form), EClassNotFound);
}

TEST(PropertyTables, ListBasePropertiesFirstInDeclarationOrder) {
  EXPECT_EQ(TypeinfoNames(GetPropList(TWidget::StaticClass())),
            (std::vector<std::string>{"Name", "Tag", "Left", "Color", "Accel", "Visible", "Shape", "Options", "Mask",
                                      "Caption", "Scale", "Ratio", "Sub", "Lines", "Items", "Buddy", "OnClick",
                                      "OnMeasure", "ChildCount"}));
}

TEST(PropertyTables, ADerivedClassReplacesABasePropertyInPlace) {
  const TPropList& wide = GetPropList(TWideWidget::StaticClass());
  std::vector<std::string> names = TypeinfoNames(wide);
  EXPECT_EQ(names[2], "Left");
  EXPECT_EQ(names.back(), "Extra");
  EXPECT_EQ(GetPropInfo(TWideWidget::StaticClass(), "left")->Default, 5);
  EXPECT_FALSE(GetPropInfo(TWidget::StaticClass(), "Left")->Default.has_value());
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "Extra"), nullptr);
}

TEST(PropertyTables, DescribeEachKind) {
  const TMetaClass* cls = TWidget::StaticClass();
  EXPECT_EQ(GetPropInfo(cls, "Left")->Kind, tkInteger);
  EXPECT_EQ(GetPropInfo(cls, "Accel")->Kind, tkChar);
  EXPECT_TRUE(GetPropInfo(cls, "Visible")->IsBoolean);
  EXPECT_EQ(GetPropInfo(cls, "Shape")->EnumNames.size(), 3u);
  EXPECT_EQ(GetPropInfo(cls, "Options")->Kind, tkSet);
  EXPECT_EQ(GetPropInfo(cls, "Scale")->FloatType, ftDouble);
  EXPECT_EQ(GetPropInfo(cls, "Ratio")->FloatType, ftSingle);
  EXPECT_EQ(GetPropInfo(cls, "Sub")->ClassType, TSubObject::StaticClass());
  EXPECT_TRUE(GetPropInfo(cls, "Buddy")->IsReference);
  EXPECT_EQ(GetPropInfo(cls, "OnMeasure")->Kind, tkMethod);
  EXPECT_FALSE(GetPropInfo(cls, "ChildCount")->Writable());
}

// A form with two widgets and a store, built in code.
class PropertyAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetName("Form");
    for (const char* name : {"Panel1", "Button1"}) (new TWidget(&form))->SetName(name);
    (new TStore(&form))->SetName("Store1");
  }
  TTestForm form{nullptr};
};

struct PathCase {
  const char* path;
  const char* text;      // set
  const char* expected;  // read back
};

class PropertyByPath : public PropertyAccess, public ::testing::WithParamInterface<PathCase> {};

TEST_P(PropertyByPath, SetsAndGetsEveryKindAsText) {
  const PathCase& c = GetParam();
  SetPropValue(&form, c.path, c.text);
  EXPECT_EQ(GetPropValue(&form, c.path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PropertyByPath,
    ::testing::Values(PathCase{"Caption", "form caption", "form caption"},
                      PathCase{"Tag", "-12", "-12"},
                      PathCase{"Button1.Left", "-7", "-7"},
                      PathCase{"Button1.Color", "255", "255"},
                      PathCase{"Button1.Accel", "x", "x"},
                      PathCase{"Button1.Visible", "false", "False"},
                      PathCase{"Button1.Shape", "shsquare", "shSquare"},
                      PathCase{"Button1.Options", "[foWide, foBold]", "[foBold,foWide]"},
                      PathCase{"Button1.Options", "[]", "[]"},
                      PathCase{"Button1.Mask", "mkB,mkC", "[mkB,mkC]"},
                      PathCase{"Button1.Caption", "hello", "hello"},
                      PathCase{"Button1.Scale", "2.5", "2.5"},
                      PathCase{"Button1.Ratio", "-0.5", "-0.5"},
                      PathCase{"Button1.Sub.Value", "9", "9"},
                      PathCase{"Button1.Sub.Text", "inner", "inner"},
                      PathCase{"Button1.Buddy", "Panel1", "Panel1"},
                      PathCase{"Button1.Buddy", "", ""},
                      PathCase{"Button1.OnClick", "button1click", "Button1Click"},
                      PathCase{"Store1.Path", "c:\\Skins", "c:\\Skins"}));

struct BadPathCase {
  const char* path;
  const char* text;
  const char* exceptionClass;
  const char* message;
};

class BadPropertyByPath : public PropertyAccess, public ::testing::WithParamInterface<BadPathCase> {};

TEST_P(BadPropertyByPath, RaisesAClearErrorAndChangesNothing) {
  const BadPathCase& c = GetParam();
  TPropLocation location = FindPropPath(&form, c.path);
  bool hasText = location && (location.Prop->Kind != tkClass || location.Prop->IsReference);
  std::string before = hasText ? GetPropValue(&form, c.path) : "";
  try {
    SetPropValue(&form, c.path, c.text);
    FAIL() << c.path << " = " << c.text;
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), c.exceptionClass);
    EXPECT_EQ(e.Message(), c.message);
  }
  if (hasText) {
    EXPECT_EQ(GetPropValue(&form, c.path), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadPropertyByPath,
    ::testing::Values(
        BadPathCase{"Button1.Nope", "1", "EPropertyError", "Property Button1.Nope does not exist"},
        BadPathCase{"Nobody.Left", "1", "EPropertyError", "Property Nobody.Left does not exist"},
        BadPathCase{"Button1.Left", "abc", "EConvertError", "'abc' is not a valid integer value"},
        BadPathCase{"Button1.Left", "3000000000", "ERangeError", "Range check error"},
        BadPathCase{"Button1.Shape", "shOval", "EPropertyConvertError", "Invalid property element: shOval"},
        BadPathCase{"Button1.Options", "[foBold,foX]", "EPropertyConvertError", "Invalid property element: foX"},
        BadPathCase{"Button1.Scale", "1,5", "EConvertError", "'1,5' is not a valid floating point value"},
        BadPathCase{"Button1.Accel", "ab", "EPropertyConvertError", "Invalid property value: ab"},
        BadPathCase{"Button1.ChildCount", "1", "EPropertyError", "Property ChildCount is read-only"},
        BadPathCase{"Button1.OnClick", "Nope", "EMethodNotFound", "Method Nope not found"},
        BadPathCase{"Button1.OnClick", "WidgetMeasure", "EMethodNotFound", "Method WidgetMeasure not found"},
        BadPathCase{"Button1.Buddy", "Ghost", "EPropertyConvertError", "Component Ghost not found"},
        BadPathCase{"Button1.Buddy", "Store1", "EPropertyConvertError", "Invalid class TStore for property Buddy"},
        BadPathCase{"Button1.Sub", "x", "EPropertyConvertError", "Invalid property type: Sub"}));

TEST_F(PropertyAccess, TypedAccessChecksTheKind) {
  auto* button = form.FindComponent("Button1");
  const TPropInfo* left = GetPropInfo(button, "Left");
  const TPropInfo* caption = GetPropInfo(button, "Caption");
  SetOrdProp(button, left, 33);
  EXPECT_EQ(GetOrdProp(button, left), 33);
  EXPECT_THROW(GetStrProp(button, left), EPropertyConvertError);
  EXPECT_THROW(GetOrdProp(button, caption), EPropertyConvertError);
  EXPECT_THROW(GetFloatProp(button, caption), EPropertyConvertError);
  const TPropInfo* options = GetPropInfo(button, "Options");
  SetSetProp(button, options, "foItalic");
  EXPECT_EQ(GetSetProp(button, options), "foItalic");
  EXPECT_EQ(GetOrdProp(button, options), 2);
}

TEST_F(PropertyAccess, EventsBindToPublishedMethodsAndCompareByObjectAndName) {
  auto* button = dynamic_cast<TWidget*>(form.FindComponent("Button1"));
  const TPropInfo* onClick = GetPropInfo(button, "OnClick");
  SetMethodProp(button, onClick, TMethod{&form, "Button1Click"});
  button->OnClick(button);
  EXPECT_EQ(form.clicks, 1);
  EXPECT_EQ(GetMethodProp(button, onClick), (TMethod{&form, "Button1Click"}));
  EXPECT_EQ(MethodOf(button->OnClick), MethodOf(BindMethod<void(TObject*)>(&form, "Button1Click")));
  EXPECT_FALSE(BindMethod<void(TObject*)>(&form, "WidgetMeasure"));
  SetMethodProp(button, onClick, TMethod{});
  EXPECT_FALSE(button->OnClick);
}

// Code that adapts a component reads a handler by name, puts its own in, and later gives the
// old one back; a handler set in code (not a published method) must come back intact.
TEST_F(PropertyAccess, AHandlerSetInCodeSurvivesBeingReadAndWrittenBackByName) {
  auto* button = dynamic_cast<TWidget*>(form.FindComponent("Button1"));
  const TPropInfo* onClick = GetPropInfo(button, "OnClick");
  std::vector<std::string> calls;
  button->OnClick = [&](TObject*) { calls.push_back("original"); };

  TMethod saved = GetMethodProp(button, onClick);
  EXPECT_TRUE(saved.Assigned());
  EXPECT_EQ(saved.Data, nullptr);
  EXPECT_EQ(GetMethodProp(button, onClick), saved);  // each read names the same handler
  button->OnClick(button);                           // and reading left it working

  button->OnClick = [&](TObject*) { calls.push_back("replacement"); };
  EXPECT_NE(GetMethodProp(button, onClick), saved);
  button->OnClick(button);
  SetMethodProp(button, onClick, saved);
  button->OnClick(button);
  EXPECT_EQ(GetMethodProp(button, onClick), saved);
  EXPECT_EQ(calls, (std::vector<std::string>{"original", "replacement", "original"}));

  // A published method keeps reading back by object and name alongside.
  SetMethodProp(button, onClick, TMethod{&form, "Button1Click"});
  EXPECT_EQ(GetMethodProp(button, onClick), (TMethod{&form, "Button1Click"}));
  SetMethodProp(button, onClick, saved);
  button->OnClick(button);
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_EQ(form.clicks, 0);
}

TEST_F(PropertyAccess, AHandlerGoesOnlyIntoAnEventOfItsSignature) {
  auto* button = dynamic_cast<TWidget*>(form.FindComponent("Button1"));
  button->OnClick = [](TObject*) {};
  TMethod click = GetMethodProp(button, GetPropInfo(button, "OnClick"));
  EXPECT_THROW(SetMethodProp(button, GetPropInfo(button, "OnMeasure"), click), EPropertyConvertError);
  EXPECT_FALSE(button->OnMeasure);
  // An empty event reads back as unassigned and clears the other way.
  TMethod none = GetMethodProp(button, GetPropInfo(button, "OnMeasure"));
  EXPECT_FALSE(none.Assigned());
  SetMethodProp(button, GetPropInfo(button, "OnClick"), none);
  EXPECT_FALSE(button->OnClick);
}

TEST_F(PropertyAccess, StoredFlagsDecideWhatFormDataKeeps) {
  auto* button = dynamic_cast<TWidget*>(form.FindComponent("Button1"));
  EXPECT_FALSE(IsStoredProp(button, GetPropInfo(button, "Name")));
  EXPECT_FALSE(IsStoredProp(button, GetPropInfo(button, "Items")));
  button->Items()->Add();
  EXPECT_TRUE(IsStoredProp(button, GetPropInfo(button, "Items")));
  EXPECT_TRUE(IsStoredProp(button, GetPropInfo(button, "Left")));
}

}  // namespace
