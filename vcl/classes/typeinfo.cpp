#include "vcl/classes/typeinfo.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "vcl/classes/component.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace detail {
struct TClassRecord {
  const TMetaClass* Class = nullptr;
  TComponentFactory Factory = nullptr;
  std::vector<std::unique_ptr<TPropInfo>> Props;  // this class's own, in declaration order
  std::vector<TFieldInfo> Fields;
  std::vector<std::unique_ptr<TMethodInfo>> Methods;
};
}  // namespace detail

namespace {

using detail::TClassRecord;

struct TClassRegistry {
  std::mutex lock;
  std::unordered_map<const TMetaClass*, std::unique_ptr<TClassRecord>> records;
  // Upper-cased class name -> the classes of that name (more than one is an ambiguity).
  std::unordered_map<std::string, std::vector<const TMetaClass*>> names;
  // Flattened property lists, built on first use and dropped when a table changes.
  std::unordered_map<const TMetaClass*, TPropList> propLists;
};

TClassRegistry& Registry() {
  static TClassRegistry registry;
  return registry;
}

TClassRecord* FindRecord(TClassRegistry& registry, const TMetaClass* cls) {
  auto it = registry.records.find(cls);
  return it == registry.records.end() ? nullptr : it->second.get();
}

// Walks the class and its ancestors, nearest first, until `visit` returns non-null.
template <class R, class F>
R* SearchChain(const TMetaClass* cls, F visit) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const TMetaClass* c = cls; c; c = c->ClassParent())
    if (TClassRecord* record = FindRecord(registry, c))
      if (R* found = visit(*record)) return found;
  return nullptr;
}

[[noreturn]] void KindError(const TPropInfo* prop) {
  throw EPropertyConvertError(Format("Invalid property type: %s", prop->Name));
}
[[noreturn]] void ReadOnlyError(const TPropInfo* prop) {
  throw EPropertyError(Format("Property %s is read-only", prop->Name));
}
[[noreturn]] void ElementError(std::string_view name) {
  throw EPropertyConvertError(Format("Invalid property element: %s", name));
}

bool IsOrdinalKind(TTypeKind kind) {
  return kind == tkInteger || kind == tkChar || kind == tkEnumeration || kind == tkSet;
}

// The component whose components a reference names: the top owner of the path's first object.
TComponent* ReferenceRoot(TObject* instance) {
  auto* component = dynamic_cast<TComponent*>(instance);
  while (component && component->Owner()) component = component->Owner();
  return component;
}

}  // namespace

// ---- Registration ----------------------------------------------------------------------------

namespace detail {

TClassRecord* ClassRecord(const TMetaClass* cls, TComponentFactory factory) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  TClassRecord* record = FindRecord(registry, cls);
  if (!record) {
    auto fresh = std::make_unique<TClassRecord>();
    fresh->Class = cls;
    record = fresh.get();
    registry.records.emplace(cls, std::move(fresh));
    registry.names[UpperCase(cls->ClassName())].push_back(cls);
  }
  if (factory) record->Factory = factory;
  return record;
}

TPropInfo* AddProperty(TClassRecord* record, std::unique_ptr<TPropInfo> prop) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  registry.propLists.clear();
  prop->DeclaringClass = record->Class;
  for (auto& existing : record->Props)
    if (SameText(existing->Name, prop->Name)) {
      existing = std::move(prop);
      return existing.get();
    }
  record->Props.push_back(std::move(prop));
  return record->Props.back().get();
}

void AddField(TClassRecord* record, TFieldInfo field) {
  std::lock_guard guard(Registry().lock);
  record->Fields.push_back(std::move(field));
}

void AddMethod(TClassRecord* record, std::unique_ptr<TMethodInfo> method) {
  std::lock_guard guard(Registry().lock);
  record->Methods.push_back(std::move(method));
}

}  // namespace detail

const TMetaClass* GetClass(std::string_view name) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  auto it = registry.names.find(UpperCase(name));
  if (it == registry.names.end()) return nullptr;
  // Two registered classes of one name (from different namespaces) cannot be told apart by
  // form data; refuse rather than pick one.
  if (it->second.size() > 1) throw EFilerError(Format("A class named %s already exists", name));
  return it->second.front();
}

const TMetaClass* FindClass(std::string_view name) {
  const TMetaClass* cls = GetClass(name);
  if (!cls) throw EClassNotFound(Format("Class %s not found", name));
  return cls;
}

TComponent* CreateComponent(const TMetaClass* cls, TComponent* owner) {
  TComponentFactory factory = nullptr;
  {
    TClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    if (TClassRecord* record = FindRecord(registry, cls)) factory = record->Factory;
  }
  if (!factory) throw EClassNotFound(Format("Class %s not found", cls->ClassName()));
  return factory(owner);
}

// ---- Look-up ---------------------------------------------------------------------------------

