// The storage layer shared by form placement and property storage: default names of the
// settings file, registry key and section, and reads and writes that work the same on an INI
// file and on a registry key viewed as one. Screen strings are kept once per screen size and
// once under the plain key, so that a file used on two screen sizes keeps one value for each
// plus the most recent one.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/system.h"

namespace vcl {
class TComponent;
}

namespace placement {

// The program file's name without its folder, its extension replaced by ".INI".
std::string DefaultIniFileName();
// "Software\" and the program file's name without folder and extension.
std::string DefaultRegistryKey();
// The section a component's settings go to by default: empty for none; a form's class name
// for a form; a control's name prefixed by its form's class name (or by its parent's name
// when it has no form); a component owned by a plain form as "FormClass.Name"; any other
// component by its name.
std::string DefaultIniSection(vcl::TComponent* component);

// Reads and writes on a storage object: a registry view (vcl::TRegIniFile) or an INI file
// (vcl::TCustomIniFile). Reading from any other object, or from none, gives the default;
// writing to one does nothing.
std::string IniReadString(vcl::TObject* storage, const std::string& section, const std::string& ident,
                          const std::string& defaultValue);
// The platform's INI files strip one pair of quotes from a value that has them: such a value is
// wrapped in one more pair of double quotes so that it reads back unchanged.
void IniWriteString(vcl::TObject* storage, const std::string& section, const std::string& ident,
                    const std::string& value);
// Decimal text; a value that is not a number reads as the default.
int32_t IniReadInteger(vcl::TObject* storage, const std::string& section, const std::string& ident,
                       int32_t defaultValue);
void IniWriteInteger(vcl::TObject* storage, const std::string& section, const std::string& ident, int32_t value);
void IniEraseSection(vcl::TObject* storage, const std::string& section);

// "(WIDTHxHEIGHT)" of the primary screen in pixels, e.g. "(1024x768)".
std::string ScreenSizeSuffix();
// The value under name + suffix; when that is empty, the value under the plain name.
std::string IniReadScreenString(vcl::TObject* storage, const std::string& section, const std::string& name);
// Writes the value under name + suffix, then under the plain name.
void IniWriteScreenString(vcl::TObject* storage, const std::string& section, const std::string& name,
                          const std::string& value);

}  // namespace placement
