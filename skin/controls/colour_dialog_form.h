// The toolkit's colour picker form, shown by TsColorDialog while a skin manager exists.
#pragma once

namespace skin {

class TsColorDialog;

// Shows the picker for the dialog modally; true when the user confirmed a colour (the dialog's
// Color then holds it). The dialog's CustomColors receive the custom palette in every case.
bool ExecuteColourDialogForm(TsColorDialog* dialog);

}  // namespace skin
