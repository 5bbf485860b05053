// The 18 lists of foreign control class names that form skinning adapts, one text per
// category (one class name per line), in the category order of the toolkit.
#pragma once

#include <array>
#include <string>

#include "vcl/runtime/persistent.h"

namespace skin {

constexpr int ThirdPartyCount = 18;

// The category names and the texts a list takes when it is empty.
extern const std::array<const char*, ThirdPartyCount> ThirdPartyCategories;
extern const std::array<const char*, ThirdPartyCount> ThirdPartyDefaults;

class ThirdPartyList : public vcl::TPersistent {
  VCL_CLASS(ThirdPartyList, vcl::TPersistent)
  ThirdPartyList();
  ~ThirdPartyList() override;
  // The text of category `index` (0-17); other indexes read empty and write nothing.
  std::string GetByIndex(int index) const;
  void SetByIndex(int index, const std::string& value);

 private:
  std::array<std::string, ThirdPartyCount> lists_;
};

}  // namespace skin
