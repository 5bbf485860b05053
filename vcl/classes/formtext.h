// The text form of stored form data, below the level of components and properties:
// TParser splits the text into tokens (names, numbers, strings, punctuation, hex blocks), and
// TFormTextWriter lays values out as the platform's form files do (two-space indentation,
// quoted strings with #nn codes split at 64 characters with " +", hex in lines of 64 digits).
// TReader and TWriter (vcl/classes/filer.h) give these pieces their meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/runtime/exceptions.h"

namespace vcl {

// A syntax error in form text; the message ends with " on line <n>".
VCL_EXCEPTION(EParserError, EFilerError)

// Token kinds besides single punctuation characters ('=', ':', '.', ',', '[', ']', '(', ')',
// '<', '>', '{', '+').
constexpr char toEOF = 0;
constexpr char toSymbol = 1;   // a name: a letter or '_', then letters, digits and '_'
constexpr char toString = 2;   // quoted parts and #nn codes, already decoded
constexpr char toInteger = 3;  // decimal with an optional '-', or '$' hexadecimal
constexpr char toFloat = 4;    // digits with '.' or an exponent, optional suffix s, c or d

class TParser {
 public:
  explicit TParser(std::string text);

  char Token() const { return token_; }
  // Moves to the next token and returns its kind.
  char NextToken();
  // The name, the number as written, or the decoded string.
  const std::string& TokenString() const { return tokenString_; }
  // The value of a toInteger token.
  int64_t TokenInt() const { return tokenInt_; }
  // The value of a toFloat or toInteger token.
  long double TokenFloat() const;
  // True when the token is the name `symbol`, compared without case.
  bool TokenSymbolIs(std::string_view symbol) const;
  // Raise "Identifier expected", "String expected", "Number expected" or "'<c>' expected" when
  // the token is not of kind `token`.
  void CheckToken(char token) const;
  // Raises "'<symbol>' expected" unless the token is that name.
  void CheckTokenSymbol(std::string_view symbol) const;
  // Reads the hex digits that follow a '{' token up to the closing '}' (blanks and line breaks
  // between them are skipped) and moves to the token after it. Anything else, an odd number
  // of digits or a missing '}' raises "Invalid binary value".
  std::vector<uint8_t> ReadBinary();

  // The line of the current token, counted from 1.
  int SourceLine() const { return tokenLine_; }
  // Raises EParserError "<message> on line <n>" for the current token.
  [[noreturn]] void Error(std::string_view message) const;

 private:
  char ScanNumber();
  char ScanString();

  std::string text_;
  size_t pos_ = 0;
  int line_ = 1;
  char token_ = toEOF;
  int tokenLine_ = 1;
  std::string tokenString_;
  int64_t tokenInt_ = 0;
  long double tokenFloat_ = 0;
};

// Builds form text. Lines end with CR LF, as the platform writes them; the caller decides
// where lines start and at which nesting level.
class TFormTextWriter {
 public:
  // Strings longer than this are split into pieces of this many characters, and binary values
  // are written this many hex digits to a line.
  static constexpr size_t LineLength = 64;

  const std::string& Text() const { return text_; }
  // Starts a new line indented by two blanks per level (no line break before the first line).
  void NewLine(int level);
  void Write(std::string_view s) { text_ += s; }
  // Writes a string value: printable runs in quotes (a quote doubled), other characters as
  // #nn. A string longer than LineLength starts on a new line at level + 1 and continues in
  // pieces of LineLength characters joined by " +".
  void WriteString(std::string_view value, int level);
  // Writes {hex}: from 32 bytes up every line of 64 digits on its own line at level + 1.
  void WriteBinary(const uint8_t* data, size_t size, int level);
  // The text of a float value: fixed point with 18 decimals holding the fewest digits that
  // read back as the same double; values that this would not hold (from 1e16 up, or so small
  // that digits would fall off) in exponent form. Infinity and NaN cannot be stored and raise
  // EWriteError.
  static std::string FloatToText(long double value);

 private:
  std::string text_;
};

}  // namespace vcl