const TPropList& GetPropList(const TMetaClass* cls) {
  TClassRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  auto cached = registry.propLists.find(cls);
  if (cached != registry.propLists.end()) return cached->second;

  std::deque<const TMetaClass*> chain;
  for (const TMetaClass* c = cls; c; c = c->ClassParent()) chain.push_front(c);
  TPropList list;
  for (const TMetaClass* c : chain) {
    TClassRecord* record = FindRecord(registry, c);
    if (!record) continue;
    for (auto& prop : record->Props) {
      auto same = std::find_if(list.begin(), list.end(), [&](const TPropInfo* p) { return SameText(p->Name, prop->Name); });
      if (same != list.end()) *same = prop.get();
      else list.push_back(prop.get());
    }
  }
  return registry.propLists.emplace(cls, std::move(list)).first->second;
}

const TPropInfo* GetPropInfo(const TMetaClass* cls, std::string_view name) {
  for (const TPropInfo* prop : GetPropList(cls))
    if (SameText(prop->Name, name)) return prop;
  return nullptr;
}

int GetEnumValue(const TPropInfo* prop, std::string_view name) {
  for (size_t i = 0; i < prop->EnumNames.size(); ++i)
    if (SameText(prop->EnumNames[i], name)) return static_cast<int>(i);
  return -1;
}

const TFieldInfo* FindPublishedField(const TMetaClass* cls, std::string_view name) {
  return SearchChain<const TFieldInfo>(cls, [&](const TClassRecord& record) -> const TFieldInfo* {
    for (const TFieldInfo& field : record.Fields)
      if (SameText(field.Name, name)) return &field;
    return nullptr;
  });
}

const TMethodInfo* FindPublishedMethod(const TMetaClass* cls, std::string_view name) {
  return SearchChain<const TMethodInfo>(cls, [&](const TClassRecord& record) -> const TMethodInfo* {
    for (const auto& method : record.Methods)
      if (SameText(method->Name, name)) return method.get();
    return nullptr;
  });
}

// ---- Typed access ----------------------------------------------------------------------------

bool IsStoredProp(TObject* instance, const TPropInfo* prop) {
  return !prop->IsStored || prop->IsStored(instance);
}

int64_t GetOrdProp(TObject* instance, const TPropInfo* prop) {
  if (!IsOrdinalKind(prop->Kind)) KindError(prop);
  return prop->GetOrd(instance);
}

void SetOrdProp(TObject* instance, const TPropInfo* prop, int64_t value) {
  if (!IsOrdinalKind(prop->Kind)) KindError(prop);
  if (!prop->SetOrd) ReadOnlyError(prop);
  if (value < prop->MinValue || value > prop->MaxValue) throw ERangeError("Range check error");
  prop->SetOrd(instance, value);
}

std::string GetEnumProp(TObject* instance, const TPropInfo* prop) {
  if (prop->Kind != tkEnumeration) KindError(prop);
  int64_t value = prop->GetOrd(instance);
  if (value >= 0 && value < static_cast<int64_t>(prop->EnumNames.size())) return prop->EnumNames[size_t(value)];
  return IntToStr(value);
}

void SetEnumProp(TObject* instance, const TPropInfo* prop, std::string_view name) {
  if (prop->Kind != tkEnumeration) KindError(prop);
  int index = GetEnumValue(prop, name);
  if (index < 0) ElementError(name);
  SetOrdProp(instance, prop, index);
}

std::string GetSetProp(TObject* instance, const TPropInfo* prop, bool brackets) {
  if (prop->Kind != tkSet) KindError(prop);
  uint64_t bits = static_cast<uint64_t>(prop->GetOrd(instance));
  std::string text;
  for (size_t i = 0; i < prop->EnumNames.size() && i < 64; ++i)
    if (bits & (uint64_t(1) << i)) {
      if (!text.empty()) text += ',';
      text += prop->EnumNames[i];
    }
  return brackets ? "[" + text + "]" : text;
}

void SetSetProp(TObject* instance, const TPropInfo* prop, std::string_view text) {
  if (prop->Kind != tkSet) KindError(prop);
  std::string body = Trim(text);
  if (!body.empty() && body.front() == '[') {
    if (body.back() != ']') ElementError(body);
    body = body.substr(1, body.size() - 2);
  }
  uint64_t bits = 0;
  size_t start = 0;
  while (start <= body.size()) {
    size_t comma = body.find(',', start);
    if (comma == std::string::npos) comma = body.size();
    std::string element = Trim(std::string_view(body).substr(start, comma - start));
    if (!element.empty()) {
      int index = GetEnumValue(prop, element);
      if (index < 0) ElementError(element);
      bits |= uint64_t(1) << index;
    }
    start = comma + 1;
  }
  SetOrdProp(instance, prop, static_cast<int64_t>(bits));
}

std::string GetStrProp(TObject* instance, const TPropInfo* prop) {
  if (prop->Kind != tkLString) KindError(prop);
  return prop->GetStr(instance);
}

