// Format: the platform's printf-like formatter over an array of tagged arguments.
#include "vcl/runtime/sysutils.h"

#include <algorithm>

namespace vcl {

namespace {

// Widths and precisions beyond this are taken for a broken format rather than honoured, so
// that a bad format string cannot make the formatter allocate gigabytes.
constexpr int kMaxWidth = 1 << 20;

class TFormatter {
 public:
  TFormatter(std::string_view format, const TVarRec* args, size_t count)
      : format_(format), args_(args), count_(count) {}

  std::string Run() {
    size_t i = 0;
    while (i < format_.size()) {
      char c = format_[i++];
      if (c != '%') {
        out_ += c;
        continue;
      }
      if (i >= format_.size()) Fail();
      if (format_[i] == '%') {
        out_ += '%';
        ++i;
        continue;
      }
      i = Specifier(i);
    }
    return std::move(out_);
  }

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
  }

  const TVarRec& NextArg() {
    if (next_ >= count_) Fail();
    return args_[next_++];
  }

  // A number in the format, or '*' for one taken from the arguments; -1 when neither is there.
  int Number(size_t& i) {
    if (i < format_.size() && format_[i] == '*') {
      ++i;
      const TVarRec& arg = NextArg();
      if (arg.VType != TVarRec::vtInteger) Fail();
      return std::max(arg.VInteger, 0);
    }
    if (i >= format_.size() || format_[i] < '0' || format_[i] > '9') return -1;
    int value = 0;
    while (i < format_.size() && format_[i] >= '0' && format_[i] <= '9') {
      value = value * 10 + (format_[i++] - '0');
      if (value > kMaxWidth) Fail();
    }
    return value;
  }

  // Parses and formats one specifier after its '%'; returns the index after it.
  size_t Specifier(size_t i) {
    int number = Number(i);
    if (number >= 0 && i < format_.size() && format_[i] == ':') {
      next_ = static_cast<size_t>(number);
      ++i;
      number = -1;
    }
    bool left = false;
    if (number < 0 && i < format_.size() && format_[i] == '-') {
      left = true;
      ++i;
    }
    int width = number >= 0 ? number : Number(i);
    int precision = -1;
    if (i < format_.size() && format_[i] == '.') {
      ++i;
      precision = std::max(Number(i), 0);
    }
    if (i >= format_.size()) Fail();
    char type = format_[i++];
    if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 32);
    std::string text = Convert(type, precision, NextArg());
    if (width > static_cast<int>(text.size())) {
      std::string pad(width - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    out_ += text;
    return i;
  }

  std::string Convert(char type, int precision, const TVarRec& arg) {
    const bool isInt = arg.VType == TVarRec::vtInteger || arg.VType == TVarRec::vtInt64;
    switch (type) {
      case 'D': {
        if (!isInt) Fail();
        int64_t v = arg.VType == TVarRec::vtInteger ? arg.VInteger : arg.VInt64;
        uint64_t magnitude = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        return (v < 0 ? "-" : "") + ZeroPad(std::to_string(magnitude), precision);
      }
      case 'U': {
        if (!isInt) Fail();
        uint64_t v = arg.VType == TVarRec::vtInteger ? static_cast<uint32_t>(arg.VInteger)
                                                     : static_cast<uint64_t>(arg.VInt64);
        return ZeroPad(std::to_string(v), precision);
      }
      case 'X': {
        if (!isInt) Fail();
        std::string hex = arg.VType == TVarRec::vtInteger ? IntToHex(arg.VInteger, 0) : IntToHex(arg.VInt64, 0);
        return ZeroPad(hex, precision);
      }
      case 'E':
        return FloatArg(arg, ffExponent, precision < 0 ? 15 : precision, 3);
      case 'F':
        return FloatArg(arg, ffFixed, 18, precision < 0 ? 2 : precision);
      case 'G':
        return FloatArg(arg, ffGeneral, precision < 0 ? 15 : precision, 0);
      case 'N':
        return FloatArg(arg, ffNumber, 18, precision < 0 ? 2 : precision);
      case 'M':
        return FloatArg(arg, ffCurrency, 18, precision < 0 ? FormatSettings.CurrencyDecimals : precision);
      case 'P': {
        const void* p;
        if (arg.VType == TVarRec::vtPointer) p = arg.VPointer;
        else if (arg.VType == TVarRec::vtPChar) p = arg.VPChar;
        else Fail();
        return IntToHex(static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)), sizeof(void*) * 2);
      }
      case 'S': {
        std::string_view s;
        if (arg.VType == TVarRec::vtChar) s = std::string_view(&arg.VChar, 1);
        else if (arg.VType == TVarRec::vtPChar) s = arg.VPChar ? std::string_view(arg.VPChar) : std::string_view();
        else if (arg.VType == TVarRec::vtString) s = std::string_view(arg.VString.Data, arg.VString.Size);
        else Fail();
        if (precision >= 0 && static_cast<size_t>(precision) < s.size()) s = s.substr(0, precision);
        return std::string(s);
      }
      default:
        Fail();
    }
  }

  std::string FloatArg(const TVarRec& arg, TFloatFormat format, int precision, int digits) {
    if (arg.VType != TVarRec::vtExtended) Fail();
    return FloatToStrF(arg.VExtended, format, precision, digits);
  }

  static std::string ZeroPad(std::string digits, int precision) {
    if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), '0');
    return digits;
  }

  std::string_view format_;
  const TVarRec* args_;
  size_t count_;
  size_t next_ = 0;
  std::string out_;
};

}  // namespace

std::string FormatArgs(std::string_view format, const TVarRec* args, size_t count) {
  return TFormatter(format, args, count).Run();
}

}  // namespace vcl
