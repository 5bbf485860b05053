// Floating-point numbers to text and back.
//
// A value is first turned into 18 significant decimal digits (what the platform's 80-bit
// arithmetic gives); those digits are then rounded to the wanted count with halves away from
// zero, so 2.5 with no decimals is "3" and 0.125 with two decimals is "0.13".
#include "vcl/runtime/sysutils.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace vcl {

// The one set of settings that numbers, currency and dates are formatted with.
TFormatSettings FormatSettings;

namespace {

constexpr int kMaxDigits = 18;
constexpr int kNoDecimalLimit = 9999;

// A value as decimal digits: 0.Digits x 10^Exponent. Zero has no digits.
struct TFloatRec {
  int Exponent = 0;
  bool Negative = false;
  bool NaN = false;
  bool Infinite = false;
  std::string Digits;
};

// At most `precision` significant digits and at most `decimals` digits after the point, with
// trailing zeros removed.
TFloatRec FloatToDecimal(long double value, int precision, int decimals) {
  TFloatRec rec;
  if (std::isnan(value)) {
    rec.NaN = true;
    return rec;
  }
  rec.Negative = std::signbit(value);
  if (std::isinf(value)) {
    rec.Infinite = true;
    return rec;
  }
  if (value == 0) {
    rec.Negative = false;
    return rec;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", kMaxDigits - 1, std::fabs(value));
  // buf is "d.ddddddddddddddddde[+-]x..."
  std::string digits;
  digits += buf[0];
  const char* p = buf + 2;
  while (*p >= '0' && *p <= '9') digits += *p++;
  int exponent = std::atoi(p + 1) + 1;

  int keep = std::min(std::clamp(precision, 1, kMaxDigits),
                      decimals >= kNoDecimalLimit ? kMaxDigits : exponent + decimals);
  if (keep < 0) {
    rec.Negative = false;
    return rec;
  }
  if (keep < static_cast<int>(digits.size())) {
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        digits.insert(digits.begin(), '1');
        ++exponent;
      }
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) {
    rec.Negative = false;
    return rec;
  }
  rec.Digits = std::move(digits);
  rec.Exponent = exponent;
  return rec;
}

std::string ExponentText(int exponent, int minDigits, bool alwaysSign) {
  std::string result = "E";
  if (exponent < 0) result += '-';
  else if (alwaysSign) result += '+';
  std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  return result + digits;
}

std::string SpecialText(const TFloatRec& rec) {
  if (rec.NaN) return "NAN";
  return rec.Negative ? "-INF" : "INF";
}

std::string FormatGeneral(const TFloatRec& rec, int precision, int expDigits, const TFormatSettings& fs) {
  if (rec.Digits.empty()) return "0";
  std::string result = rec.Negative ? "-" : "";
  const std::string& d = rec.Digits;
  const int e = rec.Exponent;
  if (e > precision || e < -3) {
    result += d[0];
    if (d.size() > 1) {
      result += fs.DecimalSeparator;
      result.append(d, 1);
    }
    return result + ExponentText(e - 1, std::clamp(expDigits, 0, 4), false);
  }
  if (e <= 0) {
    result += '0';
    result += fs.DecimalSeparator;
    result.append(-e, '0');
    return result + d;
  }
  if (static_cast<int>(d.size()) <= e) return result + d + std::string(e - d.size(), '0');
  result.append(d, 0, e);
  result += fs.DecimalSeparator;
  result.append(d, e);
  return result;
}

std::string FormatExponent(const TFloatRec& rec, int precision, int expDigits, const TFormatSettings& fs) {
  std::string mantissa = rec.Digits.empty() ? "0" : rec.Digits;
  mantissa.resize(std::max<size_t>(precision, 1), '0');
  std::string result = rec.Negative ? "-" : "";
  result += mantissa[0];
  if (mantissa.size() > 1) {
    result += fs.DecimalSeparator;
    result.append(mantissa, 1);
  }
  int exponent = rec.Digits.empty() ? 0 : rec.Exponent - 1;
  return result + ExponentText(exponent, std::clamp(expDigits, 0, 4), true);
}

// The digits before and after the point of a fixed-point text, without sign; `decimals`
// digits after the point, `grouped` inserts the thousand separator.
std::string FixedMagnitude(const TFloatRec& rec, int decimals, bool grouped, const TFormatSettings& fs) {
  const std::string& d = rec.Digits;
  const int e = rec.Digits.empty() ? 0 : rec.Exponent;
  std::string intPart;
  if (e <= 0) {
    intPart = "0";
  } else {
    intPart = d.substr(0, std::min<size_t>(e, d.size()));
    intPart.append(e - intPart.size(), '0');
  }
  if (grouped && fs.ThousandSeparator != '\0') {
    for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3) intPart.insert(i, 1, fs.ThousandSeparator);
  }
  if (decimals <= 0) return intPart;
  std::string frac;
  for (int pos = e; static_cast<int>(frac.size()) < decimals; ++pos)
    frac += (pos >= 0 && pos < static_cast<int>(d.size())) ? d[pos] : '0';
  return intPart + fs.DecimalSeparator + frac;
}

