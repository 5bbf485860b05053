#include "bench/vips_peer.h"

#include <vips/vips.h>

#include <cstdio>

namespace bench::vips {

namespace {

// Prints and clears the library's error messages.
void Report() {
  std::fprintf(stderr, "libvips: %s\n", vips_error_buffer());
  vips_error_clear();
}

VipsImage* Wrap(const uint8_t* pixels, int width, int height, int stride, int bands) {
  // The library reads rows packed: a padded stride is wrapped as a wider image and cropped.
  const int packed = width * bands;
  if (stride == packed) {
    VipsImage* image = vips_image_new_from_memory(pixels, size_t(stride) * height, width, height,
                                                  bands, VIPS_FORMAT_UCHAR);
    if (image) image->Type = VIPS_INTERPRETATION_sRGB;
    return image;
  }
  if (stride % bands != 0) return nullptr;
  VipsImage* wide = vips_image_new_from_memory(pixels, size_t(stride) * height, stride / bands,
                                               height, bands, VIPS_FORMAT_UCHAR);
  VipsImage* cropped = nullptr;
  if (wide) wide->Type = VIPS_INTERPRETATION_sRGB;
  if (wide && vips_crop(wide, &cropped, 0, 0, width, height, nullptr) != 0) cropped = nullptr;
  if (wide) g_object_unref(wide);
  return cropped;
}

// Computes `image` into a memory image and drops both.
bool Realise(VipsImage* image) {
  if (!image) return false;
  VipsImage* memory = vips_image_new_memory();
  const bool ok = vips_image_write(image, memory) == 0;
  if (!ok) Report();
  g_object_unref(memory);
  g_object_unref(image);
  return ok;
}

}  // namespace

bool Start(const char* program) {
  if (VIPS_INIT(program) != 0) return false;
  vips_cache_set_max(0);
  return true;
}

void SetThreads(int threads) { vips_concurrency_set(threads); }

bool Resize(const uint8_t* pixels, int width, int height, int stride, int bands, int outWidth,
            int outHeight, Kernel kernel, bool preShrink) {
  VipsImage* in = Wrap(pixels, width, height, stride, bands);
  if (!in) return false;
  const VipsKernel k = kernel == Kernel::Nearest    ? VIPS_KERNEL_NEAREST
                       : kernel == Kernel::Linear   ? VIPS_KERNEL_LINEAR
                       : kernel == Kernel::Mitchell ? VIPS_KERNEL_MITCHELL
                                                    : VIPS_KERNEL_LANCZOS3;
  VipsImage* out = nullptr;
  // gap 0: the kernel does the whole reduction, with no box pre-shrink; 2 is the default,
  // which shrinks by whole factors while the rest stays at least 2:1.
  const int failed = vips_resize(in, &out, double(outWidth) / width, "vscale", double(outHeight) / height,
                                 "kernel", k, "gap", preShrink ? 2.0 : 0.0, nullptr);
  g_object_unref(in);
  if (failed) Report();
  return failed == 0 && Realise(out);
}

bool Composite(const uint8_t* base, const uint8_t* overlay, int width, int height, Blend mode) {
  static const VipsBlendMode kModes[] = {
      VIPS_BLEND_MODE_OVER,       VIPS_BLEND_MODE_MULTIPLY,     VIPS_BLEND_MODE_SCREEN,
      VIPS_BLEND_MODE_OVERLAY,    VIPS_BLEND_MODE_SOFT_LIGHT,   VIPS_BLEND_MODE_HARD_LIGHT,
      VIPS_BLEND_MODE_COLOUR_DODGE, VIPS_BLEND_MODE_COLOUR_BURN, VIPS_BLEND_MODE_LIGHTEN,
      VIPS_BLEND_MODE_DARKEN,     VIPS_BLEND_MODE_ADD,          VIPS_BLEND_MODE_DIFFERENCE,
      VIPS_BLEND_MODE_EXCLUSION};
  VipsImage* b = Wrap(base, width, height, width * 4, 4);
  VipsImage* o = Wrap(overlay, width, height, width * 4, 4);
  VipsImage* out = nullptr;
  const int failed = b && o ? vips_composite2(b, o, &out, kModes[int(mode)], nullptr) : -1;
  if (b) g_object_unref(b);
  if (o) g_object_unref(o);
  if (failed) Report();
  return failed == 0 && Realise(out);
}

}  // namespace bench::vips
