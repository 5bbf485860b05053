// The program's own file name, its command-line parameters and its string table.
#include <vector>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace vcl {

namespace detail {

// Blanks are the characters up to the space.
std::vector<std::string> SplitCommandLine(std::string_view line) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::vector<std::string> params;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size()) break;
    std::string param;
    bool quoted = false;
    for (; i < line.size() && (quoted || !blank(line[i])); ++i) {
      if (line[i] == '"') quoted = !quoted;
      else param += line[i];
    }
    params.push_back(std::move(param));
  }
  return params;
}

}  // namespace detail

namespace {

std::string ProgramFileName() {
  // The name may be longer than MAX_PATH; a buffer that came back full is grown and asked again.
  for (DWORD size = MAX_PATH;; size *= 2) {
    std::string path(size, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return std::string();
    if (length < size) {
      path.resize(length);
      return path;
    }
  }
}

}  // namespace

std::string ParamStr(int index) {
  if (index == 0) return ProgramFileName();
  std::vector<std::string> params = detail::SplitCommandLine(GetCommandLineA());
  if (index < 0 || static_cast<size_t>(index) >= params.size()) return std::string();
  return params[static_cast<size_t>(index)];
}

int ParamCount() {
  std::vector<std::string> params = detail::SplitCommandLine(GetCommandLineA());
  return params.empty() ? 0 : static_cast<int>(params.size()) - 1;
}

std::string LoadStr(unsigned ident, void* instance) {
  HINSTANCE module = instance ? static_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
  // With no buffer the platform hands out the table's own text and its length, so a string of
  // any length comes back whole.
  const WCHAR* text = nullptr;
  int length = LoadStringW(module, ident, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return std::string();
  return Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length)));
}

}  // namespace vcl
