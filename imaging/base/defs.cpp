#include "imaging/base/defs.h"

#include "imaging/base/word_tables.h"

namespace imaging {

int32_t GrayWeightRed = 21;
int32_t GrayWeightGreen = 71;
int32_t GrayWeightBlue = 8;
uint8_t PreviewsBackground = 0;
const std::string LibraryVersion = "3.1.1";

void HYIEDefsStaticInit() {
  GrayWeightRed = 21;
  GrayWeightGreen = 71;
  GrayWeightBlue = 8;
  PreviewsBackground = 0;
}

// The word tables are declared with the definitions, and released with them.
void HYIEDefsStaticFinalize() { ClearLanguageWords(); }

}  // namespace imaging
