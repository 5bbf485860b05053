// TLZ77Decoder: the PNG reader's inflater, a thin wrapper over zlib's raw inflate calls that
// lets the image data be fed chunk by chunk and taken out row by row.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/system.h"

namespace skin::png {

class EGraphicCompression : public vcl::Exception {
  VCL_CLASS(EGraphicCompression, vcl::Exception)
  using Exception::Exception;
};

class TLZ77Decoder : public vcl::TObject {
  VCL_CLASS(TLZ77Decoder, vcl::TObject)
  // flushMode is zlib's flush argument of every inflate call; with autoReset the inflater starts
  // afresh at every Decode.
  TLZ77Decoder(int32_t flushMode, bool autoReset);
  ~TLZ77Decoder() override;

  // inflateInit / inflateEnd; a negative result raises EGraphicCompression.
  void DecodeInit();
  void DecodeEnd();
  // Inflates from source into dest; both are advanced to where inflate stopped. Once the status
  // is not 0 (an error, or the end of the stream) it returns at once.
  void Decode(const uint8_t*& source, uint8_t*& dest, uint32_t packedSize, uint32_t unpackedSize);

  uint32_t AvailableInput() const;
  uint32_t AvailableOutput() const;
  // zlib's status of the last call: 0 fine, 1 stream end, negative an error.
  int32_t Status() const { return status_; }

 private:
  struct TState;
  std::unique_ptr<TState> state_;
  int32_t status_ = 0;
  int32_t flushMode_;
  bool autoReset_;
  bool initialised_ = false;
};

}  // namespace skin::png
