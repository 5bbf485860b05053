// TPersistent: the base of every object that can copy its state from another (Assign) and
// that stored form data can describe (DefineProperties, GetNamePath).
#pragma once

#include <exception>
#include <string>

#include "vcl/runtime/system.h"

namespace vcl {

class TFiler;

class TPersistent : public TObject {
  VCL_CLASS(TPersistent, TObject)
  TPersistent() = default;
  ~TPersistent() override = default;

  // Copies the state of `source` into this object. A class that knows how to copy from the
  // source overrides Assign; otherwise the source is asked to copy itself into this object
  // (AssignTo). When neither side knows the other, EConvertError
  // "Cannot assign a <source class> to a <this class>" is raised ("nil" for a null source).
  virtual void Assign(TPersistent* source);

  // The object that owns this one for naming purposes (a collection for its items); nil here.
  virtual TPersistent* GetOwner();
  // The name under which form data and designers refer to this object: its class name here.
  virtual std::string GetNamePath();
  // Declares the properties that form data stores in a custom way; none here.
  virtual void DefineProperties(TFiler* filer);

 protected:
  // Copies this object's state into `dest`; the fallback of Assign. The default raises the
  // assignment error.
  virtual void AssignTo(TPersistent* dest);

  // Raises EConvertError "Cannot assign a <source class> to a <dest class>", naming a null
  // side "nil".
  [[noreturn]] static void AssignError(const TPersistent* source, const TPersistent* dest);
};

// Keeps an object that batches its change notices (a string list, a collection) in one update,
// BeginUpdate ... EndUpdate, for a scope, also when the scope is left by an exception. The end
// of the update reports its own failure only when no other failure is already on its way.
template <class T>
class TUpdateScope {
 public:
  explicit TUpdateScope(T* object) : object_(object), exceptions_(std::uncaught_exceptions()) {
    object_->BeginUpdate();
  }
  ~TUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() == exceptions_) {
      object_->EndUpdate();
      return;
    }
    try {
      object_->EndUpdate();
    } catch (...) {
    }
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  T* object_;
  int exceptions_;
};

}  // namespace vcl
