// The type registry: what the component library knows about a class at run time beyond its
// name. A class registered here can be created by name (form data names the class of every
// component), and it lists its published properties (what form data sets and stores, and what
// code may read or set by name), and, for forms, the component fields that reading fills and
// the event handlers that form data binds by method name.
//
// Registering a class: one block in the class's .cpp. Properties are listed in the order form
// data writes them; a class's list extends its base's, and listing a base property again
// replaces it in place (to change its default, say).
//
//   VCL_PUBLISHED(TControl, p) {
//     p.Integer("Left", &TControl::Left, &TControl::SetLeft)
//      .Integer("Width", &TControl::Width, &TControl::SetWidth)
//      .Enum("Align", &TControl::Align, &TControl::SetAlign,
//            {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}, alNone)
//      .Set("Anchors", &TControl::Anchors, &TControl::SetAnchors,
//           {"akLeft", "akTop", "akRight", "akBottom"}, TAnchors{akLeft, akTop})
//      .Bool("Visible", &TControl::Visible, &TControl::SetVisible, true)
//      .Integer("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
//          .Idents(ColorToIdent, IdentToColor).Stored(&TControl::IsColorStored)
//      .String("Hint", &TControl::Hint, &TControl::SetHint)
//      .Object("Font", &TControl::Font, &TControl::SetFont)
//      .Component("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
//      .Event("OnClick", &TControl::OnClick);
//   }
//
// A form publishes its component fields and its event handlers the same way; reading its form
// data sets BaseBtn to the component named "BaseBtn", and "OnClick = BaseBtnClick" binds the
// handler:
//
//   VCL_PUBLISHED(TForm1, p) {
//     p.Field("BaseBtn", &TForm1::BaseBtn)
//      .Method("BaseBtnClick", &TForm1::BaseBtnClick);
//   }
//
// Kinds and what form data stores:
// - Integer, Enum, Bool, Char, Set (ordinal kinds): written when different from the default;
//   without a default, always. Set values are bit masks of the element ordinals: integers,
//   enums used as masks, or classes with Bits() and a static FromBits() (TFontStyles).
// - String: written when not empty. Float: written when not 0.
// - Object: a persistent sub-object the class owns (a font, a bitmap, a string list, a
//   collection); form data sets its properties in place ("Font.Height = -11"), so the setter
//   is optional. Component: a reference to another component, stored by name and set after the
//   whole form is read.
// - Event: a std::function member; form data names a published method of the form.
// Getters and setters are public member functions (a getter may also be a data member), as
// are a form's handlers: the registration block sits outside the class. A setter of nullptr
// makes the property read-only. Stored(false) or Stored(predicate) keeps a property out of
// form data.
//
// A component class that can be built from `TComponent* owner` gets a factory, so that form
// data can create it by name. The registration runs before main, when the linker takes the
// class's .cpp from its static library, that is when the program uses something defined
// there: keep the constructor or the destructor of a registered class out of line, in that
// .cpp. A form's Field of a class uses its constructor, so a form pulls in the classes of its
// components; a class that form data names but no code uses needs RegisterClass<T>().
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "vcl/runtime/exceptions.h"

namespace vcl {

class TComponent;

// Looking up or converting a property by name failed ("Property %s does not exist").
VCL_EXCEPTION(EPropertyError, Exception)
// A property was used as a kind it is not, or a text does not name one of its values.
VCL_EXCEPTION(EPropertyConvertError, Exception)

enum TTypeKind { tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkLString, tkSet, tkClass, tkMethod };
enum TFloatType { ftSingle, ftDouble, ftExtended };

// An event's target as code that reads and writes events by name sees it. A published method
// is its object and its name (what form data stores). Any other handler (a lambda set in code)
// is held in Code, a shared copy of the callable of signature *CodeType: writing that TMethod
// back restores the very handler, so that code can save an event, put its own in, and give the
// old one back. Two handlers are the same when all fields match.
struct TMethod {
  TObject* Data = nullptr;
  std::string Name;
  std::shared_ptr<const void> Code{};  // "{}": {data, name} then builds without a warning
  const std::type_info* CodeType = nullptr;

