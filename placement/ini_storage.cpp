#include "placement/ini_storage.h"

#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/classes/inifiles.h"
#include "vcl/classes/registry.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

namespace placement {

namespace {

// A default no stored value can look like.
const std::string kNoSuchKey = "\x01no such key\x01";

bool IsQuoted(const std::string& value, char quote) {
  return value.size() >= 2 && value.front() == quote && value.back() == quote;
}

}  // namespace

std::string DefaultIniFileName() { return ChangeFileExt(ExtractFileName(ParamStr(0)), ".INI"); }

std::string DefaultRegistryKey() {
  return "Software\\" + ChangeFileExt(ExtractFileName(ParamStr(0)), "");
}

std::string DefaultIniSection(TComponent* component) {
  if (component == nullptr) return {};
  if (component->Is<TCustomForm>()) return component->ClassName();
  if (auto* control = dynamic_cast<TControl*>(component)) {
    if (TCustomForm* form = GetParentForm(control)) return form->ClassName() + component->Name();
    if (control->Parent() != nullptr) return control->Parent()->Name() + component->Name();
    return component->Name();
  }
  TComponent* owner = component->Owner();
  if (owner != nullptr && owner->Is<TForm>()) return Format("%s.%s", owner->ClassName(), component->Name());
  return component->Name();
}

std::string IniReadString(TObject* storage, const std::string& section, const std::string& ident,
                          const std::string& defaultValue) {
  if (auto* registry = dynamic_cast<TRegIniFile*>(storage)) return registry->ReadString(section, ident, defaultValue);
  if (auto* ini = dynamic_cast<TIniFile*>(storage)) {
    // The profile functions strip quotes and blanks from the default as well: a missing key
    // must give the default back unchanged.
    std::string value = ini->ReadString(section, ident, kNoSuchKey);
    return value == kNoSuchKey ? defaultValue : value;
  }
  if (auto* ini = dynamic_cast<TCustomIniFile*>(storage)) return ini->ReadString(section, ident, defaultValue);
  return defaultValue;
}

void IniWriteString(TObject* storage, const std::string& section, const std::string& ident, const std::string& value) {
  if (auto* registry = dynamic_cast<TRegIniFile*>(storage)) {
    registry->WriteString(section, ident, value);
  } else if (auto* ini = dynamic_cast<TIniFile*>(storage)) {
    if (IsQuoted(value, '"') || IsQuoted(value, '\''))
      ini->WriteString(section, ident, "\"" + value + "\"");
    else
      ini->WriteString(section, ident, value);
  } else if (auto* other = dynamic_cast<TCustomIniFile*>(storage)) {
    other->WriteString(section, ident, value);
  }
}

int32_t IniReadInteger(TObject* storage, const std::string& section, const std::string& ident, int32_t defaultValue) {
  if (auto* registry = dynamic_cast<TRegIniFile*>(storage)) return registry->ReadInteger(section, ident, defaultValue);
  if (auto* ini = dynamic_cast<TCustomIniFile*>(storage)) return ini->ReadInteger(section, ident, defaultValue);
  return defaultValue;
}

void IniWriteInteger(TObject* storage, const std::string& section, const std::string& ident, int32_t value) {
  if (auto* registry = dynamic_cast<TRegIniFile*>(storage))
    registry->WriteInteger(section, ident, value);
  else if (auto* ini = dynamic_cast<TCustomIniFile*>(storage))
    ini->WriteInteger(section, ident, value);
}

void IniEraseSection(TObject* storage, const std::string& section) {
  if (auto* registry = dynamic_cast<TRegIniFile*>(storage))
    registry->EraseSection(section);
  else if (auto* ini = dynamic_cast<TCustomIniFile*>(storage))
    ini->EraseSection(section);
}

std::string ScreenSizeSuffix() {
  return Format("(%dx%d)", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

std::string IniReadScreenString(TObject* storage, const std::string& section, const std::string& name) {
  std::string value = IniReadString(storage, section, name + ScreenSizeSuffix(), "");
  if (value.empty()) value = IniReadString(storage, section, name, "");
  return value;
}

void IniWriteScreenString(TObject* storage, const std::string& section, const std::string& name,
                          const std::string& value) {
  IniWriteString(storage, section, name + ScreenSizeSuffix(), value);
  IniWriteString(storage, section, name, value);
}

}  // namespace placement
