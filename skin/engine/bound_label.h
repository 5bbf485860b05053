// TsBoundLabel: a caption label that stays attached to an edit: on the edit's parent, named
// after it, enabled and shown with it, and placed left of or above it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/persistent.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

class TsCommonData;
class TsBoundLabel;

enum TsCaptionLayout : uint8_t { sclLeft, sclTopLeft, sclTopCenter, sclTopRight };

// Makes the label control of a bound label, owned by `owner` (the edit). The skinned controls
// set it to make their skinned edit label; a plain label is made while it is empty.
extern std::function<vcl::TCustomLabel*(vcl::TComponent* owner, TsBoundLabel* bound)> CreateBoundEditLabel;

class TsBoundLabel : public vcl::TPersistent {
  VCL_CLASS(TsBoundLabel, vcl::TPersistent)
 public:
  // The edit is the link's control.
  explicit TsBoundLabel(TsCommonData* link);
  ~TsBoundLabel() override;

  bool Active() const { return label_ != nullptr; }
  void SetActive(bool value);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  int32_t Indent() const { return indent_; }
  void SetIndent(int32_t value);
  // The label's font while it exists, else the bound label's own.
  vcl::TFont* Font() const;
  void SetFont(vcl::TFont* value);
  TsCaptionLayout Layout() const { return layout_; }
  void SetLayout(TsCaptionLayout value);
  int32_t MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int32_t value);
  // Passed to the label control when it has the property; true while there is no label.
  bool UseSkinColor() const;
  void SetUseSkinColor(bool value);

  vcl::TCustomLabel* LabelControl() const { return label_; }
  // The label control tells that it goes (freed by someone else): it is forgotten, not freed.
  void LabelGone(vcl::TCustomLabel* label) {
    if (label_ == label) label_ = nullptr;
  }
  // Places the label beside the edit by Layout; called whenever the edit moves, resizes or is
  // shown or hidden.
  void AlignLabel();

 private:
  vcl::TWinControl* Edit() const;

  TsCommonData* link_;
  vcl::TCustomLabel* label_ = nullptr;
  std::unique_ptr<vcl::TFont> font_;
  std::string caption_;
  int32_t indent_ = 0;
  TsCaptionLayout layout_ = sclLeft;
  int32_t maxWidth_ = 0;
};

}  // namespace skin
