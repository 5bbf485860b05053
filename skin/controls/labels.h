// Labels that take their text colour from the skin instead of a skin link of their own:
// TsCustomLabel (optional section background, disabled text blended into what lies behind,
// mouse enter and leave events), TsLabel (follows the font colour of its parent's section) and
// TsWebLabel (a link with a hover font that opens its web or mail address when clicked).
// They are windowless and always follow the default skin manager.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "skin/controls/control_support.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

class TsCustomLabel : public vcl::TCustomLabel {
  VCL_CLASS(TsCustomLabel, vcl::TCustomLabel)
 public:
  explicit TsCustomLabel(vcl::TComponent* owner);
  ~TsCustomLabel() override;

  // A section painted behind the text (never the skin's first section); empty for none.
  const std::string& SkinSection() const { return skinSection_; }
  void SetSkinSection(const std::string& value);

  vcl::TNotifyEvent OnMouseEnter, OnMouseLeave;

  // The font the text is drawn with, its colour taken from the skin.
  virtual vcl::TFont* GetCurrentFont();
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Paint() override;
  void DoDrawText(vcl::TRect& rect, UINT flags) override;
  static bool SkinActive();

 private:
  std::string skinSection_;
};

class TsLabel : public TsCustomLabel {
  VCL_CLASS(TsLabel, TsCustomLabel)
 public:
  explicit TsLabel(vcl::TComponent* owner);
  ~TsLabel() override;

  bool UseSkinColor() const { return useSkinColor_; }
  void SetUseSkinColor(bool value) { useSkinColor_ = value; }

  vcl::TFont* GetCurrentFont() override;
  void WndProc(vcl::TMessage& message) override;

 private:
  bool useSkinColor_ = true;
};

class TsBoundLabel;

// The caption label that a bound label makes beside an edit: a skinned label that tells the
// bound label when it goes.
class TsEditLabel : public TsLabel {
  VCL_CLASS(TsEditLabel, TsLabel)
 public:
  TsEditLabel(vcl::TComponent* owner, TsBoundLabel* bound);
  ~TsEditLabel() override;
  TsBoundLabel* BoundLabel() const { return bound_; }

 private:
  TsBoundLabel* bound_;
};

// Makes the bound labels of the skinned edits skinned labels (TsEditLabel); part of
// RegisterSkinnedControls, since the engine's hook must be set after its own start-up.
void InstallSkinnedEditLabels();

// The platform's show commands, in their order (soHide = SW_HIDE ... soDefault = SW_SHOWDEFAULT).
enum TsWindowShowMode : uint8_t {
  soHide, soNormal, soShowMinimized, soMaximize, soShowNoActivate, soShow, soMinimize, soShowMinNoActive, soShowNA,
  soRestore, soDefault
};

class TsWebLabel : public TsLabel {
  VCL_CLASS(TsWebLabel, TsLabel)
 public:
  explicit TsWebLabel(vcl::TComponent* owner);
  ~TsWebLabel() override;

  // The font shown normally (the published Font); setting it shows it at once.
  vcl::TFont* NormalFont() const { return normalFont_.get(); }
  void SetNormalFont(vcl::TFont* value);
  vcl::TFont* HoverFont() const { return hoverFont_.get(); }
  void SetHoverFont(vcl::TFont* value) { hoverFont_->Assign(value); }
  const std::string& URL() const { return url_; }
  void SetURL(const std::string& value) { url_ = value; }
  TsWindowShowMode ShowMode() const { return showMode_; }
  void SetShowMode(TsWindowShowMode value) { showMode_ = value; }
  bool Hovered() const { return hovered_; }

  vcl::TFont* GetCurrentFont() override;
  void WndProc(vcl::TMessage& message) override;

  // Only web and mail addresses are handed to the shell: a stored URL must never run a
  // program or open a local file.
  static bool IsOpenableURL(const std::string& url);
  // Asks the shell to open the address; replaceable so that tests see the call.
  static std::function<void(const std::string& url, int showCommand)> ShellOpen;

 protected:
  void Loaded() override;

 private:
  void HoverChanged(bool hovered);

  std::unique_ptr<vcl::TFont> normalFont_;
  std::unique_ptr<vcl::TFont> hoverFont_;
  std::string url_;
  TsWindowShowMode showMode_ = soDefault;
  bool hovered_ = false;
};

}  // namespace skin
