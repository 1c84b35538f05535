// Fonts through fontconfig (face matching) and FreeType (metrics, widths, hinted outlines),
// reporting sizes the way the system's own text services do for a cell height: the em is
// scaled so that the font's Windows ascent plus descent fill the cell, at a whole pixel size.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <future>
#include <memory>
#include <mutex>

#include "framework/platform/fonts.h"
#include "framework/platform/utf.h"

namespace platform {

namespace {

// Sizes beyond this are refused by the system too; it also keeps every outline point inside
// the 16-bit integer part of the fixed-point format.
constexpr int kMaxCellHeight = 16384;
constexpr int kDefaultCellHeight = 16;

class FontSystem {
 public:
  // Shared with every font, so that fonts that outlive the process-wide reference (a cache
  // destroyed at exit) still close their faces before the library goes.
  static std::shared_ptr<FontSystem> Instance() {
    static std::shared_ptr<FontSystem> system(new FontSystem());
    return system;
  }
  ~FontSystem() {
    if (config_) FcConfigDestroy(config_);
    FcFini();
    if (library_) FT_Done_FreeType(library_);
  }

  FT_Library library() const { return library_; }
  FcConfig* config() const { return config_; }

 private:
  FontSystem() {
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
    } else {
      // Full hinting in both directions, as the system hints the outlines it hands out; the
      // newer interpreter snaps only vertically and leaves vertical stems blurred.
      FT_UInt version = TT_INTERPRETER_VERSION_35;
      FT_Property_Set(library_, "truetype", "interpreter-version", &version);
    }
    config_ = FcInitLoadConfigAndFonts();
  }

  FT_Library library_ = nullptr;
  FcConfig* config_ = nullptr;
};

// The worker of PrepareFonts; destroying it at exit waits for it.
std::future<void> g_preparing;
std::once_flag g_prepareOnce;

}  // namespace

void PrepareFonts() {
  std::call_once(g_prepareOnce, [] { g_preparing = std::async(std::launch::async, [] { FontSystem::Instance(); }); });
}

struct FontObject {
  std::shared_ptr<FontSystem> system;
  FT_Face face = nullptr;
  std::string file;
  TEXTMETRICW metrics;
  bool syntheticBold = false;
  bool syntheticItalic = false;

  ~FontObject() {
    if (face) FT_Done_Face(face);
  }
};

namespace {

struct MatchedFace {
  std::string file;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

bool MatchFace(const std::wstring& face, bool bold, bool italic, MatchedFace* out) {
  FcConfig* config = FontSystem::Instance()->config();
  if (!config) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  std::string family = ToUtf8(face);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;

  bool found = false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    out->file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &out->index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &out->weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &out->slant);
    found = true;
  }
  FcPatternDestroy(match);
  return found;
}

long RoundDiv(long long numerator, long long denominator) {
  return static_cast<long>(std::llround(static_cast<double>(numerator) / denominator));
}

// Reads the cell metrics from the Windows ascent and descent, which is what the system's
// scaler fits into the cell; fonts without them fall back to the horizontal header.
bool SetCellSize(FontObject* font, int cellHeight, int weight, bool italic, bool underline) {
  FT_Face face = font->face;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const TT_HoriHeader* hhea =
      static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  long upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  long winAscent = face->ascender;
  long winDescent = -face->descender;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
  }
  long span = winAscent + winDescent;
  if (span <= 0) return false;

  long ppem = 0;
  long ascent = 0;
  long descent = 0;
  if (cellHeight > 0) {
    ppem = std::max(1L, RoundDiv(static_cast<long long>(cellHeight) * upem, span));
    ascent = RoundDiv(static_cast<long long>(cellHeight) * winAscent, span);
    descent = cellHeight - ascent;
  } else {
    // A negative height asks for the em itself.
    ppem = -cellHeight;
    ascent = RoundDiv(winAscent * ppem, upem);
    descent = RoundDiv(winDescent * ppem, upem);
  }
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) return false;

  TEXTMETRICW& tm = font->metrics;
  tm.tmHeight = static_cast<std::int32_t>(ascent + descent);
  tm.tmAscent = static_cast<std::int32_t>(ascent);
  tm.tmDescent = static_cast<std::int32_t>(descent);
  tm.tmInternalLeading = static_cast<std::int32_t>(std::max(0L, tm.tmHeight - ppem));
  long lineGap = 0;
  if (hhea) {
    long hheaSpan = hhea->Ascender - hhea->Descender;
    lineGap = std::max(0L, hhea->Line_Gap - (span - hheaSpan));
  }
  tm.tmExternalLeading = static_cast<std::int32_t>(RoundDiv(lineGap * ppem, upem));
  long average = os2 && os2->version != 0xFFFF ? os2->xAvgCharWidth : face->max_advance_width / 2;
  tm.tmAveCharWidth = static_cast<std::int32_t>(RoundDiv(average * ppem, upem));
  tm.tmMaxCharWidth = static_cast<std::int32_t>(RoundDiv(face->max_advance_width * ppem, upem));
  tm.tmWeight = weight >= FW_BOLD ? FW_BOLD : FW_NORMAL;
  tm.tmItalic = italic ? 1 : 0;
  tm.tmUnderlined = underline ? 1 : 0;
  tm.tmCharSet = RUSSIAN_CHARSET;
  return true;
}