std::string CurrencyText(const std::string& magnitude, bool negative, const TFormatSettings& fs) {
  const std::string& c = fs.CurrencyString;
  const std::string& m = magnitude;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return m + c;
      case 2: return c + " " + m;
      case 3: return m + " " + c;
      default: return c + m;
    }
  }
  switch (fs.NegCurrFormat) {
    case 1: return "-" + c + m;
    case 2: return c + "-" + m;
    case 3: return c + m + "-";
    case 4: return "(" + m + c + ")";
    case 5: return "-" + m + c;
    case 6: return m + "-" + c;
    case 7: return m + c + "-";
    case 8: return "-" + m + " " + c;
    case 9: return "-" + c + " " + m;
    case 10: return m + " " + c + "-";
    case 11: return c + " " + m + "-";
    case 12: return c + " -" + m;
    case 13: return m + "- " + c;
    case 14: return "(" + c + " " + m + ")";
    case 15: return "(" + m + " " + c + ")";
    default: return "(" + c + m + ")";
  }
}

}  // namespace

std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits) {
  const TFormatSettings& fs = FormatSettings;
  precision = std::clamp(precision, 1, kMaxDigits);
  switch (format) {
    case ffExponent: {
      TFloatRec rec = FloatToDecimal(value, precision, kNoDecimalLimit);
      if (rec.NaN || rec.Infinite) return SpecialText(rec);
      return FormatExponent(rec, precision, digits, fs);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, kMaxDigits);
      TFloatRec rec = FloatToDecimal(value, precision, digits);
      if (rec.NaN || rec.Infinite) return SpecialText(rec);
      // More integer digits than the precision can show: the general (exponent) form.
      if (!rec.Digits.empty() && rec.Exponent > precision) return FormatGeneral(rec, precision, 0, fs);
      std::string magnitude = FixedMagnitude(rec, digits, format != ffFixed, fs);
      if (format == ffCurrency) return CurrencyText(magnitude, rec.Negative, fs);
      return rec.Negative ? "-" + magnitude : magnitude;
    }
    case ffGeneral:
    default: {
      TFloatRec rec = FloatToDecimal(value, precision, kNoDecimalLimit);
      if (rec.NaN || rec.Infinite) return SpecialText(rec);
      return FormatGeneral(rec, precision, digits, fs);
    }
  }
}

std::string FloatToStr(long double value) { return FloatToStrF(value, ffGeneral, 15, 0); }

