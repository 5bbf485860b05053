#include "placement/form_storage.h"

#include "placement/ini_storage.h"
#include "placement/placement_text.h"
#include "placement/property_storage.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace placement {

// ---- TStoredValue ----------------------------------------------------------------------------

VCL_PUBLISHED(TStoredValue, p) {
  p.String("Name", &TStoredValue::Name, &TStoredValue::SetName)
      .String("Value", &TStoredValue::Value, &TStoredValue::SetValue)
      .String("KeyString", &TStoredValue::KeyString, &TStoredValue::SetKeyString)
      .Event("OnSave", &TStoredValue::OnSave)
      .Event("OnRestore", &TStoredValue::OnRestore);
}

void TStoredValue::SetName(const std::string& value) {
  if (!value.empty() && !SameText(value, name_)) {
    if (auto* values = dynamic_cast<TStoredValues*>(Collection()); values != nullptr && values->IndexOf(value) >= 0)
      throw EStringListError("String list does not allow duplicates");
  }
  name_ = value;
  Changed(false);
}

void TStoredValue::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TStoredValue*>(source)) {
    value_ = other->value_;
    SetName(other->name_);
    keyString_ = other->keyString_;
    return;
  }
  TCollectionItem::Assign(source);
}

std::string TStoredValue::GetDisplayName() { return name_.empty() ? TCollectionItem::GetDisplayName() : name_; }

TFormStorage* TStoredValue::Storage() const {
  auto* values = dynamic_cast<TStoredValues*>(Collection());
  return values != nullptr ? values->Storage() : nullptr;
}

void TStoredValue::Save() {
  TFormStorage* storage = Storage();
  if (storage == nullptr) return;
  std::string value = value_;
  if (OnSave) OnSave(this, value);
  if (!keyString_.empty()) value = EncodeKeyedHex(keyString_, value);
  storage->WriteValue(name_, value);
}

void TStoredValue::Restore() {
  TFormStorage* storage = Storage();
  if (storage == nullptr) return;
  std::string defaultValue = keyString_.empty() ? value_ : EncodeKeyedHex(keyString_, value_);
  std::string value = storage->ReadValue(name_, defaultValue);
  if (!keyString_.empty()) value = DecodeKeyedHex(keyString_, value);
  if (OnRestore) OnRestore(this, value);
  value_ = value;
}

// ---- TStoredValues ---------------------------------------------------------------------------

TStoredValues::TStoredValues(TFormStorage* storage)
    : TOwnedCollection(storage, TCollectionItemClass::Of<TStoredValue>()), storage_(storage) {}

TStoredValue* TStoredValues::Items(int index) const { return static_cast<TStoredValue*>(TCollection::Items(index)); }

int TStoredValues::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return i;
  return -1;
}

void TStoredValues::SaveValues() {
  for (int i = 0; i < Count(); ++i) Items(i)->Save();
}

void TStoredValues::RestoreValues() {
  for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

// ---- TFormStorage ----------------------------------------------------------------------------

VCL_PUBLISHED(TFormStorage, p) {
  p.Object("StoredProps", &TFormStorage::StoredProps, &TFormStorage::SetStoredProps)
      .Object("StoredValues", &TFormStorage::StoredValues, &TFormStorage::SetStoredValues);
}

TFormStorage::TFormStorage(TComponent* owner)
    : TFormPlacement(owner),
      storedProps_(std::make_unique<TStringList>()),
      storedValues_(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::SetStoredProps(TStrings* value) {
  storedProps_->Assign(value);
  for (int i = 0; i < storedProps_->Count(); ++i)
    if (auto* component = dynamic_cast<TComponent*>(storedProps_->Objects(i))) component->FreeNotification(this);
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  NormalizeStoredProps(Owner(), storedProps_.get(), TStoredPropsMode::Resolve);
}

void TFormStorage::WriteState(TWriter* writer) {
  NormalizeStoredProps(Owner(), storedProps_.get(), TStoredPropsMode::Rename);
  TFormPlacement::WriteState(writer);
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
  TFormPlacement::Notification(component, operation);
  if (operation != opRemove || ComponentState().Contains(csDestroying) || !storedProps_) return;
  for (int i = storedProps_->Count() - 1; i >= 0; --i)
    if (storedProps_->Objects(i) == component) storedProps_->Delete(i);
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
  storedValues_->SaveValues();
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  restored_ = true;
  RestoreProperties();
  storedValues_->RestoreValues();
}

void TFormStorage::SaveProperties() {
  TPropsStorage storage;
  storage.Section = IniSection();
  storage.OnWriteString = [this](const std::string& section, const std::string& ident, const std::string& value) {
    WriteString(section, ident, value);
  };
  storage.OnEraseSection = [this](const std::string& section) { IniEraseSection(Storage(), section); };
  storage.StoreProperties(Owner(), storedProps_.get());
}

void TFormStorage::RestoreProperties() {
  TPropsStorage storage;
  storage.Section = IniSection();
  storage.OnReadString = [this](const std::string& section, const std::string& ident, const std::string& defaultValue) {
    return ReadString(section, ident, defaultValue);
  };
  try {
    storage.LoadProperties(Owner(), storedProps_.get());
  } catch (...) {
    // Restoring properties never stops the form from showing.
  }
}

}  // namespace placement