// Loads the glyph into the face's slot, hinted, with any synthesised style applied.
// Returns the advance in whole pixels, or -1 on failure.
long LoadGlyph(FontObject* font, FT_UInt index) {
  FT_Face face = font->face;
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return -1;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return -1;
  long advance = (slot->advance.x + 32) >> 6;
  if (font->syntheticItalic) {
    FT_Matrix shear{0x10000, 0x3333, 0, 0x10000};  // x += 0.2 y
    FT_Outline_Transform(&slot->outline, &shear);
  }
  if (font->syntheticBold) {
    // One pixel wider, as an overstruck face is.
    FT_Outline_EmboldenXY(&slot->outline, 64, 0);
    advance += 1;
  }
  return advance;
}

bool InFixedRange(const FT_Vector* v) {
  constexpr long kLimit = 32767L * 64;
  return v->x > -kLimit && v->x < kLimit && v->y > -kLimit && v->y < kLimit;
}

POINTFX ToPointFx(const FT_Vector* v) {
  // 26.6 to 16.16.
  return POINTFX{ToFixed(static_cast<std::int32_t>(v->x * 1024)),
                 ToFixed(static_cast<std::int32_t>(v->y * 1024))};
}

struct OutlineBuilder {
  std::vector<GlyphContour>* contours;
  bool overflow = false;

  GlyphCurve& Curve(WORD type, bool extend) {
    auto& curves = contours->back().curves;
    if (!extend || curves.empty() || curves.back().type != type) {
      curves.push_back(GlyphCurve{type, {}});
    }
    return curves.back();
  }
  bool Check(std::initializer_list<const FT_Vector*> points) {
    for (const FT_Vector* p : points) {
      if (!InFixedRange(p)) overflow = true;
    }
    return !overflow && !contours->empty();
  }
};

int MoveTo(const FT_Vector* to, void* user) {
  auto* b = static_cast<OutlineBuilder*>(user);
  if (!InFixedRange(to)) {
    b->overflow = true;
    return 1;
  }
  b->contours->push_back(GlyphContour{ToPointFx(to), {}});
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  auto* b = static_cast<OutlineBuilder*>(user);
  if (!b->Check({to})) return 1;
  b->Curve(TT_PRIM_LINE, true).points.push_back(ToPointFx(to));
  return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* b = static_cast<OutlineBuilder*>(user);
  if (!b->Check({control, to})) return 1;
  auto& points = b->Curve(TT_PRIM_QSPLINE, false).points;
  points.push_back(ToPointFx(control));
  points.push_back(ToPointFx(to));
  return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to,
            void* user) {
  auto* b = static_cast<OutlineBuilder*>(user);
  if (!b->Check({control1, control2, to})) return 1;
  auto& points = b->Curve(TT_PRIM_CSPLINE, false).points;
  points.push_back(ToPointFx(control1));
  points.push_back(ToPointFx(control2));
  points.push_back(ToPointFx(to));
  return 0;
}

