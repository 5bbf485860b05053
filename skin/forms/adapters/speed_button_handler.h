// TacSpeedButtonHandler: skins a windowless speed button of another component set (a class the
// skin manager's SpeedButton list names) by putting itself into the control's message chain:
// it paints the whole control (section, caption, glyph, disabled look) in the skin link's cache
// and answers the skin's commands. The control's own painting never runs meanwhile.
#pragma once

#include <string>

#include "skin/engine/common_data.h"
#include "skin/engine/skin_manager.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/window_proc_chain.h"

namespace skin {

class TacSpeedButtonHandler {
 public:
  // The link is the creator's; the handler never frees it.
  TacSpeedButtonHandler(vcl::TControl* control, const std::string& section, TsSkinManager* manager,
                        TsCommonData* skinLink);
  // Gives the control its own message handling back (also when it is being destroyed: the
  // chain link then simply goes with it).
  ~TacSpeedButtonHandler();
  TacSpeedButtonHandler(const TacSpeedButtonHandler&) = delete;
  TacSpeedButtonHandler& operator=(const TacSpeedButtonHandler&) = delete;

  void WndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  // 2 pressed (down or held down), 1 hot, 0 normal.
  int State() const;
  // The control is still there with the handler in its chain.
  bool Attached() const { return link_.Installed(); }
  vcl::TRect GlyphRect() const;
  vcl::TRect CaptionRect() const;

  vcl::TControl* Control = nullptr;
  TsSkinManager* Manager = nullptr;
  TsCommonData* SkinLink = nullptr;
  bool Restored = false;

 private:
  void PaintToDC(HDC dc);
  void PrepareCache();
  void PaintCaption(int state);
  void PaintGlyph(int state);
  vcl::TBitmap* Glyph() const;
  int NumGlyphs() const;
  vcl::TPoint CaptionSize() const;

  vcl::TWindowProcLink link_;
};

}  // namespace skin
