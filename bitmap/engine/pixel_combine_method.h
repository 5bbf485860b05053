// A combiner bound to a published method by name, and the event property that lets form data
// name a form's handler for a TPixelCombineEvent member ("Bitmap.OnPixelCombine = Combine")
// and write it back. The type registry's own events hold callables; a combiner is a method
// pointer of its own (code and object) so that the transfer can recognise a blend mode, and
// this unit is the bridge between the two.
#pragma once

#include <functional>
#include <string_view>

#include "bitmap/engine/pixel_combine.h"
#include "vcl/classes/typeinfo.h"

namespace bitmap {

// The signature of a published method that can serve as a combiner.
using TPixelCombineSignature = void(TColor32 F, TColor32& B, TColor32 M);

// The combiner that calls the published method `name` of `data`; unassigned when `data` is nil
// or its class publishes no such method of that signature. Binding one method of one object
// twice gives two equal combiners.
TPixelCombineEvent BindPixelCombineMethod(vcl::TObject* data, std::string_view name);
// The published method a combiner is bound to; empty for an unassigned combiner and for one
// that is no published method (a blend mode, a function of the program).
vcl::TMethod PixelCombineMethodOf(const TPixelCombineEvent& event);

// Publishes the combiner that `event` reaches in an object of class `cls` as the event
// property `name` (listed after the class's properties registered so far).
void PublishPixelCombineEvent(const vcl::TMetaClass* cls, const char* name,
                              std::function<TPixelCombineEvent&(vcl::TObject*)> event);

}  // namespace bitmap
