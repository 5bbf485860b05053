#include "bench/jpeg_scaled_peer.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace peers {

namespace {

struct ErrorJump {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void Fail(j_common_ptr info) { longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }

}  // namespace

bool DecodeJPEGScaled(const std::vector<uint8_t>& file, int denominator, int& width, int& height,
                      std::vector<uint8_t>& pixels) {
  jpeg_decompress_struct info{};
  ErrorJump error{};
  info.err = jpeg_std_error(&error.base);
  error.base.error_exit = Fail;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(denominator);
  info.dct_method = JDCT_IFAST;
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width);
  height = static_cast<int>(info.output_height);
  const size_t stride = static_cast<size_t>(width) * 3;
  pixels.resize(stride * static_cast<size_t>(height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace peers
