// A small PDF 1.4 object model and its serialiser: eight object kinds that write their own
// PDF text, the list of numbered indirect objects, builders for the catalog, the page tree and
// pages, and the writers of the header, the object bodies, the cross-reference table and the
// trailer. A document is written with WritePDFHeader, WritePDFObjects and WritePDFTrailer, in
// that order; every piece of text goes to the stream as soon as it is formed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"

namespace imaging {

class TIEPDFObject : public vcl::TObject {
  VCL_CLASS(TIEPDFObject, vcl::TObject)
  // Writes the object's PDF text at the stream's position and remembers that position.
  virtual void WriteTo(vcl::TStream* stream) = 0;

  // 0 for a direct object, else the object's 1-based number in the object list.
  int32_t ObjectNumber = 0;
  // Where the object was last written (the "N 0 obj" line for an indirect object).
  int64_t Offset = 0;
  // A container that holds a shared object does not free it; its creator does.
  bool Shared = false;
};

// "N G R": a reference to an indirect object.
class TIEPDFRefObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFRefObject, TIEPDFObject)
  TIEPDFRefObject(int32_t number, int32_t generation) : Number(number), Generation(generation) {}
  void WriteTo(vcl::TStream* stream) override;

  int32_t Number;
  int32_t Generation;
};

// A number in plain decimal notation ("." separator whatever the locale, never an exponent).
class TIEPDFNumericObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFNumericObject, TIEPDFObject)
  explicit TIEPDFNumericObject(double value) : Value(value) {}
  void WriteTo(vcl::TStream* stream) override;

  double Value;
};

class TIEPDFBooleanObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFBooleanObject, TIEPDFObject)
  explicit TIEPDFBooleanObject(bool value) : Value(value) {}
  void WriteTo(vcl::TStream* stream) override;

  bool Value;
};

// A literal string "(...)" with its special bytes escaped.
class TIEPDFStringObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFStringObject, TIEPDFObject)
  explicit TIEPDFStringObject(std::string text) : Value(std::move(text)) {}
  void WriteTo(vcl::TStream* stream) override;

  std::string Value;
};

// A name "/..." with every byte that may not stand in a name written as "#hh".
class TIEPDFNameObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFNameObject, TIEPDFObject)
  explicit TIEPDFNameObject(std::string text) : Value(std::move(text)) {}
  void WriteTo(vcl::TStream* stream) override;

  std::string Value;
};

// "[a b ]": the items, each followed by one blank. Items are owned unless Shared.
class TIEPDFArrayObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFArrayObject, TIEPDFObject)
  TIEPDFArrayObject() = default;
  // Frees the items from the last to the first, leaving Shared ones alive.
  ~TIEPDFArrayObject() override;
  void WriteTo(vcl::TStream* stream) override;

  // Appends an item (the array takes it unless it is Shared); returns it.
  TIEPDFObject* Add(TIEPDFObject* item);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Raises EListError for an index outside 0 .. Count - 1.
  TIEPDFObject* Items(int32_t index) const;

 private:
  std::vector<TIEPDFObject*> items_;
};

// "<< /Key value\n... >>" in insertion order. Values are owned unless Shared.
class TIEPDFDictionaryObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFDictionaryObject, TIEPDFObject)
  TIEPDFDictionaryObject() = default;
  // Frees the values from the last to the first, leaving Shared ones alive.
  ~TIEPDFDictionaryObject() override;
  void WriteTo(vcl::TStream* stream) override;

  // Sets the value of a key. A key already present keeps its place and its old value is freed
  // (unless Shared), since a dictionary may hold each key only once. Returns the value.
  TIEPDFObject* SetItem(const std::string& key, TIEPDFObject* value);
  // The value of a key, nil when absent (keys are compared exactly).
  TIEPDFObject* GetItem(const std::string& key) const;
  int32_t IndexOf(const std::string& key) const;
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // Raise EListError for an index outside 0 .. Count - 1.
  const std::string& Keys(int32_t index) const;
  TIEPDFObject* Values(int32_t index) const;

 private:
  void CheckIndex(int32_t index) const;
  std::vector<std::pair<std::string, TIEPDFObject*>> entries_;
};

