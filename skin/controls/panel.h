// TsPanel: the platform's panel drawn from its skin section. As a container it keeps its
// children's transparency working: it answers their background requests from its image and
// repaints them after itself. It composes its image in the link's cache when the skin needs
// one (hot, transparent, textured) and otherwise paints border and fill straight to the screen.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/stdctrls/extctrls.h"

namespace skin {

// Fired with the canvas a panel paints on, after its background.
using TPaintEvent = std::function<void(vcl::TObject* Sender, vcl::TCanvas* Canvas)>;

class TsPanel : public vcl::TPanel, public IacSkinLinked {
  VCL_CLASS(TsPanel, vcl::TPanel)
 public:
  explicit TsPanel(vcl::TComponent* owner);
  ~TsPanel() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }

  TPaintEvent OnPaint;
  vcl::TNotifyEvent OnMouseEnter, OnMouseLeave;

  // Paints the panel into the DC (its canvas's when null); with repaintChildren the windowed
  // children are told to repaint afterwards.
  virtual void PaintPanel(HDC dc, bool repaintChildren);
  // Writes the caption centred vertically in the rectangle, on the canvas or on the DC.
  virtual void PaintCaption(vcl::TRect rect, vcl::TCanvas* canvas, HDC dc);
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

  // The width of the bevels and border inside the client area.
  int32_t FrameWidth() const;
  // Whether the image is composed in the cache (rather than painted straight to the screen).
  virtual bool UsesCache() const;

 protected:
  void Loaded() override;
  void Paint() override;
  void PaintWindow(HDC dc) override;
  // Composes the image in the cache: section item with the parent's background, caption and
  // OnPaint.
  virtual void PrepareCache();
  // Whether the mask of a drag bar fills its centre.
  virtual bool FillsMaskCentre() const { return false; }

 private:
  bool ShowingSkinned() const;
  void PaintDirect(HDC dc);

  std::unique_ptr<TsCommonData> skinData_;
};

}  // namespace skin
