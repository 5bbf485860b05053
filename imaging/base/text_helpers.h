// Text and number conversions of the image library: tolerant float parsing, floats written
// with "." whatever the locale, URL protocols, and thin wrappers over the run-time routines.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/sysutils.h"

namespace vcl {
class TList;
}

namespace imaging {

// Parses with the current decimal separator; failing that, with the first "," turned into "."
// (or, without a ",", the first "." into ","); failing that too, answers the default.
long double ParseFloatTolerant(const std::string& text, long double defaultValue);
// FloatToStr with every "," and every locale decimal separator written as ".".
std::string FloatToDotStr(long double value);
void FloatToDotStrDirect(std::string& text, long double value);

// 1 "http://", 2 "https://", 3 "ftp://" at the start of the text (any case), else 0.
int32_t GetURLProtocol(const std::string& text);
int32_t GetURLProtocolW(const std::u16string& text);

std::string TrimString(const std::string& text);
// The extension of the lower-cased name, with or without its leading dot.
std::string ExtractFileExtLower(const std::string& fileName, bool withDot);
std::u16string ExtractFileExtLowerW(const std::u16string& fileName, bool withDot);
std::string UpperCaseString(const std::string& text);
std::string LowerCaseString(const std::string& text);
std::string IntToString(int32_t value);
std::string IntToHexString(int32_t value, int32_t digits);
int32_t StringToIntDef(const std::string& text, int32_t defaultValue);
// count characters from the 1-based position.
std::string CopyString(const std::string& text, int32_t position, int32_t count);
std::string FloatToStringFormat(long double value, vcl::TFloatFormat format, int32_t precision, int32_t digits);
// 1-based position of sub in text, 0 when absent.
int32_t FindSubString(const std::string& sub, const std::string& text);
// A copy of the zero-terminated text on the heap (free it with delete[]); nil for nil.
char* DuplicatePChar(const char* text);
// Makes destination hold the same items as source, in the same order.
void CopyListItems(const vcl::TList* source, vcl::TList* destination);

}  // namespace imaging
