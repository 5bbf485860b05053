#include "skin/engine/gradient_data.h"

#include <algorithm>

#include "vcl/runtime/sysutils.h"

namespace skin {

void ParseGradientData(const std::string& text, TsGradArray& result) {
  result.clear();
  std::vector<std::string> fields;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) fields.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  for (size_t i = 0; i + 5 <= fields.size(); i += 5) {
    TsGradPie pie;
    pie.Color1 = std::max(vcl::StrToInt(fields[i]), 0);
    pie.Color2 = std::max(vcl::StrToInt(fields[i + 1]), 0);
    pie.Percent = uint8_t(std::clamp(vcl::StrToInt(fields[i + 2]), 0, 100));
    pie.Mode = vcl::StrToInt(fields[i + 3]);
    result.push_back(pie);
  }
}

}  // namespace skin