namespace {

// One section of a picture format, with what its placeholders ask for.
struct TPicture {
  std::string_view Text;
  int IntPlaces = 0;      // '0' and '#' before the point (or before E when there is no point)
  int IntMinDigits = 0;   // from the first '0' before the point to the point
  int FracPlaces = 0;     // '0' and '#' after the point
  int FracMinDigits = 0;  // up to the last '0' after the point
  bool Grouped = false;   // a ',' among the placeholders
  bool Scientific = false;
};

// Splits "pos;neg;zero" at the semicolons outside quotes.
std::vector<std::string_view> PictureSections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';' && sections.size() < 2) {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

bool IsExponentAt(std::string_view text, size_t i) {
  return (text[i] == 'E' || text[i] == 'e') && i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-');
}

TPicture AnalyzePicture(std::string_view text) {
  TPicture pic;
  pic.Text = text;
  bool afterPoint = false;
  int firstIntZero = -1;
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (IsExponentAt(text, i)) {
      pic.Scientific = true;
      break;  // the zeros after E belong to the exponent
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++pic.FracPlaces;
        if (c == '0') pic.FracMinDigits = pic.FracPlaces;
      } else {
        if (c == '0' && firstIntZero < 0) firstIntZero = pic.IntPlaces;
        ++pic.IntPlaces;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      pic.Grouped = true;
    }
  }
  pic.IntMinDigits = firstIntZero < 0 ? 0 : pic.IntPlaces - firstIntZero;
  return pic;
}

// Lays the digits of a non-negative value out over the picture's placeholders.
std::string ApplyPicture(const TPicture& pic, const TFloatRec& rec, const TFormatSettings& fs) {
  std::string intDigits, fracDigits;
  int exponent = 0;
  const std::string& d = rec.Digits;
  if (pic.Scientific) {
    if (!d.empty()) {
      intDigits = d.substr(0, std::min<size_t>(pic.IntPlaces, d.size()));
      intDigits.resize(pic.IntPlaces, '0');
      if (d.size() > static_cast<size_t>(pic.IntPlaces)) fracDigits = d.substr(pic.IntPlaces);
      exponent = rec.Exponent - pic.IntPlaces;
    }
  } else if (!d.empty()) {
    const int e = rec.Exponent;
    if (e > 0) {
      intDigits = d.substr(0, std::min<size_t>(e, d.size()));
      intDigits.resize(e, '0');
      if (d.size() > static_cast<size_t>(e)) fracDigits = d.substr(e);
    } else {
      fracDigits = std::string(-e, '0') + d;
    }
  }
  if (static_cast<int>(intDigits.size()) < pic.IntMinDigits)
    intDigits.insert(0, pic.IntMinDigits - intDigits.size(), '0');
  if (static_cast<int>(fracDigits.size()) < pic.FracMinDigits) fracDigits.resize(pic.FracMinDigits, '0');

  std::string out;
  size_t intEmitted = 0;
  auto emitIntDigits = [&](size_t upTo) {
    for (; intEmitted < upTo; ++intEmitted) {
      out += intDigits[intEmitted];
      size_t remaining = intDigits.size() - 1 - intEmitted;
      if (pic.Grouped && fs.ThousandSeparator != '\0' && remaining > 0 && remaining % 3 == 0)
        out += fs.ThousandSeparator;
    }
  };
  const std::string_view text = pic.Text;
  const int extra = static_cast<int>(intDigits.size()) - pic.IntPlaces;  // digits with no placeholder
  int intPlace = 0, fracPlace = 0;
  bool afterPoint = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      size_t close = text.find(c, i + 1);
      if (close == std::string_view::npos) close = text.size();
      out.append(text.substr(i + 1, close - i - 1));
      i = close;
    } else if (IsExponentAt(text, i)) {
      emitIntDigits(intDigits.size());
      out += c;
      if (exponent < 0) out += '-';
      else if (text[i + 1] == '+') out += '+';
      i += 2;
      int zeros = 0;
      while (i < text.size() && text[i] == '0' && zeros < 4) {
        ++zeros;
        ++i;
      }
      --i;
      std::string expDigits = std::to_string(exponent < 0 ? -exponent : exponent);
      if (static_cast<int>(expDigits.size()) < zeros) expDigits.insert(0, zeros - expDigits.size(), '0');
      out += expDigits;
      afterPoint = true;  // anything after the exponent is literal
      fracPlace = pic.FracPlaces;
    } else if ((c == '0' || c == '#') && !afterPoint) {
      int index = extra + intPlace++;
      if (index >= 0) emitIntDigits(static_cast<size_t>(index) + 1);
    } else if ((c == '0' || c == '#') && fracPlace < pic.FracPlaces) {
      if (static_cast<size_t>(fracPlace) < fracDigits.size()) out += fracDigits[fracPlace];
      ++fracPlace;
    } else if (c == '.' && !afterPoint) {
      emitIntDigits(intDigits.size());
      afterPoint = true;
      if (!fracDigits.empty()) out += fs.DecimalSeparator;
    } else if (c == ',' && !afterPoint) {
      // only asks for grouping
    } else {
      out += c;
    }
  }
  emitIntDigits(intDigits.size());
  return out;
}

}  // namespace

