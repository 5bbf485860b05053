// TPixelCombineEvent: the combiner a TBitmap32 carries for dmCustom drawing. It is a method
// pointer (code plus object), not an opaque callable: two events compare equal when they name
// the same function (and object), so the transfer code can recognise a blend mode and run its
// row kernel instead of calling the combiner per pixel.
#pragma once

#include "bitmap/engine/colour32.h"

namespace bitmap {

class TPixelCombineEvent {
 public:
  // The code part: receives the object part as `self`.
  using Code = void (*)(void* self, TColor32 f, TColor32& b, TColor32 master);

  // Unassigned.
  constexpr TPixelCombineEvent() = default;

  // A combiner that is a free function (no object): TPixelCombineEvent::Of<&BlendMultiply>().
  template <void (*Function)(TColor32, TColor32&, TColor32)>
  static constexpr TPixelCombineEvent Of() {
    return TPixelCombineEvent(&FunctionThunk<Function>, nullptr);
  }
  // A member function of `self`: TPixelCombineEvent::Of<&TMyFilter::Combine>(filter).
  template <auto Method, class T>
  static constexpr TPixelCombineEvent Of(T* self) {
    return TPixelCombineEvent(&MethodThunk<T, Method>, self);
  }
  // From its two parts: `code` is called with `self` first.
  static constexpr TPixelCombineEvent FromParts(Code code, void* self) {
    return TPixelCombineEvent(code, self);
  }

  constexpr bool Assigned() const { return code_ != nullptr; }
  constexpr Code CodePart() const { return code_; }
  constexpr void* Data() const { return self_; }

  // Combines F into B with the master alpha. Only for an assigned event.
  void operator()(TColor32 f, TColor32& b, TColor32 master) const { code_(self_, f, b, master); }

  friend constexpr bool operator==(const TPixelCombineEvent&, const TPixelCombineEvent&) = default;

 private:
  constexpr TPixelCombineEvent(Code code, void* self) : code_(code), self_(self) {}

  template <void (*Function)(TColor32, TColor32&, TColor32)>
  static void FunctionThunk(void*, TColor32 f, TColor32& b, TColor32 master) {
    Function(f, b, master);
  }
  template <class T, auto Method>
  static void MethodThunk(void* self, TColor32 f, TColor32& b, TColor32 master) {
    (static_cast<T*>(self)->*Method)(f, b, master);
  }

  Code code_ = nullptr;
  void* self_ = nullptr;
};

}  // namespace bitmap
