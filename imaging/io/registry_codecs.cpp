#include "imaging/io/registry_codecs.h"

#include "vcl/runtime/sysutils.h"

namespace imaging {

TIEReadFunction RegistryReader(int32_t fileType) {
  const TIEFileFormatInfo* info = GetFileFormatInfo(fileType);
  if (!info || !info->ReadFunction || info->ReadFunction == NoReadFunction) return nullptr;
  return info->ReadFunction;
}

TIEWriteFunction RegistryWriter(int32_t fileType) {
  const TIEFileFormatInfo* info = GetFileFormatInfo(fileType);
  if (!info || !info->WriteFunction || info->WriteFunction == NoWriteFunction) return nullptr;
  return info->WriteFunction;
}

int32_t FileTypeOfExtension(const std::string& extension) {
  const TIEFileFormatInfo* info = FindFileFormatByExtension(vcl::LowerCase(extension));
  return info ? info->FileType : 0;
}

}  // namespace imaging