  bool Assigned() const { return Data != nullptr || Code != nullptr; }
  friend bool operator==(const TMethod& a, const TMethod& b) {
    return a.Data == b.Data && a.Name == b.Name && a.Code == b.Code;
  }
};

// The callable that an event holds when it is bound to a published method. It keeps the
// method's identity so that the event can be compared and written back by name.
template <class Sig>
class TBoundMethod;
template <class R, class... A>
class TBoundMethod<R(A...)> {
 public:
  TBoundMethod(TMethod method, std::function<R(A...)> call) : method_(std::move(method)), call_(std::move(call)) {}
  R operator()(A... args) const { return call_(std::forward<A>(args)...); }
  const TMethod& Method() const { return method_; }

 private:
  TMethod method_;
  std::function<R(A...)> call_;
};

// The callable an event holds once a handler that is not a published method was read through
// the registry: the handler itself, shared, so that every read gives the same Code.
template <class Sig>
class TSharedHandler;
template <class R, class... A>
class TSharedHandler<R(A...)> {
 public:
  explicit TSharedHandler(std::shared_ptr<const std::function<R(A...)>> code) : code_(std::move(code)) {}
  R operator()(A... args) const { return (*code_)(std::forward<A>(args)...); }
  const std::shared_ptr<const std::function<R(A...)>>& Code() const { return code_; }

 private:
  std::shared_ptr<const std::function<R(A...)>> code_;
};

// The published method an event is bound to; empty when the event is not assigned or holds a
// callable that is not a published method (unless the registry shared it: then its Code).
template <class Sig>
TMethod MethodOf(const std::function<Sig>& event) {
  if (auto* bound = event.template target<TBoundMethod<Sig>>()) return bound->Method();
  if (auto* shared = event.template target<TSharedHandler<Sig>>()) return TMethod{nullptr, {}, shared->Code(), &typeid(Sig)};
  return {};
}

// What an event holds, as the registry reads it: a handler that is neither a published method
// nor already shared becomes shared first (it behaves the same), so that the TMethod read can
// restore it and compares equal to later reads.
template <class Sig>
TMethod ReadEvent(std::function<Sig>& event) {
  if (event && !event.template target<TBoundMethod<Sig>>() && !event.template target<TSharedHandler<Sig>>())
    event = TSharedHandler<Sig>(std::make_shared<const std::function<Sig>>(std::move(event)));
  return MethodOf(event);
}

using TEnumNames = std::vector<std::string>;

// One published property of a class. The accessors that fit its kind are set; a property
// without a setter is read-only.
struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  const TMetaClass* DeclaringClass = nullptr;  // the class whose table lists it
  TFloatType FloatType = ftDouble;
  TEnumNames EnumNames;                        // enumeration values; set elements by bit
  bool IsBoolean = false;                      // the enumeration False, True
  const TMetaClass* ClassType = nullptr;       // tkClass: the declared class of the value
  bool IsReference = false;                    // tkClass: a component referenced by name
  const std::type_info* Signature = nullptr;   // tkMethod: the event's call signature
  std::optional<int64_t> Default;              // ordinal kinds
  int64_t MinValue = 0;                        // ordinal kinds: what the C++ type holds
  int64_t MaxValue = 0;