// A stream object: its dictionary (which always holds "Length"), "stream", the data bytes and
// "endstream". "Length" is set to the data length whenever the object is written.
class TIEPDFStreamObject : public TIEPDFObject {
  VCL_CLASS(TIEPDFStreamObject, TIEPDFObject)
  TIEPDFStreamObject();
  // A stream over a copy of `length` bytes of `data`.
  TIEPDFStreamObject(const void* data, int32_t length);
  ~TIEPDFStreamObject() override;
  void WriteTo(vcl::TStream* stream) override;

  TIEPDFDictionaryObject* Dictionary() const { return dictionary_; }
  const std::vector<uint8_t>& Data() const { return data_; }
  // Replaces the data with a copy of `length` bytes.
  void SetData(const void* data, int32_t length);
  int32_t Length() const { return static_cast<int32_t>(data_.size()); }

 private:
  TIEPDFDictionaryObject* dictionary_;
  std::vector<uint8_t> data_;
};

// The indirect objects of a document in registration order; object i has number i + 1. The
// list owns them. The catalog must be registered first: the trailer names it "1 0 R".
using TIEPDFObjectList = std::vector<std::unique_ptr<TIEPDFObject>>;
// Page dictionaries (registered in an object list, which owns them).
using TIEPDFPageList = std::vector<TIEPDFDictionaryObject*>;

// Registers the object (the list takes it) and numbers it; returns it.
TIEPDFObject* AddPDFObject(TIEPDFObjectList& objects, TIEPDFObject* object);
// A new registered dictionary with "Type" = /Catalog.
TIEPDFDictionaryObject* CreatePDFCatalog(TIEPDFObjectList& objects);
// A registered page dictionary: "Type" /Page, "Resources" (a reference to the resources object,
// only when one is given, which must be registered), "MediaBox" (the page takes the array) and
// "Contents" (a reference to object contentsNumber); it is appended to pages.
void CreatePDFPage(TIEPDFObjectList& objects, TIEPDFPageList& pages, const TIEPDFObject* resources,
                   int32_t contentsNumber, TIEPDFArrayObject* mediaBox);
// The registered "Pages" dictionary over the pages: "Kids", "Count", a "Parent" in every page
// and a "Pages" reference in the catalog (the first object of the list).
TIEPDFDictionaryObject* CreatePDFPageTree(TIEPDFObjectList& objects, const TIEPDFPageList& pages);

// "%PDF-1.4" and a comment line of four bytes above 127 (which marks the file as binary).
void WritePDFHeader(vcl::TStream* stream);
// Every registered object as "N 0 obj", its text, "endobj"; each object's Offset becomes the
// position of its "N 0 obj" line.
void WritePDFObjects(vcl::TStream* stream, TIEPDFObjectList& objects);
// The cross-reference table of the written objects, the trailer (/Size, /Root 1 0 R and, when
// an info dictionary is given, /Info), "startxref" and "%%EOF". An offset beyond the 10 digits
// of a cross-reference entry raises EWriteError.
void WritePDFTrailer(vcl::TStream* stream, const TIEPDFObjectList& objects, const TIEPDFObject* info);

// The text and one line feed; the text alone.
void WritePDFLine(vcl::TStream* stream, const std::string& text);
void WritePDFText(vcl::TStream* stream, const std::string& text);
// The text prefixed with the character until it is `length` characters long.
std::string PadLeft(const std::string& text, int32_t length, char character);

// The PDF texts of a number, a string body and a name body (as the objects write them).
std::string PDFNumberText(double value);
std::string PDFEscapeString(const std::string& text);
std::string PDFEscapeName(const std::string& text);

}  // namespace imaging
