// Published properties as INI entries: TPropsStorage turns any published property of an object
// into one or more named values of a section, and back, through three callbacks (read, write,
// erase a section), so that the same code serves INI files and the registry. TPropInfoList is
// the sorted list of an object's published properties.
//
// A list of stored properties holds lines "Component.Property"; the property Prop of the
// component Comp is stored under the key Comp_Prop. Strings, numbers, enumerations, sets,
// floats and component references become one value each; string lists, collections and other
// sub-objects spread over further keys and sections (see property_storage.cpp).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/classes/component.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {
class TStrings;
}

namespace placement {

// The published properties of one object, methods excepted, sorted by name.
class TPropInfoList : public vcl::TObject {
  VCL_CLASS(TPropInfoList, vcl::TObject)
  explicit TPropInfoList(const vcl::TObject* object);

  int Count() const { return static_cast<int>(items_.size()); }
  const vcl::TPropInfo* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  // The property of that name (without regard to case), or nullptr.
  const vcl::TPropInfo* Find(const std::string& name) const;

 private:
  std::vector<const vcl::TPropInfo*> items_;
};

using TReadStrEvent =
    std::function<std::string(const std::string& section, const std::string& item, const std::string& defaultValue)>;
using TWriteStrEvent = std::function<void(const std::string& section, const std::string& item, const std::string& value)>;
using TEraseSectEvent = std::function<void(const std::string& section)>;

// Limit on the item counts read back for string lists and collections: a count edited by hand
// must not make the program allocate without end.
constexpr int kMaxStoredItems = 65536;

class TPropsStorage : public vcl::TObject {
  VCL_CLASS(TPropsStorage, vcl::TObject)
  TPropsStorage() = default;

  // The object whose properties are stored and loaded one by one (StoreAnyProperty).
  vcl::TObject* AObject = nullptr;
  // Resolves component references written without an owner name; set by StoreProperties and
  // LoadProperties for their duration.
  vcl::TComponent* Owner = nullptr;
  // Put before every property name to make the key.
  std::string Prefix;
  std::string Section;
  TReadStrEvent OnReadString;
  TWriteStrEvent OnWriteString;
  TEraseSectEvent OnEraseSection;

  // The callbacks: without one, reading gives empty text and writing does nothing.
  virtual std::string ReadString(const std::string& section, const std::string& item, const std::string& defaultValue);
  virtual void WriteString(const std::string& section, const std::string& item, const std::string& value);
  virtual void EraseSection(const std::string& section);
  // The key of a property: Prefix + name.
  virtual std::string GetItemName(const std::string& name);
  // A new, empty storage of this class (for nested objects).
  virtual std::unique_ptr<TPropsStorage> CreateStorage();

  // Stores or loads the properties named by `list` ("Component.Property" lines whose objects
  // are the components of `owner` they name). The list is first brought up to date: lines are
  // renamed after their components, lines whose component is gone are deleted.
  void StoreProperties(vcl::TComponent* owner, vcl::TStrings* list);
  void LoadProperties(vcl::TComponent* owner, vcl::TStrings* list);

  // One property of AObject. Storing raises on errors of the storage; loading never raises:
  // a property whose value cannot be read or set keeps its value.
  void StoreAnyProperty(const vcl::TPropInfo* prop);
  void LoadAnyProperty(const vcl::TPropInfo* prop);

 private:
  enum class TListWork { Store, Load };
  void ProcessProperties(vcl::TComponent* owner, vcl::TStrings* list, TListWork work);
  std::string StoreObjectProperty(const vcl::TPropInfo* prop, vcl::TObject* value);
  void LoadObjectProperty(const vcl::TPropInfo* prop, vcl::TObject* value, const std::string& text);
  std::string StoreComponentReference(vcl::TComponent* component);
  void LoadComponentReference(const vcl::TPropInfo* prop, const std::string& text);
  void StoreStringList(vcl::TStrings* list, const std::string& section);
  void LoadStringList(vcl::TStrings* list, const std::string& section);
  void StoreCollection(vcl::TPersistent* collection, const std::string& itemName, const std::string& section);
  void LoadCollection(vcl::TPersistent* collection, const std::string& itemName, const std::string& section);
  // Every published property of `object`, with `prefix`, in `section`, through a new storage
  // of this class.
  void ProcessNested(vcl::TObject* object, const std::string& prefix, const std::string& section, TListWork work);

  int depth_ = 0;  // how deep this storage's object is nested below the stored property
};

// How StoredProps lines are brought up to date (see NormalizeStoredProps).
enum class TStoredPropsMode {
  Resolve,  // after loading: attach the component each line names, drop lines naming none
  Rename,   // before use: rewrite lines after their components' current names
};

// Walks the "Component.Property" lines of `list` from the last to the first. A line is valid
// when both sides of its first "." are non-empty once trimmed; invalid lines are deleted. A
// valid line gets the component of `owner` it names attached as its object (Resolve mode, and
// in Rename mode a line that has none yet), is rewritten with that component's current name
// (Rename mode), or is deleted when there is no such component.
void NormalizeStoredProps(vcl::TComponent* owner, vcl::TStrings* list, TStoredPropsMode mode);

// Splits "Component.Property" at its first "." into its trimmed parts; false when either part
// is empty.
bool SplitStoredProp(const std::string& line, std::string& component, std::string& property);

}  // namespace placement