  std::function<int64_t(TObject*)> GetOrd;
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<long double(TObject*)> GetFloat;
  std::function<void(TObject*, long double)> SetFloat;
  std::function<std::string(TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<TObject*(TObject*)> GetObject;
  std::function<bool(TObject*, TObject*)> SetObject;  // false: the value is of the wrong class
  std::function<TMethod(TObject*)> GetMethod;
  // False: no such published method, or a handler (Code) of another signature.
  std::function<bool(TObject*, const TMethod&)> SetMethod;
  std::function<bool(TObject*)> IsStored;                   // empty: always stored
  // Integers that form data may write as names (colours, character sets).
  std::function<bool(int64_t, std::string&)> IntToIdent;
  std::function<bool(const std::string&, int64_t&)> IdentToInt;

  bool Writable() const { return SetOrd || SetFloat || SetStr || SetObject || SetMethod; }
};

using TPropList = std::vector<const TPropInfo*>;

// A component field of a form, filled when the component of that name joins the form.
struct TFieldInfo {
  std::string Name;
  const TMetaClass* ClassType = nullptr;
  std::function<bool(TObject*)> Accepts;        // the value is of the field's class
  std::function<void(TObject*, TObject*)> Set;  // (owner, value or nullptr)
  std::function<TObject*(TObject*)> Get;
};

// A published method: makes, for an object of the class, the callable of the method.
struct TMethodInfo {
  std::string Name;
  virtual ~TMethodInfo() = default;
};
template <class Sig>
struct TTypedMethodInfo : TMethodInfo {
  std::function<std::function<Sig>(TObject*)> Make;
};

using TComponentFactory = TComponent* (*)(TComponent* owner);

namespace detail {
struct TClassRecord;
// Finds or creates the record of a class; a non-null factory is stored.
TClassRecord* ClassRecord(const TMetaClass* cls, TComponentFactory factory);
TPropInfo* AddProperty(TClassRecord* record, std::unique_ptr<TPropInfo> prop);
void AddField(TClassRecord* record, TFieldInfo field);
void AddMethod(TClassRecord* record, std::unique_ptr<TMethodInfo> method);

// How an ordinal C++ type maps to the property's int64 value.
template <class T>
struct TOrdinal {
  static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "not an ordinal type");
  using Raw = std::conditional_t<std::is_enum_v<T>, std::underlying_type<T>, std::type_identity<T>>::type;
  static int64_t ToOrd(T v) {
    if constexpr (std::is_same_v<Raw, char>) return static_cast<unsigned char>(v);
    return static_cast<int64_t>(static_cast<Raw>(v));
  }
  static T FromOrd(int64_t v) {
    if constexpr (std::is_same_v<T, bool>) return v != 0;
    return static_cast<T>(static_cast<Raw>(v));
  }
  static constexpr int64_t Min() {
    if constexpr (std::is_same_v<Raw, char>) return 0;
    return static_cast<int64_t>(std::numeric_limits<Raw>::min());
  }
  static constexpr int64_t Max() {
    if constexpr (std::is_same_v<Raw, char>) return 255;
    if constexpr (std::numeric_limits<Raw>::digits >= 63) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(std::numeric_limits<Raw>::max());
  }
};
template <class T>
  requires requires(T t) { T::FromBits(t.Bits()); }
struct TOrdinal<T> {
  using Bits = decltype(std::declval<T>().Bits());
  static int64_t ToOrd(T v) { return static_cast<int64_t>(v.Bits()); }
  static T FromOrd(int64_t v) { return T::FromBits(static_cast<Bits>(v)); }
  static constexpr int64_t Min() { return 0; }
  static constexpr int64_t Max() { return static_cast<int64_t>(std::numeric_limits<Bits>::max()); }
};

template <class C, class G>
using TGetterValue = std::decay_t<std::invoke_result_t<G, C*>>;
}  // namespace detail

// The factory of a component class, or nullptr when form data cannot create it (abstract, or
// not built from an owner). A component made by name is constructed as code makes it with
// New<T>: its AfterConstruction has run before the reader sets a single stored property.
template <class T>
TComponentFactory ComponentFactoryOf() {
  if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                std::is_constructible_v<T, TComponent*>)
    return [](TComponent* owner) -> TComponent* { return New<T>(owner); };
  else
    return nullptr;
}

// Makes a class known by name (FindClass) and, for components, creatable from form data.
template <class T>
void RegisterClass() {
  detail::ClassRecord(T::StaticClass(), ComponentFactoryOf<T>());
}
template <class... T>
void RegisterClasses() {
  (RegisterClass<T>(), ...);
}

