// Components used by the component-model tests: a control-like TWidget that nests in another
// widget and publishes a property of every kind, a non-visual TStore, and a form-like root
// TTestForm with published fields and event handlers.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/classes/collection.h"
#include "vcl/classes/component.h"
#include "vcl/classes/stringlist.h"
#include "vcl/classes/typeinfo.h"

namespace classes_test {

enum TShape { shCircle, shSquare, shTriangle };
enum TOption { foBold, foItalic, foWide };

// A set kept as a class, as the graphics unit keeps font styles.
class TOptions {
 public:
  constexpr TOptions() = default;
  constexpr TOptions(std::initializer_list<TOption> options) {
    for (TOption o : options) bits_ |= uint8_t(1u << o);
  }
  constexpr uint8_t Bits() const { return bits_; }
  static constexpr TOptions FromBits(uint8_t bits) { TOptions o; o.bits_ = bits; return o; }
  friend constexpr bool operator==(TOptions a, TOptions b) { return a.bits_ == b.bits_; }

 private:
  uint8_t bits_ = 0;
};

// Colour names a form may use for the widget's Color.
bool ColorToName(int32_t color, std::string& name);
bool NameToColor(const std::string& name, int32_t& color);

class TSubObject : public vcl::TPersistent {
  VCL_CLASS(TSubObject, vcl::TPersistent)
  int Value() const { return value_; }
  void SetValue(int v) { value_ = v; }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v) { text_ = v; }

 private:
  int value_ = 0;
  std::string text_;
};

class TItem : public vcl::TCollectionItem {
  VCL_CLASS(TItem, vcl::TCollectionItem)
  explicit TItem(vcl::TCollection* collection) : vcl::TCollectionItem(collection) { ++liveCount; }
  ~TItem() override { --liveCount; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  void Assign(vcl::TPersistent* source) override;

  static int liveCount;

 private:
  std::string caption_;
  int width_ = 50;
};

class TWidget : public vcl::TComponent {
  VCL_CLASS(TWidget, vcl::TComponent)
  explicit TWidget(vcl::TComponent* owner);
  ~TWidget() override;

  // The nesting of widgets, as controls nest in their parents.
  TWidget* Parent() const { return parent_; }
  void SetParent(TWidget* parent);
  bool HasParent() const override { return true; }
  vcl::TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(vcl::TComponent* value) override { SetParent(dynamic_cast<TWidget*>(value)); }
  void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override;
  int ChildCount() const { return static_cast<int>(children_.size()); }

  int Left() const { return left_; }
  void SetLeft(int v) { left_ = v; }
  int32_t Color() const { return color_; }
  void SetColor(int32_t v) { color_ = v; }
  char Accel() const { return accel_; }
  void SetAccel(char v) { accel_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TShape Shape() const { return shape_; }
  void SetShape(TShape v) { shape_ = v; }
  TOptions Options() const { return options_; }
  void SetOptions(TOptions v) { options_ = v; }
  uint8_t Mask() const { return mask_; }
  void SetMask(uint8_t v) { mask_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  double Scale() const { return scale_; }
  void SetScale(double v) { scale_ = v; }
  float Ratio() const { return ratio_; }
  void SetRatio(float v) { ratio_ = v; }
  TSubObject* Sub() const { return sub_.get(); }
  vcl::TStringList* Lines() const { return lines_.get(); }
  vcl::TCollection* Items() const { return items_.get(); }
  bool HasItems() const { return items_->Count() > 0; }
  TWidget* Buddy() const { return buddy_; }
  void SetBuddy(TWidget* v);
  std::vector<uint8_t>& Data() { return data_; }

  std::function<void(vcl::TObject*)> OnClick;
  std::function<void(vcl::TObject*, int&)> OnMeasure;

  void DefineProperties(vcl::TFiler* filer) override;

  // What the tests look at: calls of Loaded, and what the widget saw while being read.
  int loadedCalls = 0;
  bool buddyResolvedAtLoaded = false;
  int rootComponentsAtLoaded = -1;
  bool loadingWhenCaptionSet = false;
  static int liveCount;
  static std::vector<std::string> destroyed;

 protected:
  void Loaded() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  TWidget* parent_ = nullptr;
  std::vector<TWidget*> children_;
  int left_ = 0;
  int32_t color_ = 0;
  char accel_ = 0;
  bool visible_ = true;
  TShape shape_ = shCircle;
  TOptions options_;
  uint8_t mask_ = 0;
  std::string caption_;
  double scale_ = 0;
  float ratio_ = 0;
  std::unique_ptr<TSubObject> sub_ = std::make_unique<TSubObject>();
  std::unique_ptr<vcl::TStringList> lines_ = std::make_unique<vcl::TStringList>();
  std::unique_ptr<vcl::TCollection> items_;
  TWidget* buddy_ = nullptr;
  std::vector<uint8_t> data_;
};

// A component without a parent.
class TStore : public vcl::TComponent {
  VCL_CLASS(TStore, vcl::TComponent)
  using vcl::TComponent::TComponent;
  const std::string& Path() const { return path_; }
  void SetPath(const std::string& v) { path_ = v; }

 private:
  std::string path_;
};

// A form-like root: its fields are filled by name, its handlers are bound by name.
class TTestForm : public vcl::TComponent {
  VCL_CLASS(TTestForm, vcl::TComponent)
  using vcl::TComponent::TComponent;

  void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }

  void Button1Click(vcl::TObject* sender) {
    ++clicks;
    lastSender = sender;
  }
  void WidgetMeasure(vcl::TObject*, int& size) { size *= 2; }

  TWidget* Panel1 = nullptr;
  TWidget* Button1 = nullptr;
  TStore* Store1 = nullptr;
  int clicks = 0;
  vcl::TObject* lastSender = nullptr;

 private:
  std::string caption_;
};

// The form data text of a resource compiled into the test.
std::string ResourceText(const char* name);
// The text without carriage returns, for comparing with files kept with LF line ends.
std::string WithoutCR(std::string text);
// Reads form text into `instance`, or a new root when nullptr.
vcl::TComponent* ReadText(const std::string& text, vcl::TComponent* instance);
// Writes a root as form text (ancestor optional).
std::string WriteText(vcl::TComponent* root, vcl::TComponent* ancestor = nullptr);

}  // namespace classes_test
