#include "framework/views/text_view.h"

#include <algorithm>

#include "framework/resources/resource_manager.h"
#include "framework/views/text_layout.h"
#include "media/embedded.h"

namespace {

bool IsWhitespace(wchar_t ch) { return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n'; }

// The built-in picture that shows a whitespace character.
const wchar_t* WhitespacePicture(wchar_t ch, bool symbols) {
  if (!symbols) return L"WhitespaceLineFeed";  // a line feed is a 1x1 dot
  switch (ch) {
    case L' ':
      return L"WhitespaceBlank";
    case L'\t':
      return L"WhitespaceTab";
    default:
      return L"WhitespaceLineBreak";
  }
}

// The image size of a glyph texture; nothing for a texture that could not be made.
void GlyphSize(const IMResourceManager* rm, std::uint32_t id, int* width, int* height) {
  const IMTextureRecord* record = rm ? rm->GetTextureRecord(id) : nullptr;
  *width = record ? record->imageRect.right - record->imageRect.left : 0;
  *height = record ? record->imageRect.bottom - record->imageRect.top : 0;
}

}  // namespace

IMTextView::~IMTextView() {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return;
  for (const auto& c : chars_) rm->ReleaseTexture(c->textureId);
}

void IMTextView::AssignGlyph(IMTextChar& c) const {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return;
  const bool ws = IsWhitespace(c.character);
  const std::uint8_t flag = ws && whitespaceGlyphs ? 1 : 0;
  if (c.whitespaceFlag != flag) {
    c.whitespaceFlag = flag;
    c.MakeKey();
  }
  if (ws && (whitespaceGlyphs || c.character == L'\n')) {
    const auto picture = media::FindBuiltIn(WhitespacePicture(c.character, whitespaceGlyphs));
    c.textureId = rm->RegisterTexture(c.key, picture.data(), static_cast<unsigned>(picture.size()));
    return;
  }
  // Tab and carriage return show as a blank, under their own key.
  const std::wstring text(1, ws ? L' ' : c.character);
  c.textureId = rm->CreateTextTexture(c.key, text, nullptr, c.colour, c.size, c.face, c.italic, c.bold,
                                      c.underline, c.backColour);
}

void IMTextView::SetText(const std::wstring& text) {
  IMResourceManager* rm = IMResourceManager::Instance();
  // By id, not by key: a character whose texture could not be made holds no reference that
  // another view's texture of the same key could lose.
  for (const auto& c : chars_) {
    if (rm) rm->ReleaseTexture(c->textureId);
  }
  chars_.clear();
  SetSourceRect(RECT{0, 0, 0, 0});
  InsertText(0, text);
}

void IMTextView::InsertText(int position, const std::wstring& text) {
  if (position < 0 || position > GetCharCount()) return;
  std::vector<std::unique_ptr<IMTextChar>> added;
  added.reserve(text.size());
  for (wchar_t ch : text) {
    auto c = std::make_unique<IMTextChar>(RECT{0, 0, 0, 0}, ch, colour_, underline_, bold_, italic_, size_, face_,
                                          backColour_);
    AssignGlyph(*c);
    added.push_back(std::move(c));
  }
  chars_.insert(chars_.begin() + position, std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
  Layout(position);
  SetChanged(true);
}

void IMTextView::EraseText(int position, int count) {
  if (position < 0 || position > GetCharCount()) return;
  const int end = count > 0 ? std::min(GetCharCount(), position + std::min(count, GetCharCount())) : position;
  IMResourceManager* rm = IMResourceManager::Instance();
  for (int i = position; i < end; ++i) {
    if (rm) rm->ReleaseTexture(chars_[static_cast<std::size_t>(i)]->textureId);
  }
  chars_.erase(chars_.begin() + position, chars_.begin() + end);
  Layout(position);
  SetChanged(true);
}

void IMTextView::SetCharAt(int index, wchar_t character) {
  IMTextChar* c = GetTextChar(index);
  if (!c) return;
  if (c->character != character) {
    c->character = character;
    c->MakeKey();
  }
  SetFormat();
}

void IMTextView::SetFormat(std::optional<DWORD> colour, std::optional<bool> underline, std::optional<bool> bold,
                           std::optional<bool> italic, std::optional<int> size, std::optional<std::wstring> face,
                           std::optional<DWORD> backColour) {
  if (colour) colour_ = *colour;
  if (underline) underline_ = *underline;
  if (bold) bold_ = *bold;
  if (italic) italic_ = *italic;
  if (size) size_ = *size;
  if (face) face_ = *face;
  if (backColour) backColour_ = *backColour;
  bool resized = false;
  for (const auto& c : chars_) {
    resized = ApplyFormatToChar(*c, colour, underline, bold, italic, size, face, backColour) || resized;
  }
  // A change of colour alone keeps every glyph's size, and so every place.
  if (resized) Layout(0);
  SetChanged(true);
}

bool IMTextView::ApplyFormatToChar(IMTextChar& c, std::optional<DWORD> colour, std::optional<bool> underline,
                                   std::optional<bool> bold, std::optional<bool> italic, std::optional<int> size,
                                   const std::optional<std::wstring>& face, std::optional<DWORD> backColour) {
  if (colour && c.colour != *colour) c.colour = *colour;
  if (underline && c.underline != *underline) c.underline = *underline;
  if (bold && c.bold != *bold) c.bold = *bold;
  if (italic && c.italic != *italic) c.italic = *italic;
  if (size && c.size != *size) c.size = *size;
  if (face && c.face != *face) c.face = *face;
  if (backColour && c.backColour != *backColour) c.backColour = *backColour;
  c.MakeKey();

  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return false;
  const std::uint32_t old = c.textureId;
  int oldWidth = 0, oldHeight = 0;
  GlyphSize(rm, old, &oldWidth, &oldHeight);
  // The new texture first: with an unchanged key the old one must not be freed in between.
  AssignGlyph(c);
  rm->ReleaseTexture(old);
  int width = 0, height = 0;
  GlyphSize(rm, c.textureId, &width, &height);
  return width != oldWidth || height != oldHeight;
}

void IMTextView::Layout(int position) {
  const IMResourceManager* rm = IMResourceManager::Instance();
  std::vector<LayoutGlyph> glyphs(chars_.size());
  for (std::size_t i = 0; i < chars_.size(); ++i) {
    const IMTextChar& c = *chars_[i];
    LayoutGlyph& g = glyphs[i];
    g.ch = c.character;
    g.rect = c.rect;
    GlyphSize(rm, c.textureId, &g.width, &g.height);
  }
  TextLayoutParams params;
  params.wrap = wrap;
  params.viewWidth = GetWidth();
  params.minLineHeight = minLineHeight;
  const TextContentSize content = LayoutText(glyphs, lineStarts_, position, params);
  for (std::size_t i = 0; i < chars_.size(); ++i) chars_[i]->rect = glyphs[i].rect;
  SetSourceRect(RECT{0, 0, content.width, content.height});
}

std::wstring IMTextView::GetText() const {
  std::wstring text;
  text.reserve(chars_.size());
  for (const auto& c : chars_) text += c->character;
  return text;
}

const IMTextChar* IMTextView::At(int index) const {
  return index >= 0 && index < GetCharCount() ? chars_[static_cast<std::size_t>(index)].get() : nullptr;
}

IMTextChar* IMTextView::GetTextChar(int index) { return const_cast<IMTextChar*>(At(index)); }

wchar_t IMTextView::GetCharAt(int index) const {
  const IMTextChar* c = At(index);
  return c ? c->character : 0;
}

DWORD IMTextView::GetCharColor(int index) const {
  const IMTextChar* c = At(index);
  return c ? c->colour : 0;
}

std::wstring IMTextView::GetCharFace(int index) const {
  const IMTextChar* c = At(index);
  return c ? c->face : std::wstring();
}

RECT IMTextView::GetCharRect(int index) const {
  const IMTextChar* c = At(index);
  return c ? c->rect : RECT{0, 0, 0, 0};
}

void IMTextView::Draw() {
  IMResourceManager* rm = IMResourceManager::Instance();
  platform::Device* device = rm ? rm->GetDevice() : nullptr;
  if (!device) {
    changed = false;
    return;
  }
  platform::Viewport saved;
  device->GetViewport(&saved);
  const RECT r = GetRect();
  const RECT absolute{r.left + rm->drawOriginX, r.top + rm->drawOriginY, r.right + rm->drawOriginX,
                      r.bottom + rm->drawOriginY};
  const RECT clip{std::max(absolute.left, static_cast<int>(saved.X)), std::max(absolute.top, static_cast<int>(saved.Y)),
                  std::min(absolute.right, static_cast<int>(saved.X + saved.Width)),
                  std::min(absolute.bottom, static_cast<int>(saved.Y + saved.Height))};
  if (IsRectEmpty(clip) || chars_.empty()) {
    changed = false;
    return;
  }
  device->SetViewport(platform::Viewport{static_cast<DWORD>(clip.left), static_cast<DWORD>(clip.top),
                                         static_cast<DWORD>(clip.right - clip.left),
                                         static_cast<DWORD>(clip.bottom - clip.top), 0.0f, 1.0f});
  const int savedX = rm->drawOriginX;
  const int savedY = rm->drawOriginY;
  rm->drawOriginX = absolute.left;
  rm->drawOriginY = absolute.top;

  // Lines are in order of their tops: bisect for those that reach into the clip. Only the
  // last line may start at the end of the text, and the bisections never look at it.
  const int lines = static_cast<int>(lineStarts_.size());
  auto top = [&](int k) {
    const int start = lineStarts_[static_cast<std::size_t>(k)];
    return chars_[static_cast<std::size_t>(start)]->rect.top + absolute.top;
  };
  int lo = 0, hi = lines - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    (top(mid) >= clip.bottom ? hi : lo) = mid;
  }
  const int last = hi;
  lo = 0;
  hi = lines - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    (top(mid) <= clip.top ? lo : hi) = mid;
  }
  const int first = lo;
  const int from = lineStarts_[static_cast<std::size_t>(first)];
  const int to = last == lines - 1 ? GetCharCount() : lineStarts_[static_cast<std::size_t>(last)];
  for (int i = from; i < to; ++i) {
    const IMTextChar& c = *chars_[static_cast<std::size_t>(i)];
    rm->DrawTexture(c.textureId, &c.rect, nullptr, 0xFFFFFFFF, 0.0f);
  }

  rm->drawOriginX = savedX;
  rm->drawOriginY = savedY;
  device->SetViewport(saved);
  changed = false;
}
