#include "imaging/metadata/pdf_objects.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// PDF readers accept neither exponents nor endless fractions; digits this far below the point
// say nothing at the scale of a page.
constexpr int kMaxFractionDigits = 40;
// A cross-reference entry holds the offset in exactly ten digits.
constexpr int64_t kMaxXRefOffset = 9999999999LL;

void FreeUnshared(TIEPDFObject* object) {
  if (object && !object->Shared) delete object;
}

bool IsNameDelimiter(uint8_t c) {
  switch (c) {
    case '(': case ')': case '<': case '>': case '[': case ']': case '{': case '}':
    case '/': case '%': case '#':
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- texts ----

std::string PDFNumberText(double value) {
  if (!std::isfinite(value) || value == 0) return "0";
  // The decimal exponent of the value rounded to 15 significant digits.
  char sci[64];
  auto sciEnd = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14).ptr;
  const char* e = static_cast<const char*>(std::memchr(sci, 'e', sciEnd - sci));
  int exponent = 0;
  std::from_chars(e[1] == '+' ? e + 2 : e + 1, sciEnd, exponent);
  int fraction = 14 - exponent;
  if (fraction < 0) fraction = 0;
  if (fraction > kMaxFractionDigits) fraction = kMaxFractionDigits;
  char fixed[400];
  auto fixedEnd = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, fraction).ptr;
  std::string text(fixed, fixedEnd);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::string PDFEscapeString(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PDFEscapeName(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<uint8_t>(ch);
    // Outside the printable range, and the delimiters and "#" itself, a name byte must be
    // written as a hexadecimal escape or the name ends (or reads differently) there.
    if (c < 33 || c > 126 || IsNameDelimiter(c)) {
      out += '#';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string PadLeft(const std::string& text, int32_t length, char character) {
  if (static_cast<int32_t>(text.size()) >= length) return text;
  return std::string(length - text.size(), character) + text;
}

void WritePDFText(vcl::TStream* stream, const std::string& text) {
  if (!text.empty()) stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void WritePDFLine(vcl::TStream* stream, const std::string& text) {
  WritePDFText(stream, text);
  static const char kLineFeed = '\n';
  stream->WriteBuffer(&kLineFeed, 1);
}

// A missing value is PDF's null object.
static void WriteValue(vcl::TStream* stream, TIEPDFObject* value) {
  if (value)
    value->WriteTo(stream);
  else
    WritePDFText(stream, "null");
}

// ---- simple kinds ----

void TIEPDFRefObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, std::to_string(Number) + " " + std::to_string(Generation) + " R");
}

void TIEPDFNumericObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, PDFNumberText(Value));
}

void TIEPDFBooleanObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, Value ? "true" : "false");
}

void TIEPDFStringObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, "(" + PDFEscapeString(Value) + ")");
}

void TIEPDFNameObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, "/" + PDFEscapeName(Value));
}

// ---- array ----

TIEPDFArrayObject::~TIEPDFArrayObject() {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) FreeUnshared(*it);
}

TIEPDFObject* TIEPDFArrayObject::Add(TIEPDFObject* item) {
  items_.push_back(item);
  return item;
}

TIEPDFObject* TIEPDFArrayObject::Items(int32_t index) const {
  if (index < 0 || index >= Count()) throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index];
}

void TIEPDFArrayObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, "[");
  for (TIEPDFObject* item : items_) {
    WriteValue(stream, item);
    WritePDFText(stream, " ");
  }
  WritePDFText(stream, "]");
}

// ---- dictionary ----

TIEPDFDictionaryObject::~TIEPDFDictionaryObject() {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) FreeUnshared(it->second);
}

TIEPDFObject* TIEPDFDictionaryObject::SetItem(const std::string& key, TIEPDFObject* value) {
  int32_t index = IndexOf(key);
  if (index < 0) {
    entries_.emplace_back(key, value);
  } else if (entries_[index].second != value) {
    FreeUnshared(entries_[index].second);
    entries_[index].second = value;
  }
  return value;
}

int32_t TIEPDFDictionaryObject::IndexOf(const std::string& key) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].first == key) return static_cast<int32_t>(i);
  return -1;
}

TIEPDFObject* TIEPDFDictionaryObject::GetItem(const std::string& key) const {
  int32_t index = IndexOf(key);
  return index < 0 ? nullptr : entries_[index].second;
}

void TIEPDFDictionaryObject::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TIEPDFDictionaryObject::Keys(int32_t index) const {
  CheckIndex(index);
  return entries_[index].first;
}

TIEPDFObject* TIEPDFDictionaryObject::Values(int32_t index) const {
  CheckIndex(index);
  return entries_[index].second;
}

void TIEPDFDictionaryObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  WritePDFText(stream, "<< ");
  for (auto& [key, value] : entries_) {
    // Keys are escaped like names so that no key can end the dictionary early.
    WritePDFText(stream, "/" + PDFEscapeName(key) + " ");
    WriteValue(stream, value);
    WritePDFLine(stream, "");
  }
  WritePDFText(stream, ">>");
}

// ---- stream ----

