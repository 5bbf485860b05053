// The per-section values of a skin (colours, text colours, transparency, gradients, glows):
// read from the INI with every missing key inherited along PARENTCLASS, and for the extra
// sections of the manager's CommonSections, from their own text over their parent's values.
#pragma once

#include "skin/engine/skin_ini.h"
#include "skin/engine/skin_model.h"

namespace skin {

// Appends one record per section of the INI, in file order. A key is missing when absent,
// when an integer is no number or -1, or when a text is "?"; it then comes from the parent
// section, its parent and so on, and finally from the default.
void ReadIniSections(const TacSkinIni& ini, TsGeneralDataArray& sections);

// The record of section `sectionIndex` of the CommonSections text: every key written there,
// every missing one from `parent` (the parent's record as loaded, inherited values included)
// or the default when there is none. GLOW, GLOWMARGIN, HGSIZE and GSIZE are 0 when missing
// and take the parent's value only when written as -1. ParentClass is set by the caller.
TsGeneralData ReadCommonSection(const TacSkinIni& common, int sectionIndex, const TsGeneralData* parent);

}  // namespace skin
