#include "formats/format_graphic.h"

#include "vcl/runtime/streams.h"

namespace formats {

void RaiseGraphicError(const std::string& message) { throw vcl::EInvalidGraphic(message); }

TFormatGraphic::TFormatGraphic() : colourConverter_(std::make_unique<TColorManager>()) {}

TFormatGraphic::~TFormatGraphic() = default;

void TFormatGraphic::Assign(vcl::TPersistent* source) {
  if (auto* other = dynamic_cast<TFormatGraphic*>(source)) ImageProps = other->ImageProps;
  inherited::Assign(source);
}

bool TFormatGraphic::CanLoadFile(const std::string& fileName) {
  vcl::TFileStream stream(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
  return CanLoadStream(&stream);
}

bool TFormatGraphic::CanLoadStream(vcl::TStream* stream) { return false; }

bool TFormatGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  ImageProps = TImageProperties{};
  ImageProps.Gamma = 1.0f;
  return false;
}

void TFormatGraphic::BeginLoad(vcl::TStream* stream, const std::string& formatName) {
  SetHandle(nullptr);
  StartOffset = stream->Position();
  if (!ReadImageProperties(stream, 0)) RaiseGraphicErrorFmt(messages::gesInvalidImage, formatName);
}

void TFormatGraphic::ProgressStarting(const std::string& message) {
  Progress(this, vcl::psStarting, 0, false, ProgressArea, message);
}

void TFormatGraphic::ProgressRow(uint32_t row) {
  const uint32_t height = ImageProps.ImageHeight ? ImageProps.ImageHeight : 1;
  const auto percent = static_cast<uint8_t>(static_cast<uint64_t>(row) * 100 / height);
  Progress(this, vcl::psRunning, percent, true, ProgressArea, std::string());
  ++ProgressArea.top;
  ++ProgressArea.bottom;
}

void TFormatGraphic::ProgressEnding() { Progress(this, vcl::psEnding, 0, false, ProgressArea, std::string()); }

}  // namespace formats
