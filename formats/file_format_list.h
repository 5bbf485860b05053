// TFileFormatList: the picture formats registered with the picture loader, by class and by file
// extension, and the start-up and shut-down that register and remove them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/graphics/graphic.h"

namespace formats {

// Kinds of a format, stored for callers (bit 0 is never set).
enum TFormatKind : uint8_t { fkLayered = 2, fkMultiImage = 4, fkRaster = 8, fkVector = 16 };
using TFormatKinds = uint8_t;

struct TClassEntry {
  vcl::TGraphicClass GraphicClass = nullptr;
  std::string Description;
  int32_t Count = 0;  // extension entries that point to it
};

struct TExtensionEntry {
  std::string Extension;  // without the dot
  std::string Description;
  TFormatKinds FormatKinds = 0;
  TClassEntry* ClassEntry = nullptr;
};

class TFileFormatList : public vcl::TObject {
  VCL_CLASS(TFileFormatList, vcl::TObject)
  TFileFormatList() = default;
  ~TFileFormatList() override;

  // Unregisters every listed class from the picture loader and empties both lists.
  void Clear();
  // -1 when not listed (or empty); extensions compare without case.
  int IndexOfExtension(const std::string& extension) const;
  // The entry of exactly that class (not a descendant), or -1.
  int IndexOfClass(vcl::TGraphicClass graphicClass) const;
  // Lists the extension for the class and registers it with the picture loader. An extension
  // listed already raises EInvalidGraphic "Attempt to register <ext> twice." unless `replace`;
  // with it the extension moves to the new class.
  void RegisterExtension(const std::string& extension, const std::string& commonDescription,
                         const std::string& individualDescription, TFormatKinds kinds, bool replace,
                         vcl::TGraphicClass graphicClass);
  // With an extension: removes it (the class leaves the picture loader with its last extension).
  // With an empty extension: removes the class with all its extensions.
  void UnregisterExtension(const std::string& extension, vcl::TGraphicClass graphicClass);

  int ClassCount() const { return static_cast<int>(classes_.size()); }
  const TClassEntry& ClassEntry(int index) const { return *classes_[index]; }
  int ExtensionCount() const { return static_cast<int>(extensions_.size()); }
  const TExtensionEntry& ExtensionEntry(int index) const { return *extensions_[index]; }

 private:
  // The class's entry, made when missing; a non-empty description replaces the entry's.
  TClassEntry* AttachClass(vcl::TGraphicClass graphicClass, const std::string& commonDescription);
  void RemoveClassEntry(TClassEntry* entry);

  std::vector<std::unique_ptr<TClassEntry>> classes_;
  std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

// The list between RegisterPictureFormats and UnregisterPictureFormats, else nil.
TFileFormatList* FileFormatList();

// Registers the formats with the picture loader (once, however often it is called, until as
// many UnregisterPictureFormats calls have been made); the program calls it at start-up.
void RegisterPictureFormats();
void UnregisterPictureFormats();

}  // namespace formats
