#include "vcl/classes/formresources.h"

#include <vector>

#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace vcl {

namespace {

bool HasFormResource(const std::string& resName) {
  return FindResourceA(nullptr, resName.c_str(), MAKEINTRESOURCEA(10)) != nullptr;
}

}  // namespace

TComponent* ReadComponentRes(const std::string& resName, TComponent* instance) {
  TResourceStream stream(nullptr, resName, MAKEINTRESOURCEA(10));  // RT_RCDATA
  return ReadComponent(&stream, instance);
}

bool InitInheritedComponent(TComponent* instance, const TMetaClass* rootAncestor) {
  std::vector<const TMetaClass*> classes;
  for (const TMetaClass* cls = instance->ClassType(); cls && cls != rootAncestor && cls != TComponent::StaticClass();
       cls = cls->ClassParent())
    classes.insert(classes.begin(), cls);
  bool found = false;
  for (const TMetaClass* cls : classes) {
    if (!HasFormResource(cls->ClassName())) continue;
    ReadComponentRes(cls->ClassName(), instance);
    found = true;
  }
  return found;
}

}  // namespace vcl
