#include "placement/property_storage.h"

#include <algorithm>
#include <cstdio>

#include "placement/placement_text.h"
#include "vcl/classes/collection.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"
#include "vcl/classes/stringlist.h"
#include "vcl/runtime/sysutils.h"

using namespace vcl;

namespace placement {

namespace {

// Sub-objects nest a few levels at most (a font in a control); a deeper chain can only be a
// property that leads back to its own object.
constexpr int kMaxNesting = 16;

// Stands for "no such key" as the default of a read: no stored value holds control
// characters around a marker like this.
const std::string kMissing = "\x01\x02missing\x02\x01";

constexpr int kMaxFloatToStrDigits = 18;

// Precision of general-format floats: the usual digits of the type, more only when needed for
// the text to read back as the same value.
void FloatDigits(TFloatType type, int& usual, int& most) {
  switch (type) {
    case ftSingle: usual = 7; most = 9; break;
    case ftDouble: usual = 15; most = 17; break;
    default: usual = 18; most = 21; break;
  }
}

// General format with more digits than FloatToStrF offers (extended needs up to 21).
std::string LongFloatText(long double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*LG", digits, value);
  std::string text = buffer;
  for (char& c : text)
    if (c == '.') c = FormatSettings.DecimalSeparator;
  return text;
}

bool SameFloat(TFloatType type, long double a, long double b) {
  switch (type) {
    case ftSingle: return static_cast<float>(a) == static_cast<float>(b);
    case ftDouble: return static_cast<double>(a) == static_cast<double>(b);
    default: return a == b;
  }
}

std::string DecimalSeparatorText() { return std::string(1, FormatSettings.DecimalSeparator); }

// The file always holds "." as the decimal separator, whatever the locale says.
std::string FloatToStoredText(TFloatType type, long double value) {
  int usual = 0, most = 0;
  FloatDigits(type, usual, most);
  std::string text;
  for (int digits = usual; digits <= most; ++digits) {
    text = digits <= kMaxFloatToStrDigits ? FloatToStrF(value, ffGeneral, digits, 0) : LongFloatText(value, digits);
    long double back = 0;
    if (TryStrToFloat(text, back) && SameFloat(type, back, value)) break;
  }
  return ReplaceAllText(text, DecimalSeparatorText(), ".");
}

bool StoredTextToFloat(const std::string& text, long double& value) {
  return TryStrToFloat(ReplaceAllText(text, ".", DecimalSeparatorText()), value);
}

const TCharSet& SetDelimiters() {
  static const TCharSet set = MakeCharSet(" ,[]");
  return set;
}

// Sets keep members with ordinals 0 to 31, as the stored text has always held.
constexpr size_t kMaxSetOrdinal = 31;

std::string SetToStoredText(const TPropInfo* prop, uint64_t bits) {
  std::string text = "[";
  bool first = true;
  for (size_t i = 0; i < prop->EnumNames.size() && i <= kMaxSetOrdinal; ++i) {
    if ((bits & (uint64_t(1) << i)) == 0) continue;
    if (!first) text += ',';
    text += prop->EnumNames[i];
    first = false;
  }
  return text + "]";
}

uint64_t StoredTextToSet(const TPropInfo* prop, const std::string& text) {
  uint64_t bits = 0;
  int words = CountWords(text, SetDelimiters());
  for (int w = 1; w <= words; ++w) {
    int ordinal = GetEnumValue(prop, ExtractWordAt(w, text, SetDelimiters()));
    if (ordinal >= 0 && static_cast<size_t>(ordinal) <= kMaxSetOrdinal) bits |= uint64_t(1) << ordinal;
  }
  return bits;
}

bool IsStringKind(TTypeKind kind) { return kind == tkLString; }

bool IsStorableKind(TTypeKind kind) {
  switch (kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkFloat:
    case tkLString:
    case tkSet:
    case tkClass:
      return true;
    default:
      return false;
  }
}

// The stored text of a property's current value; empty for sub-objects, which keep theirs
// under keys of their own.
std::string ScalarText(TObject* object, const TPropInfo* prop) {
  switch (prop->Kind) {
    case tkInteger: return IntToStr(GetOrdProp(object, prop));
    case tkChar: return std::string(1, static_cast<char>(GetOrdProp(object, prop)));
    case tkEnumeration: return GetEnumProp(object, prop);
    case tkFloat: return FloatToStoredText(prop->FloatType, GetFloatProp(object, prop));
    case tkLString: return GetStrProp(object, prop);
    case tkSet: return SetToStoredText(prop, static_cast<uint64_t>(GetOrdProp(object, prop)));
    default: return {};
  }
}

// A stored count, or -1 when the text is no count this program would have written.
int ParseStoredCount(const std::string& text) {
  int64_t count = 0;
  if (!TryStrToInt64(Trim(text), count) || count < 0 || count > kMaxStoredItems) return -1;
  return static_cast<int>(count);
}

// A form of the program by name (component references may name one as their owner).
TComponent* FindFormNamed(const std::string& name) {
  if (Screen == nullptr) return nullptr;
  for (int i = 0; i < Screen->CustomFormCount(); ++i) {
    TCustomForm* form = Screen->CustomForms(i);
    if (SameText(form->Name(), name)) return form;
  }
  return nullptr;
}

}  // namespace

// ---- TPropInfoList ---------------------------------------------------------------------------

TPropInfoList::TPropInfoList(const TObject* object) {
  if (object == nullptr) return;
  for (const TPropInfo* prop : GetPropList(object))
    if (prop->Kind != tkMethod && prop->Kind != tkUnknown) items_.push_back(prop);
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TPropInfo* a, const TPropInfo* b) { return CompareText(a->Name, b->Name) < 0; });
}

