// Floating-point numbers to text and back.
//
// A value is first turned into 18 significant decimal digits (what the platform's 80-bit
// arithmetic gives); those digits are then rounded to the wanted count with halves away from
// zero, so 2.5 with no decimals is "3" and 0.125 with two decimals is "0.13".
#include "vcl/sysutils.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vcl {

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

}  // namespace vcl
