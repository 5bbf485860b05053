#include "tests/vcl/classes/test_components.h"

#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace classes_test {

using namespace vcl;

int TItem::liveCount = 0;
int TWidget::liveCount = 0;
std::vector<std::string> TWidget::destroyed;

bool ColorToName(int32_t color, std::string& name) {
  if (color == 0x0000FF) name = "clRed";
  else if (color == 0x00FF00) name = "clLime";
  else return false;
  return true;
}

bool NameToColor(const std::string& name, int32_t& color) {
  if (name == "clRed") color = 0x0000FF;
  else if (name == "clLime") color = 0x00FF00;
  else return false;
  return true;
}

VCL_PUBLISHED(TSubObject, p) {
  p.Integer("Value", &TSubObject::Value, &TSubObject::SetValue, 0)
   .String("Text", &TSubObject::Text, &TSubObject::SetText);
}

VCL_PUBLISHED(TItem, p) {
  p.String("Caption", &TItem::Caption, &TItem::SetCaption)
   .Integer("Width", &TItem::Width, &TItem::SetWidth, 50);
}

void TItem::Assign(TPersistent* source) {
  auto* item = dynamic_cast<TItem*>(source);
  if (!item) return TCollectionItem::Assign(source);
  caption_ = item->caption_;
  width_ = item->width_;
}

VCL_PUBLISHED(TWidget, p) {
  p.Integer("Left", &TWidget::Left, &TWidget::SetLeft)
   .Integer("Color", &TWidget::Color, &TWidget::SetColor, 0).Idents(ColorToName, NameToColor)
   .Char("Accel", &TWidget::Accel, &TWidget::SetAccel, '\0')
   .Bool("Visible", &TWidget::Visible, &TWidget::SetVisible, true)
   .Enum("Shape", &TWidget::Shape, &TWidget::SetShape, {"shCircle", "shSquare", "shTriangle"}, shCircle)
   .Set("Options", &TWidget::Options, &TWidget::SetOptions, {"foBold", "foItalic", "foWide"}, TOptions{})
   .Set("Mask", &TWidget::Mask, &TWidget::SetMask, {"mkA", "mkB", "mkC"}, 0)
   .String("Caption", &TWidget::Caption, &TWidget::SetCaption)
   .Float("Scale", &TWidget::Scale, &TWidget::SetScale)
   .Float("Ratio", &TWidget::Ratio, &TWidget::SetRatio)
   .Object("Sub", &TWidget::Sub)
   .Object("Lines", &TWidget::Lines)
   .Object("Items", &TWidget::Items).Stored(&TWidget::HasItems)
   .Component("Buddy", &TWidget::Buddy, &TWidget::SetBuddy)
   .Event("OnClick", &TWidget::OnClick)
   .Event("OnMeasure", &TWidget::OnMeasure)
   .Integer("ChildCount", &TWidget::ChildCount, nullptr);
}

TWidget::TWidget(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TCollection>(TCollectionItemClass::Of<TItem>())) {
  ++liveCount;
}

TWidget::~TWidget() {
  destroyed.push_back(Name());
  // As windowed controls do, a widget takes its children with it.
  while (!children_.empty()) delete children_.back();
  SetParent(nullptr);
  --liveCount;
}

void TWidget::SetParent(TWidget* parent) {
  if (parent == parent_) return;
  if (parent_) std::erase(parent_->children_, this);
  parent_ = parent;
  if (parent_) parent_->children_.push_back(this);
}

void TWidget::GetChildren(const TGetChildProc& proc, TComponent* root) {
  std::vector<TWidget*> children = children_;
  for (TWidget* child : children)
    if (child->Owner() == root) proc(child);
}

void TWidget::SetCaption(const std::string& v) {
  caption_ = v;
  loadingWhenCaptionSet = ComponentState().Contains(csLoading) && ComponentState().Contains(csReading);
}

void TWidget::SetBuddy(TWidget* v) {
  buddy_ = v;
  if (v) v->FreeNotification(this);
}

void TWidget::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  auto* ancestor = dynamic_cast<TWidget*>(filer->Ancestor());
  bool hasData = ancestor ? data_ != ancestor->data_ : !data_.empty();
  filer->DefineBinaryProperty(
      "Data",
      [this](TStream* stream) {
        data_.resize(static_cast<size_t>(stream->Size()));
        if (!data_.empty()) stream->ReadBuffer(data_.data(), static_cast<int32_t>(data_.size()));
      },
      [this](TStream* stream) {
        if (!data_.empty()) stream->WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
      },
      hasData);
}

void TWidget::Loaded() {
  TComponent::Loaded();
  ++loadedCalls;
  buddyResolvedAtLoaded = buddy_ != nullptr;
  rootComponentsAtLoaded = Owner() ? Owner()->ComponentCount() : -1;
}

void TWidget::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == buddy_) buddy_ = nullptr;
}

VCL_PUBLISHED(TStore, p) {
  p.String("Path", &TStore::Path, &TStore::SetPath);
}

VCL_PUBLISHED(TTestForm, p) {
  p.String("Caption", &TTestForm::Caption, &TTestForm::SetCaption)
   .Field("Panel1", &TTestForm::Panel1)
   .Field("Button1", &TTestForm::Button1)
   .Field("Store1", &TTestForm::Store1)
   .Method("Button1Click", &TTestForm::Button1Click)
   .Method("WidgetMeasure", &TTestForm::WidgetMeasure);
}

void TTestForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* component = Components(i);
    auto* widget = dynamic_cast<TWidget*>(component);
    if (widget ? widget->Parent() == nullptr : !component->HasParent()) proc(component);
  }
}

std::string ResourceText(const char* name) {
  TResourceStream stream(nullptr, name, MAKEINTRESOURCEA(10));
  std::string text(static_cast<size_t>(stream.Size()), '\0');
  stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
  return text;
}

std::string WithoutCR(std::string text) {
  std::erase(text, '\r');
  return text;
}

TComponent* ReadText(const std::string& text, TComponent* instance) {
  TStringStream stream(text);
  return ReadComponent(&stream, instance);
}

std::string WriteText(TComponent* root, TComponent* ancestor) {
  TStringStream stream;
  WriteDescendent(&stream, root, ancestor);
  return stream.DataString();
}

}  // namespace classes_test