const TPropInfo* TPropInfoList::Find(const std::string& name) const {
  for (const TPropInfo* prop : items_)
    if (SameText(prop->Name, name)) return prop;
  return nullptr;
}

// ---- Stored property lines -------------------------------------------------------------------

bool SplitStoredProp(const std::string& line, std::string& component, std::string& property) {
  size_t dot = line.find('.');
  if (dot == std::string::npos) return false;
  component = Trim(line.substr(0, dot));
  property = Trim(line.substr(dot + 1));
  return !component.empty() && !property.empty();
}

void NormalizeStoredProps(TComponent* owner, TStrings* list, TStoredPropsMode mode) {
  if (list == nullptr) return;
  for (int i = list->Count() - 1; i >= 0; --i) {
    std::string componentName, propertyName;
    if (!SplitStoredProp(list->Strings(i), componentName, propertyName)) {
      list->Delete(i);
      continue;
    }
    auto* component = mode == TStoredPropsMode::Rename ? dynamic_cast<TComponent*>(list->Objects(i)) : nullptr;
    // A line added in code has no component yet: look it up by the name it gives.
    if (component == nullptr && owner != nullptr) component = owner->FindComponent(componentName);
    if (component == nullptr) {
      list->Delete(i);
      continue;
    }
    if (mode == TStoredPropsMode::Rename) list->SetStrings(i, component->Name() + "." + propertyName);
    list->SetObjects(i, component);
  }
}

// ---- TPropsStorage: callbacks ----------------------------------------------------------------

std::string TPropsStorage::ReadString(const std::string& section, const std::string& item,
                                      const std::string& defaultValue) {
  return OnReadString ? OnReadString(section, item, defaultValue) : std::string();
}

void TPropsStorage::WriteString(const std::string& section, const std::string& item, const std::string& value) {
  if (OnWriteString) OnWriteString(section, item, value);
}

