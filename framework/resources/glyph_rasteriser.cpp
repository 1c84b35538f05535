#include "framework/resources/glyph_rasteriser.h"

#include <agg_conv_curve.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>

#include "framework/resources/font_cache.h"
#include "framework/resources/glyph_path_source.h"

namespace {

agg::rgba8 ToAgg(std::uint32_t argb) {
  return agg::rgba8((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
}

}  // namespace

void GlyphImageSize(const GlyphPathSource& path, const std::optional<RECT>& rect, int* width,
                    int* height) {
  int w = rect ? rect->right - rect->left : path.cellWidth;
  int h = rect ? rect->bottom - rect->top : path.cellHeight;
  *width = w > 0 ? w : 1;
  *height = h > 0 ? h : 1;
}

void FillGlyph(GlyphPathSource& path, std::uint8_t* bits, int pitch, int width, int height,
               std::uint32_t colour, std::uint32_t backColour) {
  if (!bits || width <= 0 || height <= 0) return;
  // A negative stride makes buffer row 0 the image's bottom row, so outline y runs upwards.
  agg::rendering_buffer buffer(bits, static_cast<unsigned>(width), static_cast<unsigned>(height),
                               -pitch);
  agg::pixfmt_bgra32 pixels(buffer);
  agg::renderer_base<agg::pixfmt_bgra32> renderer(pixels);
  renderer.clip_box(0, 0, width - 1, height - 1);
  renderer.clear(ToAgg(backColour));

  agg::conv_curve<GlyphPathSource> curves(path);
  agg::rasterizer_scanline_aa<> rasterizer;
  rasterizer.filling_rule(agg::fill_non_zero);
  rasterizer.add_path(curves);
  agg::scanline_u8 scanline;
  agg::render_scanlines_aa_solid(rasterizer, scanline, renderer, ToAgg(colour));
}

GlyphImage RenderGlyph(IMFontCache& fonts, const GlyphRequest& request) {
  IMTextStyle style(fonts, request.face, request.size, request.bold, request.italic,
                    request.underline);
  GlyphPathSource path;
  DecodeGlyphOutline(&path, fonts.Font(style.font), style.underline, request.ch);

  GlyphImage image;
  GlyphImageSize(path, request.rect, &image.width, &image.height);
  image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
  FillGlyph(path, reinterpret_cast<std::uint8_t*>(image.pixels.data()), image.width * 4, image.width,
            image.height, request.colour, request.backColour);
  return image;
}
