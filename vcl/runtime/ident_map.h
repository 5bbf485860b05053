// Tables between values and the names that form data writes for them ("clBtnFace",
// "DEFAULT_CHARSET"): a lookup in either direction, names compared without case.
#pragma once

#include <strings.h>

#include <cstddef>
#include <string>

namespace vcl {

template <class T>
struct TIdentMapEntry {
  T value;
  const char* ident;
};

template <class T, size_t N>
bool IntToIdent(T value, std::string& ident, const TIdentMapEntry<T> (&map)[N]) {
  for (const TIdentMapEntry<T>& entry : map)
    if (entry.value == value) {
      ident = entry.ident;
      return true;
    }
  return false;
}

template <class T, size_t N>
bool IdentToInt(const std::string& ident, T& value, const TIdentMapEntry<T> (&map)[N]) {
  for (const TIdentMapEntry<T>& entry : map)
    if (strcasecmp(entry.ident, ident.c_str()) == 0) {
      value = entry.value;
      return true;
    }
  return false;
}

}  // namespace vcl