// The class of that name (compared without case): FindClass raises EClassNotFound
// "Class %s not found", GetClass returns nullptr.
const TMetaClass* FindClass(std::string_view name);
const TMetaClass* GetClass(std::string_view name);
// A new component of a registered class; EClassNotFound when the class has no factory.
TComponent* CreateComponent(const TMetaClass* cls, TComponent* owner);

// The published properties of a class, its bases' first. The list stays valid until another
// class registers properties.
const TPropList& GetPropList(const TMetaClass* cls);
inline const TPropList& GetPropList(const TObject* instance) { return GetPropList(instance->ClassType()); }
// The property of that name (without case), or nullptr.
const TPropInfo* GetPropInfo(const TMetaClass* cls, std::string_view name);
inline const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name) {
  return GetPropInfo(instance->ClassType(), name);
}
inline bool IsPublishedProp(const TObject* instance, std::string_view name) {
  return GetPropInfo(instance, name) != nullptr;
}
// The ordinal of an enumeration value or set element by name (without case), or -1.
int GetEnumValue(const TPropInfo* prop, std::string_view name);
const TFieldInfo* FindPublishedField(const TMetaClass* cls, std::string_view name);
const TMethodInfo* FindPublishedMethod(const TMetaClass* cls, std::string_view name);

// An event callable bound to the published method `name` of `data`; empty when the class of
// `data` has no such method with this signature.
template <class Sig>
std::function<Sig> BindMethod(TObject* data, std::string_view name) {
  if (data == nullptr) return {};
  auto* method = dynamic_cast<const TTypedMethodInfo<Sig>*>(FindPublishedMethod(data->ClassType(), name));
  if (method == nullptr) return {};
  return TBoundMethod<Sig>(TMethod{data, method->Name}, method->Make(data));
}

// Typed access. Using a property as a kind it is not raises EPropertyConvertError; setting a
// read-only property raises EPropertyError "Property %s is read-only".
bool IsStoredProp(TObject* instance, const TPropInfo* prop);
int64_t GetOrdProp(TObject* instance, const TPropInfo* prop);       // integer, char, enum, set
void SetOrdProp(TObject* instance, const TPropInfo* prop, int64_t value);
std::string GetEnumProp(TObject* instance, const TPropInfo* prop);  // the value's name
void SetEnumProp(TObject* instance, const TPropInfo* prop, std::string_view name);
// "a,b" (with brackets "[a,b]"); setting takes names separated by commas, brackets optional.
std::string GetSetProp(TObject* instance, const TPropInfo* prop, bool brackets = false);
void SetSetProp(TObject* instance, const TPropInfo* prop, std::string_view text);
std::string GetStrProp(TObject* instance, const TPropInfo* prop);
void SetStrProp(TObject* instance, const TPropInfo* prop, const std::string& value);
long double GetFloatProp(TObject* instance, const TPropInfo* prop);
void SetFloatProp(TObject* instance, const TPropInfo* prop, long double value);
TObject* GetObjectProp(TObject* instance, const TPropInfo* prop);
void SetObjectProp(TObject* instance, const TPropInfo* prop, TObject* value);
// The event's handler: a published method by object and name, any other handler by its Code.
TMethod GetMethodProp(TObject* instance, const TPropInfo* prop);
// Binds the event to the published method value.Name of value.Data, or gives it back the
// handler value.Code (an empty TMethod clears it). An unknown method raises EMethodNotFound
// "Method %s not found"; a handler of another signature EPropertyConvertError.
void SetMethodProp(TObject* instance, const TPropInfo* prop, const TMethod& value);

// A property reached by a dotted path from an object: each step but the last is an object
// property ("Font.Height") or, on a component, a component it owns ("OpenDialogBase.InitialDir").
struct TPropLocation {
  TObject* Instance = nullptr;
  const TPropInfo* Prop = nullptr;
  explicit operator bool() const { return Prop != nullptr; }
};
TPropLocation FindPropPath(TObject* instance, std::string_view path);
// As FindPropPath, raising EPropertyError "Property %s does not exist" for a missing step.
TPropLocation GetPropPath(TObject* instance, std::string_view path);

