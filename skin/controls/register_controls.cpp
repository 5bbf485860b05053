#include "skin/controls/register_controls.h"

#include "skin/controls/bevel.h"
#include "skin/controls/bit_button.h"
#include "skin/controls/button.h"
#include "skin/controls/colours_panel.h"
#include "skin/controls/combo_box.h"
#include "skin/controls/drag_bar.h"
#include "skin/controls/frame_adapter.h"
#include "skin/controls/group_box.h"
#include "skin/controls/labels.h"
#include "skin/controls/mask_edit.h"
#include "skin/controls/mdi_form.h"
#include "skin/controls/num_edit.h"
#include "skin/controls/panel.h"
#include "skin/controls/radio_button.h"
#include "skin/controls/radio_group.h"
#include "skin/controls/scroll_box.h"
#include "skin/controls/skinned_dialogs.h"
#include "skin/controls/skinned_edit.h"
#include "skin/controls/speed_button.h"
#include "skin/controls/tab_sheet.h"
#include "skin/controls/spin_edit.h"
#include "skin/controls/splitter.h"
#include "skin/controls/track_bar.h"
#include "skin/forms/adapters/control_adapters.h"
#include "vcl/classes/typeinfo.h"

namespace skin {

namespace {

// A frame on a skinned form that the application lets the control adapter take is skinned by a
// frame adapter it owns (and frees with it).
void MakeFrameAdapter(vcl::TWinControl* frame, const std::string& section) {
  if (!frame || !frame->Is<vcl::TCustomFrame>()) return;
  auto* adapter = vcl::New<TsFrameAdapter>(frame);
  adapter->SkinData()->SetSkinSection(section);
  adapter->SkinData()->ResolveSkinIndexes();
  if (frame->HandleAllocated())
    RedrawWindow(frame->Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace

void RegisterSkinnedControls() {
  SetFrameAdapterMaker(MakeFrameAdapter);
  InstallSkinnedEditLabels();
  InstallSkinnedMdiForms();
  vcl::RegisterClasses<TsBevel, TsButton, TsGroupBox, TsLabel, TsPanel, TsRadioButton, TsRadioGroup, TsScrollBox,
                       TsSpeedButton, TsSplitter, TsTrackBar, TsWebLabel, TsColorsPanel, TsDragBar, TsBitBtn, TsTabSheet, TsFrameAdapter>();
  vcl::RegisterClasses<TsEdit, TsMaskEdit, TsCurrencyEdit, TsSpinEdit, TsComboBox, TsOpenDialog, TsSaveDialog,
                       TsColorDialog>();
}

}  // namespace skin