void BlackBox(const FT_Outline& outline, long* xMin, long* yMin, long* xMax, long* yMax) {
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  *xMin = box.xMin >> 6;  // floor
  *yMin = box.yMin >> 6;
  *xMax = (box.xMax + 63) >> 6;  // ceiling
  *yMax = (box.yMax + 63) >> 6;
}

}  // namespace

HFONT CreateFontW(const std::wstring& face, int cellHeight, int weight, bool italic,
                  bool underline) {
  std::shared_ptr<FontSystem> system = FontSystem::Instance();
  if (!system->library()) return nullptr;
  if (cellHeight == 0) cellHeight = kDefaultCellHeight;
  cellHeight = std::clamp(cellHeight, -kMaxCellHeight, kMaxCellHeight);
  bool bold = weight >= FW_BOLD;

  MatchedFace matched;
  if (!MatchFace(face, bold, italic, &matched)) return nullptr;
  auto font = std::make_unique<FontObject>();
  font->system = system;
  if (FT_New_Face(system->library(), matched.file.c_str(), matched.index, &font->face) != 0) {
    font->face = nullptr;
    return nullptr;
  }
  if (!FT_IS_SCALABLE(font->face)) return nullptr;
  font->file = matched.file;
  font->syntheticBold = bold && matched.weight < FC_WEIGHT_DEMIBOLD;
  font->syntheticItalic = italic && matched.slant == FC_SLANT_ROMAN;
  if (!SetCellSize(font.get(), cellHeight, weight, italic, underline)) return nullptr;
  return font.release();
}

void DeleteFont(HFONT font) { delete font; }

bool GetTextMetricsW(HFONT font, TEXTMETRICW* out) {
  if (!font || !out) return false;
  *out = font->metrics;
  return true;
}

bool GetCharABCWidthsW(HFONT font, wchar_t ch, ABC* out) {
  if (!font || !out) return false;
  FT_UInt index = FT_Get_Char_Index(font->face, static_cast<FT_ULong>(ch));
  long advance = LoadGlyph(font, index);
  if (advance < 0) return false;
  const FT_Outline& outline = font->face->glyph->outline;
  if (outline.n_points == 0) {
    *out = ABC{0, 0, static_cast<std::int32_t>(advance)};
    return true;
  }
  long xMin, yMin, xMax, yMax;
  BlackBox(outline, &xMin, &yMin, &xMax, &yMax);
  out->abcA = static_cast<std::int32_t>(xMin);
  out->abcB = static_cast<UINT>(xMax - xMin);
  out->abcC = static_cast<std::int32_t>(advance - xMax);
  return true;
}

bool GetGlyphOutlineW(HFONT font, wchar_t ch, GlyphOutline* out) {
  if (!out) return false;
  *out = GlyphOutline{};
  if (!font) return false;
  FT_UInt index = FT_Get_Char_Index(font->face, static_cast<FT_ULong>(ch));
  if (index == 0) return false;
  long advance = LoadGlyph(font, index);
  if (advance < 0) return false;
  FT_Outline& outline = font->face->glyph->outline;

  GLYPHMETRICS& gm = out->metrics;
  gm.gmCellIncX = static_cast<std::int16_t>(advance);
  gm.gmCellIncY = 0;
  if (outline.n_points > 0) {
    long xMin, yMin, xMax, yMax;
    BlackBox(outline, &xMin, &yMin, &xMax, &yMax);
    gm.gmBlackBoxX = static_cast<UINT>(xMax - xMin);
    gm.gmBlackBoxY = static_cast<UINT>(yMax - yMin);
    gm.gmptGlyphOrigin = POINT{static_cast<std::int32_t>(xMin), static_cast<std::int32_t>(yMax)};
  }

  FT_Outline_Funcs funcs{};
  funcs.move_to = MoveTo;
  funcs.line_to = LineTo;
  funcs.conic_to = ConicTo;
  funcs.cubic_to = CubicTo;
  OutlineBuilder builder{&out->contours};
  if (FT_Outline_Decompose(&outline, &funcs, &builder) != 0 || builder.overflow) {
    *out = GlyphOutline{};
    return false;
  }
  return true;
}

std::string FontFilePath(HFONT font) { return font ? font->file : std::string(); }

}  // namespace platform
