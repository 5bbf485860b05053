// Free functions shared by the whole skinning toolkit: INI text held in string lists, words of
// a string, string and number helpers, rectangles, published properties by name, the system
// caption font, paths and files.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "skin/engine/skin_types.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/icon.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {
class TObject;
class TStringList;
}  // namespace vcl

namespace skin {

// ---- INI text in string lists ----
// Clears `sections` and fills it with one string list per "[name]" line, the list as the
// entry's object (owned by `sections` from then on); other lines go to the current section,
// blank lines, ";" comments and lines before the first section are dropped.
void IniLinesToSections(const vcl::TStringList* lines, vcl::TStringList* sections);
// The text after "key=" in the section (both looked up without case), else the default.
std::string SectionsReadString(const vcl::TStringList* sections, const std::string& section, const std::string& key,
                               const std::string& defaultValue);
// As SectionsReadString, as an integer: decimal, "$" hexadecimal, or "0x"/"0X" hexadecimal;
// the default for anything else.
int32_t SectionsReadInteger(const vcl::TStringList* sections, const std::string& section, int32_t defaultValue,
                            const std::string& key);

// ---- Words (maximal runs of characters outside the delimiter set; positions from 1) ----
using TacCharSet = std::bitset<256>;
TacCharSet MakeCharSet(const std::string& characters);
inline bool CharInCharSet(char c, const TacCharSet& set) { return set.test(uint8_t(c)); }
int NthWordPos(int n, const std::string& text, const TacCharSet& delimiters);  // 0: no such word
std::string GetNthWord(int n, const std::string& text, const TacCharSet& delimiters);
int CountWordsIn(const std::string& text, const TacCharSet& delimiters);

// ---- Strings ----
std::string StringOfChars(char c, int n);  // empty for n <= 0
void FillStrChars(std::string& text, int n, char c);
std::string TrimTrailingBlanks(const std::string& text);  // spaces (32) only
std::string TrimLeadingBlanks(const std::string& text);
std::string TrimBlanks(const std::string& text);
std::string StripChar(const std::string& text, char c);
// Every occurrence of `from` (left to right, not overlapping) replaced; an empty `from` changes
// nothing.
std::string ReplaceSubstr(const std::string& text, const std::string& from, const std::string& to);
inline const std::string& ChooseStr(bool flag, const std::string& a, const std::string& b) { return flag ? a : b; }
// Hexadecimal digits, an optional final "H"; 0 for an empty text or any other character.
int64_t HexToInt64(const std::string& text);
// True when the text holds only digits, signs, "E"/"e" and the locale's decimal separator and
// converts to a number; `value` is set only then.
bool StrIsFloat(const std::string& text, long double& value);
// The integer digits grouped by the locale's thousand separator when `insert`.
std::string AddThousandSeparators(const std::string& text, bool insert);

// ---- Numbers and rectangles ----
inline int32_t LimitToByte(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
inline int32_t ChooseInt(bool flag, int32_t a, int32_t b) { return flag ? a : b; }
inline bool IsBetween(int32_t v, int32_t low, int32_t high) { return low <= v && v <= high; }
inline int32_t LargerOf(int32_t a, int32_t b) { return a > b ? a : b; }
inline int32_t SmallerOf(int32_t a, int32_t b) { return a < b ? a : b; }
inline void ExchangeInts(int32_t& a, int32_t& b) { std::swap(a, b); }
inline vcl::TRect BuildRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return vcl::TRect{left, top, right, bottom};
}
// Right - Left and Bottom - Top; with `clip` a negative size is 0.
inline int32_t RectWidth(const vcl::TRect& r, bool clip = false) {
  int32_t w = r.right - r.left;
  return clip && w < 0 ? 0 : w;
}
inline int32_t RectHeight(const vcl::TRect& r, bool clip = false) {
  int32_t h = r.bottom - r.top;
  return clip && h < 0 ? 0 : h;
}
// False when b is empty or the two only touch or lie apart.
bool RectIntersects(const vcl::TRect& a, const vcl::TRect& b);
// True when both corners of inner lie in outer, its right and bottom edges included.
bool RectContainsRect(const vcl::TRect& outer, const vcl::TRect& inner);

// ---- Backgrounds ----
// The background is the bitmap itself, its point (x, y) at the origin of the painted area.
void FillBmpBgInfo(vcl::TBitmap* bitmap, int32_t x, int32_t y, TsBackgroundInfo& info);

// ---- Published properties by name (never raise) ----
bool ControlHasProp(vcl::TObject* object, const std::string& name);
vcl::TObject* GetObjPropByName(vcl::TObject* object, const std::string& name);  // null when missing
int64_t GetOrdPropByName(vcl::TObject* object, const std::string& name);        // -1 when missing
void SetOrdPropByName(vcl::TObject* object, const std::string& name, int64_t value);
// True when the set property holds the element of that name (case-sensitive).
bool PropSetContains(vcl::TObject* object, const std::string& property, const std::string& element);
// Adds or removes one whole element of a set property; other elements stay as they are.
void ChangeSetPropElem(vcl::TObject* object, const std::string& property, const std::string& element, bool include);

// ---- System and files ----
int32_t GetCaptionFontHeight();  // lfHeight of the caption font, 0 when unknown
HFONT CreateCaptionFont();       // the caller owns it; null when unknown
bool IsWindowsXPOrLater();
// Processes the application's messages at least once and until `ms` milliseconds have passed.
void DelayWithMessages(uint32_t ms);
// Ends a directory in "\": a final "/" becomes "\", a single letter becomes a drive "C:\".
std::string NormalizeDirectory(const std::string& path);
std::string GetProgramDirectory();
int FindFirstEntry(const std::string& path, int attr, vcl::TSearchRec& rec);
int FindNextEntry(vcl::TSearchRec& rec);
void FindCloseEntry(vcl::TSearchRec& rec);
// The shell's icon of an existing file (flags 0 large, 1 small); null when there is none.
std::unique_ptr<vcl::TIcon> ShellFileIcon(const std::string& fileName, uint32_t flags);
void ShowLibraryMessage(const std::string& text);  // a warning with an OK button
void ShowAlertMessage();

}  // namespace skin