TIEPDFStreamObject::TIEPDFStreamObject() : dictionary_(new TIEPDFDictionaryObject) {
  dictionary_->SetItem("Length", new TIEPDFNumericObject(0));
}

TIEPDFStreamObject::TIEPDFStreamObject(const void* data, int32_t length) : TIEPDFStreamObject() {
  SetData(data, length);
}

TIEPDFStreamObject::~TIEPDFStreamObject() { delete dictionary_; }

void TIEPDFStreamObject::SetData(const void* data, int32_t length) {
  if (length < 0 || (length > 0 && !data)) throw vcl::EInvalidArgument("Invalid PDF stream data");
  auto bytes = static_cast<const uint8_t*>(data);
  data_.assign(bytes, bytes + length);
}

void TIEPDFStreamObject::WriteTo(vcl::TStream* stream) {
  Offset = stream->Position();
  dictionary_->SetItem("Length", new TIEPDFNumericObject(static_cast<double>(data_.size())));
  dictionary_->WriteTo(stream);
  WritePDFLine(stream, "");
  WritePDFLine(stream, "stream");
  if (!data_.empty()) stream->WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
  WritePDFLine(stream, "");
  WritePDFText(stream, "endstream");
}

// ---- document ----

TIEPDFObject* AddPDFObject(TIEPDFObjectList& objects, TIEPDFObject* object) {
  objects.emplace_back(object);
  object->ObjectNumber = static_cast<int32_t>(objects.size());
  return object;
}

TIEPDFDictionaryObject* CreatePDFCatalog(TIEPDFObjectList& objects) {
  auto* catalog = new TIEPDFDictionaryObject;
  catalog->SetItem("Type", new TIEPDFNameObject("Catalog"));
  AddPDFObject(objects, catalog);
  return catalog;
}

void CreatePDFPage(TIEPDFObjectList& objects, TIEPDFPageList& pages, const TIEPDFObject* resources,
                   int32_t contentsNumber, TIEPDFArrayObject* mediaBox) {
  auto* page = new TIEPDFDictionaryObject;
  page->SetItem("Type", new TIEPDFNameObject("Page"));
  if (resources) page->SetItem("Resources", new TIEPDFRefObject(resources->ObjectNumber, 0));
  page->SetItem("MediaBox", mediaBox);
  page->SetItem("Contents", new TIEPDFRefObject(contentsNumber, 0));
  AddPDFObject(objects, page);
  pages.push_back(page);
}

TIEPDFDictionaryObject* CreatePDFPageTree(TIEPDFObjectList& objects, const TIEPDFPageList& pages) {
  auto* tree = new TIEPDFDictionaryObject;
  AddPDFObject(objects, tree);
  tree->SetItem("Type", new TIEPDFNameObject("Pages"));
  auto* kids = new TIEPDFArrayObject;
  for (TIEPDFDictionaryObject* page : pages) {
    kids->Add(new TIEPDFRefObject(page->ObjectNumber, 0));
    page->SetItem("Parent", new TIEPDFRefObject(tree->ObjectNumber, 0));
  }
  tree->SetItem("Kids", kids);
  tree->SetItem("Count", new TIEPDFNumericObject(static_cast<double>(pages.size())));
  if (auto* catalog = dynamic_cast<TIEPDFDictionaryObject*>(objects.front().get()); catalog && catalog != tree)
    catalog->SetItem("Pages", new TIEPDFRefObject(tree->ObjectNumber, 0));
  return tree;
}

void WritePDFHeader(vcl::TStream* stream) {
  WritePDFLine(stream, "%PDF-1.4");
  WritePDFLine(stream, "%\xC8\xD2\xF0\xFE");
}

void WritePDFObjects(vcl::TStream* stream, TIEPDFObjectList& objects) {
  for (auto& object : objects) {
    int64_t position = stream->Position();
    WritePDFLine(stream, std::to_string(object->ObjectNumber) + " 0 obj");
    object->WriteTo(stream);
    WritePDFLine(stream, "");
    WritePDFLine(stream, "endobj");
    object->Offset = position;
  }
}

void WritePDFTrailer(vcl::TStream* stream, const TIEPDFObjectList& objects, const TIEPDFObject* info) {
  int64_t xref = stream->Position();
  std::string size = std::to_string(objects.size() + 1);
  WritePDFLine(stream, "xref");
  WritePDFLine(stream, "0 " + size);
  WritePDFLine(stream, "0000000000 65535 f ");
  for (const auto& object : objects) {
    if (object->Offset < 0 || object->Offset > kMaxXRefOffset)
      throw vcl::EWriteError("PDF object offset too large for the cross-reference table");
    WritePDFLine(stream, PadLeft(std::to_string(object->Offset), 10, '0') + " 00000 n ");
  }
  WritePDFLine(stream, "trailer");
  WritePDFLine(stream, "<< /Size " + size);
  WritePDFLine(stream, "/Root 1 0 R");
  if (info) WritePDFLine(stream, "/Info " + std::to_string(info->ObjectNumber) + " 0 R");
  WritePDFLine(stream, ">>");
  WritePDFLine(stream, "startxref");
  WritePDFLine(stream, std::to_string(xref));
  WritePDFLine(stream, "%%EOF");
}

}  // namespace imaging