std::string FormatFloat(std::string_view format, long double value) {
  const TFormatSettings& fs = FormatSettings;
  if (std::isnan(value) || std::isinf(value)) return FloatToStr(value);
  std::vector<std::string_view> sections = PictureSections(format);
  if (sections[0].empty()) return FloatToStr(value);

  bool useNegativeSection = value < 0 && sections.size() >= 2 && !sections[1].empty();
  TPicture pic = AnalyzePicture(useNegativeSection ? sections[1] : sections[0]);
  const int maxDigits = 15;
  TFloatRec rec = pic.Scientific
                      ? FloatToDecimal(std::fabs(value), std::clamp(pic.IntPlaces + pic.FracPlaces, 1, maxDigits),
                                       kNoDecimalLimit)
                      : FloatToDecimal(std::fabs(value), maxDigits, pic.FracPlaces);
  if (rec.Digits.empty() && sections.size() >= 3 && !sections[2].empty())
    return ApplyPicture(AnalyzePicture(sections[2]), rec, fs);
  std::string text = ApplyPicture(pic, rec, fs);
  if (value < 0 && !useNegativeSection && !rec.Digits.empty()) text.insert(0, 1, '-');
  return text;
}

namespace {

// Checks the text's form (blanks, sign, digits, one decimal separator, exponent) and converts
// it without the C library's locale.
bool ParseFloat(std::string_view s, long double& value, char separator = FormatSettings.DecimalSeparator) {
  size_t i = 0, end = s.size();
  while (i < end && s[i] == ' ') ++i;
  while (end > i && s[end - 1] == ' ') --end;
  std::string normalized;
  if (i < end && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') normalized += '-';
    ++i;
  }
  int mantissaDigits = 0, intDigits = 0;
  bool point = false;
  for (; i < end; ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      normalized += c;
      ++mantissaDigits;
      if (!point) ++intDigits;
    } else if (c == separator && !point) {
      normalized += '.';
      point = true;
    } else {
      break;
    }
  }
  if (mantissaDigits == 0) return false;
  long exponent = 0;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    normalized += 'e';
    ++i;
    bool negativeExponent = false;
    if (i < end && (s[i] == '+' || s[i] == '-')) {
      negativeExponent = s[i] == '-';
      normalized += s[i++];
    }
    size_t expStart = i;
    for (; i < end && s[i] >= '0' && s[i] <= '9'; ++i) {
      normalized += s[i];
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (i == expStart) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != end) return false;
  long double parsed = 0;
  auto [ptr, ec] = std::from_chars(normalized.data(), normalized.data() + normalized.size(), parsed);
  if (ec == std::errc::result_out_of_range) {
    // Too small to represent is zero; too large is an error.
    if (intDigits + exponent > 0) return false;
    parsed = 0;
  } else if (ec != std::errc() || ptr != normalized.data() + normalized.size()) {
    return false;
  }
  value = parsed;
  return true;
}

}  // namespace

bool TryStrToFloat(std::string_view s, long double& value) { return ParseFloat(s, value); }

bool TryStrToFloat(std::string_view s, double& value) {
  long double parsed;
  if (!ParseFloat(s, parsed) || std::fabs(parsed) > std::numeric_limits<double>::max()) return false;
  value = static_cast<double>(parsed);
  return true;
}

long double StrToFloat(std::string_view s) {
  long double value;
  if (!ParseFloat(s, value)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return value;
}

long double StrToFloatDef(std::string_view s, long double def) {
  long double value;
  return ParseFloat(s, value) ? value : def;
}

bool TextToFloat(std::string_view text, long double& value, const TFormatSettings& settings) {
  return ParseFloat(text, value, settings.DecimalSeparator);
}

}  // namespace vcl
