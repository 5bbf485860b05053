// Components whose published properties the storage tests save and restore: TGadget publishes
// a property of every kind the storage handles, with a string list, a collection, a plain
// sub-object and a reference to another component.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vcl/classes/collection.h"
#include "vcl/classes/component.h"
#include "vcl/classes/stringlist.h"

namespace placement_test {

enum TGadgetKind { gkPlain, gkFancy, gkOdd };
enum TGadgetFlag { gfRed, gfGreen, gfBlue };
using TGadgetFlags = uint8_t;  // bit i: TGadgetFlag i

class TGadgetFrame : public vcl::TPersistent {
  VCL_CLASS(TGadgetFrame, vcl::TPersistent)
  int Thickness() const { return thickness_; }
  void SetThickness(int v) { thickness_ = v; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }

 private:
  int thickness_ = 1;
  std::string title_;
};

class TGadgetPart : public vcl::TCollectionItem {
  VCL_CLASS(TGadgetPart, vcl::TCollectionItem)
  explicit TGadgetPart(vcl::TCollection* collection) : vcl::TCollectionItem(collection) {}
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  const std::string& Label() const { return label_; }
  void SetLabel(const std::string& v) { label_ = v; }

 private:
  int width_ = 10;
  std::string label_;
};

class TGadget : public vcl::TComponent {
  VCL_CLASS(TGadget, vcl::TComponent)
  explicit TGadget(vcl::TComponent* owner);
  ~TGadget() override;

  int32_t Count() const { return count_; }
  void SetCount(int32_t v) { count_ = v; }
  int64_t Big() const { return big_; }
  void SetBig(int64_t v) { big_ = v; }
  char Letter() const { return letter_; }
  void SetLetter(char v) { letter_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TGadgetKind Kind() const { return kind_; }
  void SetKind(TGadgetKind v) { kind_ = v; }
  TGadgetFlags Flags() const { return flags_; }
  void SetFlags(TGadgetFlags v) { flags_ = v; }
  const std::string& Folder() const { return folder_; }
  void SetFolder(const std::string& v) { folder_ = v; }
  float Ratio() const { return ratio_; }
  void SetRatio(float v) { ratio_ = v; }
  double Scale() const { return scale_; }
  void SetScale(double v) { scale_ = v; }
  long double Precise() const { return precise_; }
  void SetPrecise(long double v) { precise_ = v; }
  vcl::TStringList* Lines() const { return lines_.get(); }
  void SetLines(vcl::TStringList* v) { lines_->Assign(v); }
  vcl::TOwnedCollection* Parts() const { return parts_.get(); }
  TGadgetFrame* Frame() const { return frame_.get(); }
  vcl::TComponent* Buddy() const { return buddy_; }
  void SetBuddy(vcl::TComponent* v);

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  int32_t count_ = 0;
  int64_t big_ = 0;
  char letter_ = 'a';
  bool enabled_ = true;
  TGadgetKind kind_ = gkPlain;
  TGadgetFlags flags_ = 0;
  std::string folder_;
  float ratio_ = 0;
  double scale_ = 0;
  long double precise_ = 0;
  std::unique_ptr<vcl::TStringList> lines_;
  std::unique_ptr<vcl::TOwnedCollection> parts_;
  std::unique_ptr<TGadgetFrame> frame_;
  vcl::TComponent* buddy_ = nullptr;
};

}  // namespace placement_test
