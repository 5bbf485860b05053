#include "skin/controls/colour_dialog_form.h"

#include "skin/controls/skinned_dialogs.h"

namespace skin {

bool ExecuteColourDialogForm(TsColorDialog* dialog) { return dialog->vcl::TColorDialog::Execute(nullptr); }

}  // namespace skin