void TPropsStorage::EraseSection(const std::string& section) {
  if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::GetItemName(const std::string& name) { return Prefix + name; }

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() { return std::make_unique<TPropsStorage>(); }

// ---- Lists of stored properties --------------------------------------------------------------

void TPropsStorage::StoreProperties(TComponent* owner, TStrings* list) { ProcessProperties(owner, list, TListWork::Store); }

void TPropsStorage::LoadProperties(TComponent* owner, TStrings* list) { ProcessProperties(owner, list, TListWork::Load); }

void TPropsStorage::ProcessProperties(TComponent* owner, TStrings* list, TListWork work) {
  if (list == nullptr) return;
  NormalizeStoredProps(owner, list, TStoredPropsMode::Rename);

  // The published properties of each component the lines name, listed once.
  std::vector<std::pair<TComponent*, std::unique_ptr<TPropInfoList>>> components;
  for (int i = 0; i < list->Count(); ++i) {
    auto* component = dynamic_cast<TComponent*>(list->Objects(i));
    if (component == nullptr) continue;
    bool known = std::any_of(components.begin(), components.end(),
                             [component](const auto& entry) { return entry.first == component; });
    if (!known) components.emplace_back(component, std::make_unique<TPropInfoList>(component));
  }

  TComponent* savedOwner = Owner;
  TObject* savedObject = AObject;
  std::string savedPrefix = Prefix;
  Owner = owner;
  try {
    for (int i = 0; i < list->Count(); ++i) {
      std::string componentName, propertyName;
      if (!SplitStoredProp(list->Strings(i), componentName, propertyName)) continue;
      auto* component = dynamic_cast<TComponent*>(list->Objects(i));
      auto entry = std::find_if(components.begin(), components.end(),
                                [component](const auto& e) { return e.first == component; });
      if (component == nullptr || component->Name().empty() || entry == components.end()) continue;
      const TPropInfo* prop = entry->second->Find(propertyName);
      if (prop == nullptr) continue;
      AObject = component;
      Prefix = component->Name() + "_";
      if (work == TListWork::Store)
        StoreAnyProperty(prop);
      else
        LoadAnyProperty(prop);
    }
  } catch (...) {
    Owner = savedOwner;
    AObject = savedObject;
    Prefix = savedPrefix;
    throw;
  }
  Owner = savedOwner;
  AObject = savedObject;
  Prefix = savedPrefix;
}

// ---- One property ----------------------------------------------------------------------------

void TPropsStorage::StoreAnyProperty(const TPropInfo* prop) {
  if (AObject == nullptr || prop == nullptr || !IsStorableKind(prop->Kind)) return;
  std::string text = prop->Kind == tkClass ? StoreObjectProperty(prop, GetObjectProp(AObject, prop))
                                           : ScalarText(AObject, prop);
  // Strings are written even when empty; other kinds have nothing to say then.
  if (text.empty() && !IsStringKind(prop->Kind)) return;
  WriteString(Section, GetItemName(prop->Name), Trim(text));
}

void TPropsStorage::LoadAnyProperty(const TPropInfo* prop) {
  if (AObject == nullptr || prop == nullptr) return;
  try {
    if (!IsStorableKind(prop->Kind)) return;
    // The current value is the default, so a missing key changes nothing.
    std::string defaultText = ScalarText(AObject, prop);
    // Sub-objects other than component references keep their values under keys of their own.
    bool readsKey = !defaultText.empty() || prop->Kind == tkLString || prop->Kind == tkChar ||
                    (prop->Kind == tkClass && prop->IsReference);
    std::string text = readsKey ? Trim(ReadString(Section, GetItemName(prop->Name), defaultText)) : std::string();

    switch (prop->Kind) {
      case tkInteger: {
        // Text that is no number is ignored rather than read as 0.
        int64_t value = 0;
        if (TryStrToInt64(text, value)) SetOrdProp(AObject, prop, value);
        break;
      }
      case tkChar:
        if (!text.empty()) SetOrdProp(AObject, prop, static_cast<unsigned char>(text[0]));
        break;
      case tkEnumeration: {
        int value = GetEnumValue(prop, text);
        if (value >= 0) SetOrdProp(AObject, prop, value);
        break;
      }
      case tkFloat: {
        long double value = 0;
        if (StoredTextToFloat(text, value)) SetFloatProp(AObject, prop, value);
        break;
      }
      case tkLString:
        SetStrProp(AObject, prop, text);
        break;
      case tkSet:
        SetOrdProp(AObject, prop, static_cast<int64_t>(StoredTextToSet(prop, text)));
        break;
      case tkClass:
        LoadObjectProperty(prop, GetObjectProp(AObject, prop), text);
        break;
      default:
        break;
    }
  } catch (...) {
    // A value that cannot be read or set leaves the property as it was.
  }
}

// ---- Object properties -----------------------------------------------------------------------

std::string TPropsStorage::StoreObjectProperty(const TPropInfo* prop, TObject* value) {
  if (prop->IsReference) return StoreComponentReference(dynamic_cast<TComponent*>(value));
  std::string itemName = GetItemName(prop->Name);
  std::string subSection = Format("%s.%s", Section, itemName);
  if (auto* strings = dynamic_cast<TStrings*>(value))
    StoreStringList(strings, subSection);
  else if (dynamic_cast<TCollection*>(value) != nullptr)
    StoreCollection(static_cast<TPersistent*>(value), itemName, subSection);
  ProcessNested(value, itemName, Section, TListWork::Store);
  return {};
}

void TPropsStorage::LoadObjectProperty(const TPropInfo* prop, TObject* value, const std::string& text) {
  if (prop->IsReference) {
    LoadComponentReference(prop, text);
    return;
  }
  std::string itemName = GetItemName(prop->Name);
  std::string subSection = Format("%s.%s", Section, itemName);
  if (auto* strings = dynamic_cast<TStrings*>(value))
    LoadStringList(strings, subSection);
  else if (dynamic_cast<TCollection*>(value) != nullptr)
    LoadCollection(static_cast<TPersistent*>(value), itemName, subSection);
  ProcessNested(value, itemName, Section, TListWork::Load);
}

std::string TPropsStorage::StoreComponentReference(TComponent* component) {
  if (component == nullptr) return "(null)";
  TComponent* owner = component->Owner();
  if (owner == nullptr || owner == Owner) return component->Name();
  std::string ownerName = owner->Name();
  if (ownerName.empty()) {
    ownerName = owner->ClassName();
    if (!ownerName.empty() && (ownerName[0] == 'T' || ownerName[0] == 't')) ownerName.erase(0, 1);
  }
  return Format("%s.%s", ownerName, component->Name());
}

void TPropsStorage::LoadComponentReference(const TPropInfo* prop, const std::string& text) {
  if (text.empty()) return;
  if (SameText(text, "(null)")) {
    SetObjectProp(AObject, prop, nullptr);
    return;
  }
  std::string ownerName, componentName = text;
  size_t dot = text.find('.');
  if (dot != std::string::npos) {
    ownerName = text.substr(0, dot);
    componentName = text.substr(dot + 1);
  }
  TComponent* owner = ownerName.empty() ? Owner : FindFormNamed(ownerName);
  if (owner == nullptr) return;
  SetObjectProp(AObject, prop, owner->FindComponent(componentName));
}

void TPropsStorage::StoreStringList(TStrings* list, const std::string& section) {
  EraseSection(section);
  if (list->Count() == 0) return;
  WriteString(section, "Count", IntToStr(list->Count()));
  for (int i = 0; i < list->Count(); ++i) WriteString(section, Format("Item%d", i), list->Strings(i));
}

void TPropsStorage::LoadStringList(TStrings* list, const std::string& section) {
  int count = ParseStoredCount(ReadString(section, "Count", "0"));
  if (count <= 0) return;
  TStringList lines;
  // A damaged file may promise more lines than it holds: keep those that are there.
  for (int i = 0; i < count; ++i) {
    std::string line = ReadString(section, Format("Item%d", i), kMissing);
    if (line == kMissing) break;
    lines.Add(line);
  }
  list->Assign(&lines);
}

void TPropsStorage::StoreCollection(TPersistent* value, const std::string& itemName, const std::string& section) {
  auto* collection = static_cast<TCollection*>(value);
  EraseSection(section);
  WriteString(Section, Format("%s.%s", itemName, "Count"), IntToStr(collection->Count()));
  for (int i = 0; i < collection->Count(); ++i)
    ProcessNested(collection->Items(i), Format("Item%d", i) + "_", section, TListWork::Store);
}

void TPropsStorage::LoadCollection(TPersistent* value, const std::string& itemName, const std::string& section) {
  auto* collection = static_cast<TCollection*>(value);
  int current = collection->Count();
  int count = ParseStoredCount(ReadString(Section, Format("%s.%s", itemName, "Count"), IntToStr(current)));
  if (count < 0) count = current;
  collection->BeginUpdate();
  try {
    if (count != current) {
      collection->Clear();
      for (int i = 0; i < count; ++i) collection->Add();
    }
    for (int i = 0; i < count; ++i) ProcessNested(collection->Items(i), Format("Item%d", i) + "_", section, TListWork::Load);
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
}

void TPropsStorage::ProcessNested(TObject* object, const std::string& prefix, const std::string& section,
                                  TListWork work) {
  if (object == nullptr || depth_ >= kMaxNesting) return;
  std::unique_ptr<TPropsStorage> storage = CreateStorage();
  storage->AObject = object;
  storage->Owner = Owner;
  storage->Prefix = prefix;
  storage->Section = section;
  storage->OnReadString = OnReadString;
  storage->OnWriteString = OnWriteString;
  storage->OnEraseSection = OnEraseSection;
  storage->depth_ = depth_ + 1;
  TPropInfoList props(object);
  for (int i = 0; i < props.Count(); ++i) {
    if (work == TListWork::Store)
      storage->StoreAnyProperty(props.Items(i));
    else
      storage->LoadAnyProperty(props.Items(i));
  }
}

}  // namespace placement
