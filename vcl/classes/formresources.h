// Creating components from the form data compiled into the program: a form's text form
// description is an RCDATA resource named after the form's class (TFORM1 for TForm1), made by
// the resource compiler from a .rc line such as `TFORM1 RCDATA "main_form.dfm"`.
#pragma once

#include <string>

#include "vcl/classes/component.h"

namespace vcl {

// Reads the form data of the RCDATA resource `resName` of the program into `instance` (see
// TReader::ReadRootComponent). A missing resource raises EResNotFound "Resource %s not found".
//
// The reader looks up the published fields and methods of the instance's own class, so call
// this once the instance is fully constructed, never from a base-class constructor (where
// the object is not yet of its final class).
TComponent* ReadComponentRes(const std::string& resName, TComponent* instance);

// Reads, into a fully constructed `instance`, the form data of each class from the one below
// `rootAncestor` down to the instance's own class, base classes first (a form inherited from
// another form gets its ancestor's components, then its own changes). Classes without a
// resource are skipped; false when none had one.
bool InitInheritedComponent(TComponent* instance, const TMetaClass* rootAncestor);

}  // namespace vcl
