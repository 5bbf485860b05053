// TsTrackBar: the platform's track bar keeps the input, the keyboard and the geometry; every
// visible part is painted from the skin: background and border of its section, the channel
// ("SLIDERCHANNEL"), the ticks ("TICKHORZ" / "TICKVERT", or small 3-D bars), the selection
// markers and the thumb ("SLIDERMASK" / "SLIDERVMASK") normal, hot or pressed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

using TCanvasPaintEvent = std::function<void(vcl::TObject* Sender, vcl::TCanvas* Canvas)>;

class TsTrackBar : public vcl::TTrackBar, public IacSkinLinked {
  VCL_CLASS(TsTrackBar, vcl::TTrackBar)
 public:
  explicit TsTrackBar(vcl::TComponent* owner);
  ~TsTrackBar() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool value) { showFocus_ = value; }

  // Fired after every move of the thumb made by the user (keys, mouse, wheel).
  vcl::TNotifyEvent OnUserChange;
  // Fired with the cache canvas after channel and ticks, before the thumb.
  TCanvasPaintEvent OnSkinPaint;

  // Geometry from the platform control; the channel in the bar's own orientation.
  vcl::TRect ThumbRect();
  vcl::TRect ChannelRect();
  // The pixel along the bar of a value, as the platform places the thumb's centre.
  int32_t ValueToPixel(int32_t value);
  // The pixel positions of the ticks along the bar (none with fewer than two).
  std::vector<int32_t> TickPositions();
  // 2 while the left button holds the thumb, 1 hot, 0 normal.
  int32_t ThumbState();

  void PaintCache();
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void PaintWindow(HDC dc) override;
  // The wheel moves the thumb a line per notch, as the keys do, and tells the user.
  bool DoMouseWheel(vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos) override;
  // Channel, ticks and selection markers.
  virtual void PaintBody();

 private:
  bool Vertical() const { return Orientation() == vcl::trVertical; }
  void PaintTick(int32_t x, int32_t y, int tickMask);
  void PaintSelectionMarkers(const vcl::TRect& channel, int32_t off);
  void PaintThumb();
  void PaintToWindow(HDC dc);
  void FadeTo(TacAnimatEvent event, bool halve);

  TsDisabledKind disabledKind_{dkBlended};
  std::unique_ptr<TsCommonData> skinData_;
  TacAnimatEvents animatEvents_ = DefaultAnimatEvents;
  TsFadeTimer* fadeTimer_ = nullptr;
  bool showFocus_ = false;
  bool thumbHeld_ = false;
  static constexpr int32_t kTickLength = 4;
};

}  // namespace skin
