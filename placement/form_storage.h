// TFormStorage: form placement plus, in the same section, published properties of components
// on the form (StoredProps: "Component.Property" lines, stored under Component_Property) and
// free named values (StoredValues), optionally encoded with a key string. Properties follow
// the window placement, stored values come last, all in the one open settings file.
//
// Restoring never fails: a value that cannot be read or set leaves its property as it was.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "placement/form_placement.h"
#include "vcl/classes/collection.h"
#include "vcl/classes/stringlist.h"

namespace placement {

class TFormStorage;
class TStoredValue;

using TStoredValueEvent = std::function<void(TStoredValue* Sender, std::string& Value)>;

// A named value kept in the settings. Values are text; an empty Value counts as unassigned
// (form data leaves it out), and a restored value is always text.
class TStoredValue : public vcl::TCollectionItem {
  VCL_CLASS(TStoredValue, vcl::TCollectionItem)
  explicit TStoredValue(vcl::TCollection* collection) : vcl::TCollectionItem(collection) {}

  const std::string& Name() const { return name_; }
  // Unique in the collection without regard to case: another item's name raises
  // EStringListError "String list does not allow duplicates" and keeps the old name.
  void SetName(const std::string& value);
  const std::string& Value() const { return value_; }
  void SetValue(const std::string& value) { value_ = value; }
  // When set, the value is stored XOR this key as hexadecimal text.
  const std::string& KeyString() const { return keyString_; }
  void SetKeyString(const std::string& value) { keyString_ = value; }

  // Copies name, value and key string from another TStoredValue.
  void Assign(vcl::TPersistent* source) override;
  void SetDisplayName(const std::string& value) override { SetName(value); }

  // Writes or reads the value under Name in the storage's section.
  virtual void Save();
  virtual void Restore();

  TStoredValueEvent OnSave;
  TStoredValueEvent OnRestore;

 protected:
  std::string GetDisplayName() override;

 private:
  TFormStorage* Storage() const;

  std::string name_;
  std::string value_;
  std::string keyString_;
};

class TStoredValues : public vcl::TOwnedCollection {
  VCL_CLASS(TStoredValues, vcl::TOwnedCollection)
  explicit TStoredValues(TFormStorage* storage);

  TFormStorage* Storage() const { return storage_; }
  TStoredValue* Items(int index) const;
  // The index of the value of that name (without regard to case), -1 when none.
  int IndexOf(const std::string& name) const;
  // Save or Restore of every value in order.
  virtual void SaveValues();
  virtual void RestoreValues();

 private:
  TFormStorage* storage_;
};

class TFormStorage : public TFormPlacement {
  VCL_CLASS(TFormStorage, TFormPlacement)
  explicit TFormStorage(vcl::TComponent* owner);
  ~TFormStorage() override;

  // "Component.Property" lines; each line's object is the component it names once resolved.
  vcl::TStrings* StoredProps() const { return storedProps_.get(); }
  void SetStoredProps(vcl::TStrings* value);
  TStoredValues* StoredValues() const { return storedValues_.get(); }
  void SetStoredValues(TStoredValues* value) { storedValues_->Assign(value); }

  virtual void SaveProperties();
  virtual void RestoreProperties();

 protected:
  void Loaded() override;
  void WriteState(vcl::TWriter* writer) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  void SavePlacement() override;
  void RestorePlacement() override;

 private:
  std::unique_ptr<vcl::TStringList> storedProps_;
  std::unique_ptr<TStoredValues> storedValues_;
};

}  // namespace placement