void SetStrProp(TObject* instance, const TPropInfo* prop, const std::string& value) {
  if (prop->Kind != tkLString) KindError(prop);
  if (!prop->SetStr) ReadOnlyError(prop);
  prop->SetStr(instance, value);
}

long double GetFloatProp(TObject* instance, const TPropInfo* prop) {
  if (prop->Kind != tkFloat) KindError(prop);
  return prop->GetFloat(instance);
}

void SetFloatProp(TObject* instance, const TPropInfo* prop, long double value) {
  if (prop->Kind != tkFloat) KindError(prop);
  if (!prop->SetFloat) ReadOnlyError(prop);
  prop->SetFloat(instance, value);
}

TObject* GetObjectProp(TObject* instance, const TPropInfo* prop) {
  if (prop->Kind != tkClass) KindError(prop);
  return prop->GetObject(instance);
}

void SetObjectProp(TObject* instance, const TPropInfo* prop, TObject* value) {
  if (prop->Kind != tkClass) KindError(prop);
  if (!prop->SetObject) ReadOnlyError(prop);
  if (!prop->SetObject(instance, value))
    throw EPropertyConvertError(Format("Invalid class %s for property %s", value->ClassName(), prop->Name));
}

TMethod GetMethodProp(TObject* instance, const TPropInfo* prop) {
  if (prop->Kind != tkMethod) KindError(prop);
  return prop->GetMethod(instance);
}

void SetMethodProp(TObject* instance, const TPropInfo* prop, const TMethod& value) {
  if (prop->Kind != tkMethod) KindError(prop);
  if (prop->SetMethod(instance, value)) return;
  if (value.Code) throw EPropertyConvertError(Format("Invalid property value for %s", prop->Name));
  throw EMethodNotFound(Format("Method %s not found", value.Name));
}

// ---- Paths -----------------------------------------------------------------------------------

TPropLocation FindPropPath(TObject* instance, std::string_view path) {
  TObject* object = instance;
  for (;;) {
    size_t dot = path.find('.');
    std::string_view step = path.substr(0, dot);
    const TPropInfo* prop = GetPropInfo(object, step);
    if (dot == std::string_view::npos) return prop ? TPropLocation{object, prop} : TPropLocation{};
    if (prop && prop->Kind == tkClass) {
      object = prop->GetObject(object);
    } else {
      auto* component = dynamic_cast<TComponent*>(object);
      object = component ? component->FindComponent(std::string(step)) : nullptr;
    }
    if (!object) return {};
    path.remove_prefix(dot + 1);
  }
}

TPropLocation GetPropPath(TObject* instance, std::string_view path) {
  TPropLocation location = FindPropPath(instance, path);
  if (!location) throw EPropertyError(Format("Property %s does not exist", path));
  return location;
}

std::string GetPropValue(TObject* instance, std::string_view path) {
  auto [object, prop] = GetPropPath(instance, path);
  switch (prop->Kind) {
    case tkInteger: return IntToStr(GetOrdProp(object, prop));
    case tkChar: return std::string(1, static_cast<char>(GetOrdProp(object, prop)));
    case tkEnumeration: return GetEnumProp(object, prop);
    case tkSet: return GetSetProp(object, prop, true);
    case tkFloat: return FloatToStr(GetFloatProp(object, prop));
    case tkLString: return GetStrProp(object, prop);
    case tkMethod: return GetMethodProp(object, prop).Name;
    case tkClass:
      if (prop->IsReference) {
        auto* component = dynamic_cast<TComponent*>(GetObjectProp(object, prop));
        return component ? component->Name() : std::string();
      }
      break;
    default: break;
  }
  KindError(prop);
}

void SetPropValue(TObject* instance, std::string_view path, std::string_view value) {
  auto [object, prop] = GetPropPath(instance, path);
  switch (prop->Kind) {
    case tkInteger: return SetOrdProp(object, prop, StrToInt64(value));
    case tkChar:
      if (value.size() != 1) throw EPropertyConvertError(Format("Invalid property value: %s", value));
      return SetOrdProp(object, prop, static_cast<unsigned char>(value[0]));
    case tkEnumeration: return SetEnumProp(object, prop, Trim(value));
    case tkSet: return SetSetProp(object, prop, value);
    case tkFloat: {
      std::string text = Trim(value);
      double number = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
      if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw EConvertError(Format("'%s' is not a valid floating point value", text));
      return SetFloatProp(object, prop, number);
    }
    case tkLString: return SetStrProp(object, prop, std::string(value));
    case tkMethod:
      return SetMethodProp(object, prop, value.empty() ? TMethod{} : TMethod{ReferenceRoot(instance), std::string(value)});
    case tkClass:
      if (prop->IsReference) {
        TComponent* component = nullptr;
        if (!value.empty()) {
          component = FindNestedComponent(ReferenceRoot(instance), value);
          if (!component) throw EPropertyConvertError(Format("Component %s not found", value));
        }
        return SetObjectProp(object, prop, component);
      }
      break;
    default: break;
  }
  KindError(prop);
}

}  // namespace vcl
