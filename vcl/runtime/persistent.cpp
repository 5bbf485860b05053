#include "vcl/runtime/persistent.h"

#include "vcl/runtime/exceptions.h"

namespace vcl {

void TPersistent::Assign(TPersistent* source) {
  if (source == nullptr) AssignError(nullptr, this);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { AssignError(this, dest); }

TPersistent* TPersistent::GetOwner() { return nullptr; }

std::string TPersistent::GetNamePath() { return ClassName(); }

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::AssignError(const TPersistent* source, const TPersistent* dest) {
  std::string sourceName = source ? source->ClassName() : "nil";
  std::string destName = dest ? dest->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + sourceName + " to a " + destName);
}

}  // namespace vcl
