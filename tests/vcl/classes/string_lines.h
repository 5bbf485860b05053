// The lines of a string list as a plain vector, to compare with an expected list in one check.
#pragma once

#include <string>
#include <vector>

#include "vcl/classes/stringlist.h"

namespace classes_test {

using TextLines = std::vector<std::string>;

inline TextLines LinesOf(vcl::TStrings& list) {
  TextLines result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(list.Strings(i));
  return result;
}

}  // namespace classes_test
