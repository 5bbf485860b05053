// The words of the image library's dialogs, one row per language, as UTF-8 text. A language
// lists only the words that its translators supplied; the rest read as English.
#include "imaging/base/word_data.h"

namespace imaging::word_data {
namespace {

const TGivenWord kEnglish[] = {
    {0, "Preview"},
    {1, "Original"},
    {2, "Result"},
    {3, "OK"},
    {4, "Cancel"},
    {5, "Lock preview"},
    {6, "Copy Result to Original"},
    {7, "Contrast"},
    {8, "Brightness"},
    {9, "Hue"},
    {10, "Saturation"},
    {11, "Value"},
    {12, "Base color"},
    {13, "New color"},
    {14, "Luminosity"},
    {15, "Red"},
    {16, "Green"},
    {17, "Blue"},
    {18, "Filter values"},
    {19, "Presets"},
    {20, "Divisor"},
    {21, "Load"},
    {22, "Save"},
    {23, "Equalization"},
    {24, "Threshold"},
    {25, "Equalize"},
    {26, "Histogram"},
    {27, "Gray"},
    {28, "Light"},
    {29, "Left"},
    {30, "Top"},
    {31, "Width"},
    {32, "Height"},
    {33, "Color"},
    {34, "Original image quantity"},
    {35, "Lens"},
    {36, "Refraction"},
    {37, "Parameters Preview"},
    {38, "Quality"},
    {39, "DCT method"},
    {40, "Smoothing factor"},
    {41, "Gray scale"},
    {42, "Optimal Huffman"},
    {43, "Original size"},
    {44, "Compressed size"},
    {45, "Advanced"},
    {46, "Progressive"},
    {47, "Compression"},
    {48, "Image index"},
    {49, "Photometric"},
    {50, "Scanned document info"},
    {51, "Name"},
    {52, "Description"},
    {53, "Page name"},
    {54, "Page number"},
    {55, "of"},
    {56, "Horiz. Position (inch)"},
    {57, "Vert. Position (inch)"},
    {58, "Colors"},
    {59, "Transparent"},
    {60, "Transparent color"},
    {61, "Interlaced"},
    {62, "Background"},
    {63, "Horiz. Position"},
    {64, "Vert. Position"},
    {65, "Delay time"},
    {66, "Filter"},
    {67, "Wave"},
    {68, "Amplitude"},
    {69, "Wave length"},
    {70, "Phase"},
    {71, "Reflective"},
    {72, "User filter"},
    {73, "Morphing filters"},
    {74, "Window size"},
    {75, "Maximum"},
    {76, "Minimum"},
    {77, "Opening"},
    {78, "Closing"},
    {79, "Rotate"},
    {80, "Flip"},
    {81, "Horizontal"},
    {82, "Vertical"},
    {83, "Frequency domain image"},
    {84, "Select the region to clean"},
    {85, "Clear"},
    {86, "Reset"},
    {87, "Animate"},
    {88, "Load filter"},
    {89, "Save filter"},
    {90, "Bump map"},
    {91, "Print"},
    {92, "Margins"},
    {93, "inches"},
    {94, "Right"},
    {95, "Bottom"},
    {96, "Position"},
    {97, "Size"},
    {98, "Normal"},
    {99, "Fit to page"},
    {100, "Stretch to page"},
    {101, "Specified size"},
    {102, "Gamma correction"},
    {103, "Value"},
    {104, "Print Setup"},
    {105, "Left Margin"},
    {106, "Top Margin"},
    {107, "Right Margin"},
    {108, "Bottom Margin"},
    {109, "Location/size"},
    {110, "Top Left"},
    {111, "Top Center"},
    {112, "Top Right"},
    {113, "Center Left"},
    {114, "Center"},
    {115, "Center Right"},
    {116, "Bottom Left"},
    {117, "Bottom Center"},
    {118, "Bottom Right"},
    {119, "Close"},
    {120, "Apply"},
    {121, "Measure Units"},
    {122, "Units"},
    {123, "Rate"},
    {124, "All graphics"},
    {125, "Video for Windows"},
    {126, "File"},
    {127, "Mem"},
    {128, "Automatically updates your preview with the changes you have selected"},
    {129, "Print All"},
    {130, "Print Selected"},
    {131, "Common Graphic Files"},
    {132, "All Files"},
    {133, "HSV"},
    {134, "HSL"},
    {135, "RGB"},
    {136, "FFT"},
    {137, "Sharpen"},
    {138, "Channels"},
    {139, "pixel"},
    {140, "frames"},
    {141, "bit"},
    {142, "byte"},
    {143, "dpi"},
    {144, "KB"},
    {145, "Fit"},
};

const TGivenWord kItalian[] = {
    {0, "Anteprima"},
    {4, "Annulla"},
    {26, "Istogramma"},
    {145, "Adatta"},
};

const TGivenWord kGerman[] = {
    {0, "Vorschau"},
    {4, "Abbrechen"},
    {26, "Histogramm"},
    {145, "Fit"},
};

const TGivenWord kSpanish[] = {
    {0, "Vista Previa"},
    {4, "Cancelar"},
    {26, "Histograma"},
    {145, "Ajustar"},
};

const TGivenWord kFrench[] = {
    {145, "Fit"},
};

const TGivenWord kFinnish[] = {
    {0, "Esikatselu"},
    {4, "Peruuta"},
    {26, "Histogrammi"},
    {145, "Sovita"},
};

const TGivenWord kDanish[] = {
    {145, "Fit"},
};

template <int N>
constexpr TLanguageWords Row(const TGivenWord (&words)[N]) {
  return {words, N};
}
constexpr TLanguageWords kNone = {nullptr, 0};

}  // namespace

const TLanguageWords kLanguageWords[IELanguageCount] = {
    kNone,           // msSystem
    Row(kEnglish),   // msEnglish
    Row(kItalian),   // msItalian
    Row(kGerman),    // msGerman
    Row(kSpanish),   // msSpanish
    Row(kFrench),    // msFrench
    kNone,           // msPortuguese
    kNone,           // msGreek
    kNone,           // msRussian
    kNone,           // msDutch
    kNone,           // msSwedish
    kNone,           // msPolish
    kNone,           // msJapanese
    kNone,           // msCzech
    Row(kFinnish),   // msFinnish
    kNone,           // msFarsi
    kNone,           // msChinese
    kNone,           // msChineseTraditional
    Row(kDanish),    // msDanish
    kNone,           // msTurkish
    kNone,           // msKorean
    kNone,           // msHungarian
    kNone,           // msUser
};

}  // namespace imaging::word_data
