#include "skin/engine/paint/glyph_text_layout.h"

namespace skin {

void CalcGlyphTextLayout(const vcl::TRect& client, const vcl::TPoint& glyphSize, const vcl::TPoint& textSize,
                         int32_t layout, int32_t alignment, int32_t margin, int32_t spacing, vcl::TPoint& glyphPos,
                         vcl::TRect& textBounds, uint32_t biDiFlags) {
  const vcl::TPoint cs{client.right - client.left, client.bottom - client.top};
  const vcl::TPoint& g = glyphSize;
  const vcl::TPoint& t = textSize;
  if (biDiFlags & glRightToLeftReading) {
    if (layout == glGlyphLeft)
      layout = glGlyphRight;
    else if (layout == glGlyphRight)
      layout = glGlyphLeft;
  }
  textBounds = vcl::TRect{0, 0, t.x, t.y};
  vcl::TPoint glyph{0, 0}, text{0, 0};
  const bool horizontal = layout == glGlyphLeft || layout == glGlyphRight;
  if (horizontal) {
    glyph.y = (cs.y - g.y + 1) / 2;
    text.y = (cs.y - t.y + 1) / 2;
  } else {
    glyph.x = (cs.x - g.x + 1) / 2;
    text.x = (cs.x - t.x + 1) / 2;
  }
  if (t.x == 0 || g.x == 0) spacing = 0;

  // Client, glyph and text extents along the layout axis.
  const int32_t ca = horizontal ? cs.x : cs.y, ga = horizontal ? g.x : g.y, ta = horizontal ? t.x : t.y;
  if (margin == -1) {
    if (spacing < 0) {
      margin = (ca - (ga + ta)) / 3;
      spacing = margin;
    } else {
      margin = alignment == gaCenter ? (ca - (ga + spacing + ta) + 1) / 2 : 2;
    }
  } else if (spacing < 0) {
    spacing = (ca - (margin + ga) - ta) / 2;
  }

  switch (layout) {
    case glGlyphLeft:
      if (alignment == gaLeft) {
        glyph.x = margin;
        text.x = margin + g.x + spacing;
      } else if (alignment == gaCenter) {
        margin = (cs.x - t.x - spacing - g.x) / 2;
        glyph.x = margin;
        text.x = margin + spacing + g.x;
      } else if (alignment == gaRight) {
        text.x = cs.x - margin - t.x;
        glyph.x = text.x - spacing - g.x;
      }
      break;
    case glGlyphRight:
      if (alignment == gaLeft) {
        text.x = margin;
        glyph.x = margin + t.x + spacing;
      } else if (alignment == gaCenter) {
        margin = (cs.x - t.x - spacing - g.x) / 2;
        text.x = margin;
        glyph.x = margin + spacing + t.x;
      } else if (alignment == gaRight) {
        glyph.x = cs.x - margin - g.x;
        text.x = glyph.x - spacing - t.x;
      }
      break;
    case glGlyphTop:
      glyph.y = (cs.y - g.y - spacing - t.y) / 2;
      text.y = glyph.y + g.y + spacing;
      break;
    case glGlyphBottom:
      glyph.y = cs.y - g.y - (cs.y - g.y - spacing - t.y) / 2;
      text.y = glyph.y - spacing - t.y;
      break;
    default:
      break;
  }
  glyphPos = vcl::TPoint{glyph.x + client.left, glyph.y + client.top};
  OffsetRect(&textBounds, client.left + text.x, client.top + text.y);
}

}  // namespace skin
