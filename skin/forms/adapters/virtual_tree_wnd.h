// TacVirtualTreeViewWnd: the scrollable-window adapter of tree controls of other component sets
// that paint their own column header. It skins the header without knowing the control's class:
// colours and options go through the control's published properties, and the header is painted
// with the skin section COLHEADER by handlers put into the control's header events, which the
// control offers through IacVirtualTreeHeader. The handlers are put only into empty events and
// taken out only when they are still the adapter's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "skin/forms/adapters/edit_wnd.h"

namespace skin {

// What a tree hands to its header paint events for one header section.
struct TacHeaderPaintInfo {
  vcl::TCanvas* TargetCanvas = nullptr;
  vcl::TObject* Column = nullptr;  // null for the area beyond the last column
  vcl::TRect PaintRectangle{};
  vcl::TRect TextRectangle{};
  bool IsHoverIndex = false;
  bool IsDownIndex = false;
  bool ShowSortGlyph = false;
  vcl::TPoint SortGlyphPos{};
};

// Header paint elements (bits of the set the events pass).
constexpr uint32_t hpeBackground = 1u << 0, hpeText = 1u << 1, hpeSortGlyph = 1u << 3, hpeOverlay = 1u << 4;
constexpr uint32_t kAllHeaderElements = hpeBackground | hpeText | hpeSortGlyph | hpeOverlay;

using TacAdvancedHeaderPaintEvent =
    std::function<void(vcl::TObject* Sender, TacHeaderPaintInfo& PaintInfo, uint32_t Elements)>;
using TacHeaderPaintQueryElementsEvent =
    std::function<void(vcl::TObject* Sender, TacHeaderPaintInfo& PaintInfo, uint32_t& Elements)>;

// The header events of a tree control with an own-drawn header.
class IacVirtualTreeHeader {
 public:
  virtual TacAdvancedHeaderPaintEvent& AdvancedHeaderDrawEvent() = 0;
  virtual TacHeaderPaintQueryElementsEvent& HeaderDrawQueryElementsEvent() = 0;

 protected:
  ~IacVirtualTreeHeader() = default;
};

class TacVirtualTreeViewWnd : public TacEditWnd {
 public:
  TacVirtualTreeViewWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacVirtualTreeViewWnd() override;

  void SaveInitialState() override;
  void RestoreInitialState() override;
  void ApplySkinParams() override;
  void WndProc(vcl::TMessage& message) override;

  void AdvancedHeaderDraw(vcl::TObject* sender, TacHeaderPaintInfo& info, uint32_t elements);
  void HeaderDrawQueryElements(vcl::TObject* sender, TacHeaderPaintInfo& info, uint32_t& elements);
  bool OwnsHeaderDraw() const;
  bool OwnsQueryElements() const;

 private:
  IacVirtualTreeHeader* Header() const;
  void TakeEventsBack();
  vcl::TObject* Tree() const { return OwnerControl(); }

  // The control's own values, given back when the skin goes.
  int64_t savedCompressed_ = -1, savedFile_ = -1, savedFolder_ = -1;
  bool savedOwnerDraw_ = false;
  int64_t savedThemed_ = -1, savedColumnColor_ = -1, savedColumnStyle_ = -1, savedHeaderColor_ = -1,
          savedHeaderFontColor_ = -1;
  bool saved_ = false;
};

}  // namespace skin
