#include "bitmap/engine/pixel_combine_method.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace bitmap {

namespace {

// A published method a combiner is bound to. The combiner's object part points at it, so it
// must stay where it is while any combiner may hold it: holders are kept for the life of the
// process, one per object and method, which also makes two bindings of the same method equal.
// A holder outliving its object is harmless: a new binding for an object at the same address
// calls the same method of the same class there, exactly as a fresh holder would.
struct TBoundCombiner {
  vcl::TMethod method;
  std::function<TPixelCombineSignature> call;
};

struct THolders {
  std::mutex lock;
  std::map<std::pair<vcl::TObject*, const vcl::TMethodInfo*>, std::unique_ptr<TBoundCombiner>> bound;
};

THolders& Holders() {
  static THolders* holders = new THolders;  // never destroyed: combiners may outlive statics
  return *holders;
}

void CallBound(void* self, TColor32 f, TColor32& b, TColor32 master) {
  static_cast<TBoundCombiner*>(self)->call(f, b, master);
}

}  // namespace

TPixelCombineEvent BindPixelCombineMethod(vcl::TObject* data, std::string_view name) {
  if (!data) return {};
  using TInfo = vcl::TTypedMethodInfo<TPixelCombineSignature>;
  const auto* info = dynamic_cast<const TInfo*>(vcl::FindPublishedMethod(data->ClassType(), name));
  if (!info) return {};
  THolders& holders = Holders();
  std::lock_guard guard(holders.lock);
  std::unique_ptr<TBoundCombiner>& holder = holders.bound[{data, info}];
  if (!holder) {
    holder = std::make_unique<TBoundCombiner>();
    holder->method = vcl::TMethod{data, info->Name};
    holder->call = info->Make(data);
  }
  return TPixelCombineEvent::FromParts(&CallBound, holder.get());
}

vcl::TMethod PixelCombineMethodOf(const TPixelCombineEvent& event) {
  if (event.CodePart() != &CallBound) return {};
  return static_cast<const TBoundCombiner*>(event.Data())->method;
}

void PublishPixelCombineEvent(const vcl::TMetaClass* cls, const char* name,
                              std::function<TPixelCombineEvent&(vcl::TObject*)> event) {
  auto prop = std::make_unique<vcl::TPropInfo>();
  prop->Name = name;
  prop->Kind = vcl::tkMethod;
  prop->Signature = &typeid(TPixelCombineSignature);
  prop->GetMethod = [event](vcl::TObject* o) { return PixelCombineMethodOf(event(o)); };
  prop->SetMethod = [event](vcl::TObject* o, const vcl::TMethod& method) {
    TPixelCombineEvent& target = event(o);
    if (!method.Assigned()) {
      target = TPixelCombineEvent();
      return true;
    }
    const TPixelCombineEvent bound = BindPixelCombineMethod(method.Data, method.Name);
    if (!bound.Assigned()) return false;  // the caller reports the missing method
    target = bound;
    return true;
  };
  vcl::detail::AddProperty(vcl::detail::ClassRecord(cls, nullptr), std::move(prop));
}

}  // namespace bitmap
