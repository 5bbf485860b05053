#include "vcl/classes/component.h"

#include <algorithm>

#include "vcl/classes/filer.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

bool IsValidComponentName(std::string_view name) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !letter(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

// The signed 16-bit halves of the designer position.
int16_t LowHalf(int32_t value) { return static_cast<int16_t>(value & 0xFFFF); }
int16_t HighHalf(int32_t value) { return static_cast<int16_t>(static_cast<uint32_t>(value) >> 16); }
int32_t Halves(int16_t low, int16_t high) {
  return static_cast<int32_t>(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16));
}

int16_t ReadCoordinate(TReader* reader) {
  int32_t value = reader->ReadInteger();
  if (value < INT16_MIN || value > INT16_MAX) throw EReadError("Invalid property value");
  return static_cast<int16_t>(value);
}

}  // namespace

VCL_PUBLISHED(TComponent, p) {
  p.String("Name", &TComponent::Name, &TComponent::SetName).Stored(false)
   .Integer("Tag", &TComponent::Tag, &TComponent::SetTag, 0);
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    other->Notification(this, opRemove);
    // An override that does not pass opRemove on must still not keep a dangling pointer.
    other->RemoveNotification(this);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

// ---- Names -----------------------------------------------------------------------------------

void TComponent::SetName(const std::string& newName) {
  if (name_ == newName) return;
  if (!newName.empty() && !IsValidComponentName(newName))
    throw EComponentError(Format("'%s' is not a valid component name", newName));
  if (owner_) {
    owner_->ValidateRename(this, name_, newName);
    CheckReference(owner_, newName);
  } else {
    ValidateRename(nullptr, name_, newName);
  }
  SetReference(false);
  name_ = newName;
  SetReference(true);
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName, const std::string& newName) {
  if (component && !SameText(curName, newName) && component->owner_ == this && FindComponent(newName))
    throw EComponentError(Format("A component named %s already exists", newName));
  if (state_.Contains(csDesigning) && owner_) owner_->ValidateRename(component, curName, newName);
}

void TComponent::CheckReference(TComponent* owner, const std::string& name) const {
  if (!owner || name.empty()) return;
  const TFieldInfo* field = FindPublishedField(owner->ClassType(), name);
  if (field && !field->Accepts(const_cast<TComponent*>(this)))
    throw EComponentError(Format("Field %s.%s cannot hold a %s", owner->ClassName(), name, ClassName()));
}

void TComponent::SetReference(bool enable) {
  if (!owner_ || name_.empty()) return;
  const TFieldInfo* field = FindPublishedField(owner_->ClassType(), name_);
  if (!field) return;
  if (enable) {
    if (field->Accepts(this)) field->Set(owner_, this);
  } else if (field->Get(owner_) == this) {
    field->Set(owner_, nullptr);
  }
}

// ---- Owned components ------------------------------------------------------------------------

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return components_[size_t(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int value) {
  if (!owner_) return;
  auto& list = owner_->components_;
  int current = ComponentIndex();
  value = std::clamp(value, 0, static_cast<int>(list.size()) - 1);
  if (value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + value, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* component : components_)
    if (SameText(component->name_, name)) return component;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_ == this) return;
  // A component has one owner: joining this one means leaving the other.
  if (component->owner_) component->owner_->RemoveComponent(component);
  ValidateRename(component, std::string(), component->name_);
  component->CheckReference(this, component->name_);
  Insert(component);
  component->SetReference(true);
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component->owner_ != this) return;
  ValidateRename(component, component->name_, std::string());
  Notification(component, opRemove);
  component->SetReference(false);
  Remove(component);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  components_.erase(std::find(components_.begin(), components_.end(), component));
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* component = components_.back();
    bool designedInline = state_.Contains(csDesigning) && state_.Contains(csInline);
    if (component->state_.Contains(csFreeNotification) || designedInline) {
      RemoveComponent(component);
    } else {
      // The owner's field must not outlive the component either.
      component->SetReference(false);
      Remove(component);
    }
    delete component;
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* component : components_) component->Destroying();
}

// ---- Notifications ---------------------------------------------------------------------------

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Receivers may free components, so the index is kept inside the shrinking list.
  int i = ComponentCount() - 1;
  while (i >= 0) {
    components_[size_t(i)]->Notification(component, operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component) return;
  if (!owner_ || component->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
      freeNotifies_.push_back(component);
      component->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), component);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

// ---- State -----------------------------------------------------------------------------------

void TComponent::SetDesigning(bool value, bool setChildren) {
  if (value) state_.Include(csDesigning);
  else state_.Exclude(csDesigning);
  if (setChildren)
    for (TComponent* component : components_) component->SetDesigning(value);
}

void TComponent::SetInline(bool value) {
  if (value) state_.Include(csInline);
  else state_.Exclude(csInline);
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::DefineProperties(TFiler* filer) {
  auto* ancestor = dynamic_cast<TComponent*>(filer->Ancestor());
  int32_t inherited = ancestor ? ancestor->designInfo_ : 0;
  filer->DefineProperty(
      "Left", [this](TReader* reader) { designInfo_ = Halves(ReadCoordinate(reader), HighHalf(designInfo_)); },
      [this](TWriter* writer) { writer->WriteInteger(LowHalf(designInfo_)); },
      LowHalf(designInfo_) != LowHalf(inherited));
  filer->DefineProperty(
      "Top", [this](TReader* reader) { designInfo_ = Halves(LowHalf(designInfo_), ReadCoordinate(reader)); },
      [this](TWriter* writer) { writer->WriteInteger(HighHalf(designInfo_)); },
      HighHalf(designInfo_) != HighHalf(inherited));
}

void TComponent::ReadState(TReader* reader) { reader->ReadData(this); }

void TComponent::WriteState(TWriter* writer) { writer->WriteData(this); }

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root) {
  if (root != this) return;
  std::vector<TComponent*> children = components_;
  for (TComponent* component : children)
    if (!component->HasParent()) proc(component);
}

// ---- Look-up by path -------------------------------------------------------------------------

TComponent* FindNestedComponent(TComponent* root, std::string_view path) {
  if (!root || path.empty()) return nullptr;
  TComponent* current = nullptr;
  for (;;) {
    size_t dot = path.find('.');
    std::string_view step = path.substr(0, dot);
    if (current) {
      current = current->FindComponent(step);
    } else {
      current = root->FindComponent(step);
      if (!current && !step.empty() && SameText(step, root->Name())) current = root;
    }
    if (!current || dot == std::string_view::npos) return current;
    path.remove_prefix(dot + 1);
  }
}

}  // namespace vcl