// Any property by path as text: integers in decimal, characters as themselves, enumerations
// and booleans by name, sets as "[a,b]", floats in general format, component references by
// name (resolved among the components of the path's first object's top owner), events by
// method name (a published method of that top owner). Sub-objects have no text and raise
// EPropertyConvertError; bad text raises EConvertError or EPropertyConvertError.
std::string GetPropValue(TObject* instance, std::string_view path);
void SetPropValue(TObject* instance, std::string_view path, std::string_view value);

// Builds the published table of class C; see the top of this file.
template <class C>
class TPublished {
 public:
  explicit TPublished(detail::TClassRecord* record) : record_(record) {}

  template <class G, class S>
  TPublished& Integer(const char* name, G getter, S setter, std::optional<int64_t> def = std::nullopt) {
    using V = detail::TGetterValue<C, G>;
    static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool>, "Integer needs an integer getter");
    Ordinal<V>(name, tkInteger, getter, setter, def);
    return *this;
  }
  template <class G, class S>
  TPublished& Char(const char* name, G getter, S setter, std::optional<char> def = std::nullopt) {
    using V = detail::TGetterValue<C, G>;
    static_assert(std::is_same_v<V, char>, "Char needs a char getter");
    std::optional<int64_t> ord;
    if (def) ord = static_cast<unsigned char>(*def);
    Ordinal<V>(name, tkChar, getter, setter, ord);
    return *this;
  }
  template <class G, class S>
  TPublished& Bool(const char* name, G getter, S setter, std::optional<bool> def = std::nullopt) {
    std::optional<int64_t> ord;
    if (def) ord = *def ? 1 : 0;
    TPropInfo& p = Ordinal<detail::TGetterValue<C, G>>(name, tkEnumeration, getter, setter, ord);
    p.EnumNames = {"False", "True"};
    p.IsBoolean = true;
    return *this;
  }
  template <class G, class S>
  TPublished& Enum(const char* name, G getter, S setter, TEnumNames names) {
    return EnumWith(name, getter, setter, std::move(names), std::nullopt);
  }
  template <class G, class S, class D>
  TPublished& Enum(const char* name, G getter, S setter, TEnumNames names, D def) {
    return EnumWith(name, getter, setter, std::move(names), static_cast<int64_t>(def));
  }
  template <class G, class S>
  TPublished& Set(const char* name, G getter, S setter, TEnumNames names) {
    return SetWith(name, getter, setter, std::move(names), std::nullopt);
  }
  template <class G, class S, class D>
  TPublished& Set(const char* name, G getter, S setter, TEnumNames names, D def) {
    using V = detail::TGetterValue<C, G>;
    return SetWith(name, getter, setter, std::move(names), detail::TOrdinal<V>::ToOrd(V(def)));
  }
  template <class G, class S>
  TPublished& String(const char* name, G getter, S setter) {
    auto p = NewProp(name, tkLString);
    p->GetStr = [getter](TObject* o) -> std::string { return std::string(std::invoke(getter, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p->SetStr = [setter](TObject* o, const std::string& v) { std::invoke(setter, Self(o), v); };
    Add(std::move(p));
    return *this;
  }
  template <class G, class S>
  TPublished& Float(const char* name, G getter, S setter) {
    using V = detail::TGetterValue<C, G>;
    static_assert(std::is_floating_point_v<V>, "Float needs a floating-point getter");
    auto p = NewProp(name, tkFloat);
    p->FloatType = std::is_same_v<V, float> ? ftSingle : std::is_same_v<V, double> ? ftDouble : ftExtended;
    p->GetFloat = [getter](TObject* o) -> long double { return std::invoke(getter, Self(o)); };
    if constexpr (!std::is_null_pointer_v<S>)
      p->SetFloat = [setter](TObject* o, long double v) { std::invoke(setter, Self(o), static_cast<V>(v)); };
    Add(std::move(p));
    return *this;
  }
  // An owned persistent sub-object; the setter (usually an Assign) is optional.
  template <class G, class S = std::nullptr_t>
  TPublished& Object(const char* name, G getter, S setter = nullptr) {
    ClassProp(name, getter, setter, false);
    return *this;
  }
  // A reference to a component, stored by name.
  template <class G, class S>
  TPublished& Component(const char* name, G getter, S setter) {
    ClassProp(name, getter, setter, true);
    return *this;
  }
  template <class B, class Sig>
  TPublished& Event(const char* name, std::function<Sig> B::*member) {
    static_assert(std::is_base_of_v<B, C>);
    auto p = NewProp(name, tkMethod);
    p->Signature = &typeid(Sig);
    p->GetMethod = [member](TObject* o) { return ReadEvent(Self(o)->*member); };
    p->SetMethod = [member](TObject* o, const TMethod& m) {
      std::function<Sig>& event = Self(o)->*member;
      if (!m.Assigned()) {
        event = nullptr;
        return true;
      }
      if (m.Code) {
        if (m.CodeType == nullptr || *m.CodeType != typeid(Sig)) return false;
        event = TSharedHandler<Sig>(std::static_pointer_cast<const std::function<Sig>>(m.Code));
        return true;
      }
      std::function<Sig> bound = BindMethod<Sig>(m.Data, m.Name);
      if (!bound) return false;
      event = std::move(bound);
      return true;
    };
    Add(std::move(p));
    return *this;
  }
  // A component field of a form. The field's class becomes known by name.
  template <class B, class T>
  TPublished& Field(const char* name, T* B::*field) {
    static_assert(std::is_base_of_v<B, C>);
    RegisterClass<T>();
    TFieldInfo info;
    info.Name = name;
    info.ClassType = T::StaticClass();
    info.Accepts = [](TObject* v) { return dynamic_cast<T*>(v) != nullptr; };
    info.Set = [field](TObject* o, TObject* v) { Self(o)->*field = v ? dynamic_cast<T*>(v) : nullptr; };
    info.Get = [field](TObject* o) -> TObject* { return Self(o)->*field; };
    detail::AddField(record_, std::move(info));
    return *this;
  }
  // A published method that form data can bind events to by name.
  template <class B, class R, class... A>
  TPublished& Method(const char* name, R (B::*method)(A...)) {
    static_assert(std::is_base_of_v<B, C>);
    auto info = std::make_unique<TTypedMethodInfo<R(A...)>>();
    info->Name = name;
    info->Make = [method](TObject* o) -> std::function<R(A...)> {
      C* self = Self(o);
      return [self, method](A... args) -> R { return (self->*method)(std::forward<A>(args)...); };
    };
    detail::AddMethod(record_, std::move(info));
    return *this;
  }

  // Modifiers of the property listed last.
  TPublished& Stored(bool stored) {
    last_->IsStored = [stored](TObject*) { return stored; };
    return *this;
  }
  template <class F>
    requires std::is_invocable_r_v<bool, F, C*>
  TPublished& Stored(F predicate) {
    last_->IsStored = [predicate](TObject* o) { return std::invoke(predicate, Self(o)); };
    return *this;
  }
  template <class T>
  TPublished& Idents(bool (*toIdent)(T, std::string&), bool (*fromIdent)(const std::string&, T&)) {
    last_->IntToIdent = [toIdent](int64_t v, std::string& ident) { return toIdent(static_cast<T>(v), ident); };
    last_->IdentToInt = [fromIdent](const std::string& ident, int64_t& v) {
      T value{};
      if (!fromIdent(ident, value)) return false;
      v = static_cast<int64_t>(value);
      return true;
    };
    return *this;
  }

 private:
  static C* Self(TObject* o) { return static_cast<C*>(o); }

  static std::unique_ptr<TPropInfo> NewProp(const char* name, TTypeKind kind) {
    auto p = std::make_unique<TPropInfo>();
    p->Name = name;
    p->Kind = kind;
    return p;
  }
  TPropInfo& Add(std::unique_ptr<TPropInfo> p) {
    last_ = detail::AddProperty(record_, std::move(p));
    return *last_;
  }

  template <class V, class G, class S>
  TPropInfo& Ordinal(const char* name, TTypeKind kind, G getter, S setter, std::optional<int64_t> def) {
    using Ord = detail::TOrdinal<V>;
    auto p = NewProp(name, kind);
    p->Default = def;
    p->MinValue = Ord::Min();
    p->MaxValue = Ord::Max();
    p->GetOrd = [getter](TObject* o) { return Ord::ToOrd(std::invoke(getter, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p->SetOrd = [setter](TObject* o, int64_t v) { std::invoke(setter, Self(o), Ord::FromOrd(v)); };
    return Add(std::move(p));
  }
  template <class G, class S>
  TPublished& EnumWith(const char* name, G getter, S setter, TEnumNames names, std::optional<int64_t> def) {
    TPropInfo& p = Ordinal<detail::TGetterValue<C, G>>(name, tkEnumeration, getter, setter, def);
    p.MinValue = 0;
    p.MaxValue = static_cast<int64_t>(names.size()) - 1;
    p.EnumNames = std::move(names);
    return *this;
  }
  template <class G, class S>
  TPublished& SetWith(const char* name, G getter, S setter, TEnumNames names, std::optional<int64_t> def) {
    TPropInfo& p = Ordinal<detail::TGetterValue<C, G>>(name, tkSet, getter, setter, def);
    p.MinValue = 0;
    p.MaxValue = names.size() >= 63 ? std::numeric_limits<int64_t>::max() : (int64_t(1) << names.size()) - 1;
    p.EnumNames = std::move(names);
    return *this;
  }
  template <class G, class S>
  void ClassProp(const char* name, G getter, S setter, bool reference) {
    using P = std::invoke_result_t<G, C*>;
    static_assert(std::is_pointer_v<P>, "the getter must return a pointer");
    using T = std::remove_cv_t<std::remove_pointer_t<P>>;
    auto p = NewProp(name, tkClass);
    p->ClassType = T::StaticClass();
    p->IsReference = reference;
    p->GetObject = [getter](TObject* o) -> TObject* { return const_cast<T*>(std::invoke(getter, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p->SetObject = [setter](TObject* o, TObject* v) {
        T* value = v ? dynamic_cast<T*>(v) : nullptr;
        if (v && !value) return false;
        std::invoke(setter, Self(o), value);
        return true;
      };
    Add(std::move(p));
  }

  detail::TClassRecord* record_;
  TPropInfo* last_ = nullptr;
};

// Runs a class's registration once, before main.
struct TClassRegistrar {
  TClassRegistrar(detail::TClassRecord* record, void (*fill)(detail::TClassRecord*)) { fill(record); }
};

#define VCL_PUBLISHED_CAT2(a, b) a##b
#define VCL_PUBLISHED_CAT(a, b) VCL_PUBLISHED_CAT2(a, b)
// Declares the published table of class Cls; the block that follows fills it through `builder`.
// The names are numbered by __COUNTER__, not by line, so that two tables on the same line of two
// sources compiled as one unit stay apart.
#define VCL_PUBLISHED(Cls, builder) VCL_PUBLISHED_NUMBERED(Cls, builder, __COUNTER__)
#define VCL_PUBLISHED_NUMBERED(Cls, builder, id)                                                     \
  static void VCL_PUBLISHED_CAT(vclPublished_, id)(::vcl::TPublished<Cls> & builder);                \
  static const ::vcl::TClassRegistrar VCL_PUBLISHED_CAT(vclRegistrar_, id)(                          \
      ::vcl::detail::ClassRecord(Cls::StaticClass(), ::vcl::ComponentFactoryOf<Cls>()),             \
      [](::vcl::detail::TClassRecord* record) {                                                      \
        ::vcl::TPublished<Cls> table(record);                                                        \
        VCL_PUBLISHED_CAT(vclPublished_, id)(table);                                                 \
      });                                                                                            \
  static void VCL_PUBLISHED_CAT(vclPublished_, id)(::vcl::TPublished<Cls> & builder)

}  // namespace vcl
