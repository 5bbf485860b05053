// Rendering a library bitmap of any pixel format into a 24-bit destination (a view's back
// buffer, a layer compositing bitmap, a platform bitmap): a source rectangle scaled into a
// destination rectangle by nearest-pixel index tables (or through a resampled temporary when a
// filter is asked for), clipped, with the source's display adjustments, one of the pixel
// operations, a global transparency and the source's alpha channel.
//
// The renderers work row by row: the per-format code is chosen once per call, never per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/blend_operations.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

namespace imaging {

// Tables a caller may keep from one rendering to the next (a view between repaints). Handed
// to a call empty, a table is built by it; with freeCaches false the call leaves the tables
// it built in them. A table that does not fit the present destination or source is built again.
using TIERowAddressTable = std::vector<uint8_t*>;  // destination row addresses, by row
using TIEIndexTable = std::vector<int32_t>;        // source column (row) of each destination column (row)

// Draws the source rectangle (xSrc, ySrc, dxSrc, dySrc) of `source` into the rectangle
// (xDst, yDst, dxDst, dyDst) of `dest`, which must be ie24RGB (else EInvalidGraphicOperation).
//   destRows, columns, rows: caches as above, or nil.
//   clip: inclusive destination rectangle (left, top, right, bottom) to draw within, or nil.
//   useAlpha: blend by the source's alpha channel (when it has one that is not Full).
//   reuseRows: a destination row that comes from the same source row as the row above it is
//     copied from that row (the caller promises the destination rows were alike before).
//   transparency: 0 .. 255, 255 opaque.
//   filter: rfNone scales by nearest pixel; another filter resamples 1-bit and 24-bit sources.
//   operation: a TIEBlendOperation (codes above 42 leave the destination unchanged), applied
//     to the source colour of every pixel format.
// Empty or fully clipped rectangles draw nothing. Failures while drawing (a platform bitmap,
// the temporary file) end the call quietly, the destination possibly partly drawn.
void RenderToTIEBitmapFull(TIEBitmap* source, TIEBitmap* dest, TIERowAddressTable* destRows, TIEIndexTable* columns,
                           TIEIndexTable* rows, const RECT* clip, int32_t xDst, int32_t yDst, int32_t dxDst,
                           int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, bool useAlpha,
                           bool reuseRows, int32_t transparency, TResampleFilter filter, bool freeCaches,
                           uint8_t operation);

// RenderToTIEBitmapFull without caches and clip, blending by the alpha channel, no row reuse.
void RenderToTIEBitmap(TIEBitmap* source, TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                       int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency,
                       TResampleFilter filter, uint8_t operation);

// The same into a platform bitmap, which must be pf24bit (else EInvalidGraphicOperation).
void RenderToVclBitmapFull(TIEBitmap* source, vcl::TBitmap* dest, TIERowAddressTable* destRows,
                           TIEIndexTable* columns, TIEIndexTable* rows, const RECT* clip, int32_t xDst, int32_t yDst,
                           int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                           bool useAlpha, bool reuseRows, int32_t transparency, TResampleFilter filter,
                           bool freeCaches, uint8_t operation);
void RenderToVclBitmap(TIEBitmap* source, vcl::TBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst,
                       int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency,
                       TResampleFilter filter, uint8_t operation);

// Copies a 1-bit or 24-bit source rectangle scaled into an ie24RGB destination without
// blending (nearest pixel, or a resampled temporary when a filter is given and the sizes
// differ), and writes the destination's alpha channel: the source's alpha limited to
// alphaLimit, or alphaLimit where the source has no alpha. Other source formats write only the
// alpha. A destination that is not ie24RGB raises EInvalidGraphicOperation; failures while
// drawing end the call quietly.
void StretchCopyToTIEBitmap(TIEBitmap* source, TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst,
                            int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                            TResampleFilter filter, int32_t alphaLimit);

}  // namespace imaging
