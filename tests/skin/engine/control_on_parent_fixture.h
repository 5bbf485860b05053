// A control with a skin link on a parent that answers background requests with an image, or
// on an unskinned parent that answers with its colour, for the tests of the painters that ask
// the parent for what lies behind a control.
#pragma once

#include <memory>

#include "skin/engine/common_data.h"
#include "skin/engine/skin_painting.h"
#include "tests/skin/engine/border_mask_fixture.h"
#include "vcl/stdctrls/extctrls.h"

namespace border_mask_fixture {

// Answers every background request with `Image`, whose point (3, 1) lies at the panel's origin.
class TImageParent : public vcl::TPanel {
 public:
  using vcl::TPanel::TPanel;
  vcl::TBitmap* Image = nullptr;
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdGetBackground && Image) {
      auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
      request->Kind = bkBitmap;
      request->Bitmap = Image;
      request->OffsetX = 3;
      request->OffsetY = 1;
      message.Result = 1;
      return;
    }
    vcl::TPanel::WndProc(message);
  }
};

inline constexpr uint32_t kParentColour = 0x0000C0;

// The parent's image: pixel (x, y) is 0x90yyxx.
inline uint32_t ParentPixel(int x, int y) { return 0x900000u | (y << 8) | x; }

struct ControlOnParent {
  std::shared_ptr<vcl::TBitmap> parentImage = MakeBitmap(60, 60, 0);
  TImageParent parent{nullptr};
  vcl::TPanel control{nullptr};
  std::unique_ptr<TsCommonData> link;

  // The control lies at (5, 7) of the parent; `withImage` chooses the parent's answer.
  ControlOnParent(TsSkinManager* manager, bool withImage, int width, int height) {
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) Set(parentImage.get(), x, y, ParentPixel(x, y));
    if (withImage) parent.Image = parentImage.get();
    parent.SetColor(vcl::TColor(kParentColour));
    parent.SetBounds(0, 0, 80, 80);
    control.SetParent(&parent);
    control.SetBounds(5, 7, width, height);
    link = std::make_unique<TsCommonData>(&control, true);
    link->LinkedControl = &control;
    link->SetSkinManager(manager);
    link->BorderMaskIndex = 0;
    link->InitCacheBmp24();
  }
  ~ControlOnParent() { control.SetParent(nullptr); }

  // The parent's pixel behind point (x, y) of the control.
  static uint32_t Behind(int x, int y) { return ParentPixel(x + 5 + 3, y + 7 + 1); }
};

}  // namespace border_mask_fixture
