// The root of the class hierarchy: TObject with its class reference (TMetaClass), so that
// code can ask an object for its class name and test its class at run time, as the stored
// form data, the picture registry and the Parts' class-name comparisons need.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace vcl {

// A class reference: the class's name and its parent's reference. One instance per class.
class TMetaClass {
 public:
  TMetaClass(const char* name, const TMetaClass* parent) : name_(name), parent_(parent) {}
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  const char* ClassName() const { return name_; }
  const TMetaClass* ClassParent() const { return parent_; }
  bool InheritsFrom(const TMetaClass* ancestor) const {
    for (const TMetaClass* c = this; c; c = c->parent_)
      if (c == ancestor) return true;
    return false;
  }
  // Class names are compared without case, as the platform does.
  bool ClassNameIs(const std::string& name) const;

 private:
  const char* name_;
  const TMetaClass* parent_;
};

// Declares the class reference of a class derived from TObject; put it first in the class body.
// It leaves the access at public.
#define VCL_CLASS(Cls, Base)                                                   \
 public:                                                                       \
  using inherited [[maybe_unused]] = Base;                                     \
  static const ::vcl::TMetaClass* StaticClass() {                              \
    static const ::vcl::TMetaClass meta(#Cls, Base::StaticClass());            \
    return &meta;                                                              \
  }                                                                            \
  const ::vcl::TMetaClass* ClassType() const override { return StaticClass(); }

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static const TMetaClass* StaticClass() {
    static const TMetaClass meta("TObject", nullptr);
    return &meta;
  }
  virtual const TMetaClass* ClassType() const { return StaticClass(); }

  // Runs once the constructors of every class of the object have finished (New<T> calls it),
  // for the work that needs the object's final class: starting a thread, reading a form's data.
  virtual void AfterConstruction() {}

  std::string ClassName() const { return ClassType()->ClassName(); }
  bool ClassNameIs(const std::string& name) const { return ClassType()->ClassNameIs(name); }
  bool InheritsFrom(const TMetaClass* ancestor) const { return ClassType()->InheritsFrom(ancestor); }
  template <class T>
  bool Is() const { return ClassType()->InheritsFrom(T::StaticClass()); }
};

// Creates an object and calls its AfterConstruction; when that raises, the object is freed and
// the error goes on.
template <class T, class... Args>
T* New(Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  try {
    object->AfterConstruction();
  } catch (...) {
    delete object;
    throw;
  }
  return object;
}

namespace detail {
[[noreturn]] void RaiseInvalidCast();
}  // namespace detail

// The object as a T (the checked conversion): nil stays nil, an object of another class raises
// EInvalidCast "Invalid class typecast".
template <class T>
T* As(TObject* object) {
  if (!object) return nullptr;
  if (T* result = dynamic_cast<T*>(object)) return result;
  detail::RaiseInvalidCast();
}
template <class T>
const T* As(const TObject* object) {
  return As<T>(const_cast<TObject*>(object));
}

// Frees an object and clears the pointer; nothing happens for nil.
template <class T>
void FreeAndNil(T*& obj) {
  T* tmp = obj;
  obj = nullptr;
  delete tmp;
}

}  // namespace vcl
