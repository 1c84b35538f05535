#include "framework/resources/glyph_path_source.h"

#include "framework/resources/font.h"

namespace {
constexpr std::size_t kInitialCapacity = 256;

// Averaged as whole 32-bit fixed-point values, rounding towards zero.
platform::FIXED Midpoint(platform::FIXED a, platform::FIXED b) {
  std::int64_t sum = std::int64_t{platform::FromFixed(a)} + platform::FromFixed(b);
  return platform::ToFixed(static_cast<std::int32_t>(sum / 2));
}
}  // namespace

GlyphPathSource::GlyphPathSource() {
  commands_.reserve(kInitialCapacity);
  vertices_.reserve(2 * kInitialCapacity);
}

void GlyphPathSource::Reset() {
  commands_.clear();
  vertices_.clear();
  next_ = 0;
  origin = POINT{};
  blackBoxX = blackBoxY = 0;
  cellIncX = cellIncY = 0;
  cellWidth = cellHeight = 0;
}

void GlyphPathSource::Add(unsigned command, double x, double y) {
  commands_.push_back(static_cast<std::uint8_t>(command));
  vertices_.push_back(x);
  vertices_.push_back(y);
}

void GlyphPathSource::rewind(unsigned /*pathId*/) { next_ = 0; }

unsigned GlyphPathSource::vertex(double* x, double* y) {
  if (next_ >= commands_.size()) return kStop;
  *x = vertices_[2 * next_];
  *y = vertices_[2 * next_ + 1];
  return commands_[next_++];
}

double FixedToDouble(platform::FIXED f) { return f.value + f.fract / 65536.0; }

void AppendGlyphOutline(GlyphPathSource* path, const platform::GlyphOutline& outline,
                        double baseline) {
  auto add = [&](unsigned command, const platform::POINTFX& p) {
    path->Add(command, FixedToDouble(p.x), FixedToDouble(p.y) + baseline);
  };
  for (const platform::GlyphContour& contour : outline.contours) {
    add(GlyphPathSource::kMoveTo, contour.start);
    for (const platform::GlyphCurve& curve : contour.curves) {
      const auto& p = curve.points;
      switch (curve.type) {
        case platform::TT_PRIM_LINE:
          for (const auto& point : p) add(GlyphPathSource::kLineTo, point);
          break;
        case platform::TT_PRIM_QSPLINE:
          // Between two off-curve points lies an implied on-curve point at their midpoint.
          for (std::size_t k = 0; k + 1 < p.size(); ++k) {
            add(GlyphPathSource::kCurve3, p[k]);
            if (k + 2 == p.size()) {
              add(GlyphPathSource::kCurve3, p[k + 1]);
            } else {
              add(GlyphPathSource::kCurve3,
                  platform::POINTFX{Midpoint(p[k].x, p[k + 1].x), Midpoint(p[k].y, p[k + 1].y)});
            }
          }
          break;
        case platform::TT_PRIM_CSPLINE:
          for (std::size_t k = 0; k + 2 < p.size(); k += 3) {
            add(GlyphPathSource::kCurve4, p[k]);
            add(GlyphPathSource::kCurve4, p[k + 1]);
            add(GlyphPathSource::kCurve4, p[k + 2]);
          }
          break;
        default:
          break;
      }
    }
    path->Add(GlyphPathSource::kEndPoly, 0, 0);
  }
}

bool DecodeGlyphOutline(GlyphPathSource* path, IMFont& font, bool underline, wchar_t ch) {
  path->Reset();
  const platform::TEXTMETRICW& tm = font.metrics();
  platform::ABC abc = font.GetCharAdvance(ch);
  path->cellHeight = tm.tmHeight;
  path->cellWidth = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;

  const IMFont::GlyphEntry& glyph = font.GetGlyphEntry(ch);
  if (!glyph.ok) return false;
  const platform::GLYPHMETRICS& metrics = glyph.outline.metrics;
  path->origin = metrics.gmptGlyphOrigin;
  path->blackBoxX = metrics.gmBlackBoxX;
  path->blackBoxY = metrics.gmBlackBoxY;
  path->cellIncX = metrics.gmCellIncX;
  path->cellIncY = metrics.gmCellIncY;

  const double descent = tm.tmDescent;
  AppendGlyphOutline(path, glyph.outline, descent);

  if (underline) {
    const double top = descent * 0.5;
    const double bottom = descent / 15.0;
    path->Add(GlyphPathSource::kMoveTo, 0, top);
    path->Add(GlyphPathSource::kLineTo, path->cellWidth, top);
    path->Add(GlyphPathSource::kLineTo, path->cellWidth, bottom);
    path->Add(GlyphPathSource::kLineTo, 0, bottom);
    path->Add(GlyphPathSource::kEndPoly, 0, 0);
  }
  path->Add(GlyphPathSource::kStop, 0, 0);
  return true;
}
