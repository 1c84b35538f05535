#pragma once
// The view that shows text: one record per character, each drawn from a glyph texture shared
// by all characters of the same key, laid out on one line or wrapped at blanks inside the
// view's width.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/platform/win_types.h"
#include "framework/views/text_char.h"
#include "framework/views/view.h"

class IMTextView : public IMView {
 public:
  IMTextView() = default;
  ~IMTextView() override;

  void SetText(const std::wstring& text);
  // Nothing when the position is negative or past the end.
  virtual void InsertText(int position, const std::wstring& text);
  // The count stops at the end of the text.
  virtual void EraseText(int position, int count);
  // Used by the text edit; re-renders and lays out again when the glyph's size changed.
  void SetCharAt(int index, wchar_t character);

  // Each given value goes to the view and to every character; absent values are kept.
  void SetFormat(std::optional<DWORD> colour = std::nullopt, std::optional<bool> underline = std::nullopt,
                 std::optional<bool> bold = std::nullopt, std::optional<bool> italic = std::nullopt,
                 std::optional<int> size = std::nullopt, std::optional<std::wstring> face = std::nullopt,
                 std::optional<DWORD> backColour = std::nullopt);
  void SetColor(DWORD value) { SetFormat(value); }
  void SetBackColor(DWORD value) { SetFormat(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                            std::nullopt, value); }
  void SetFontSize(int value) { SetFormat(std::nullopt, std::nullopt, std::nullopt, std::nullopt, value); }
  void SetBold(bool value) { SetFormat(std::nullopt, std::nullopt, value); }

  // Gives the character the given format and the glyph texture of its new key. True when the
  // glyph's image changed size, so the caller must lay out again (Layout(0)).
  bool ApplyFormatToChar(IMTextChar& character, std::optional<DWORD> colour = std::nullopt,
                         std::optional<bool> underline = std::nullopt, std::optional<bool> bold = std::nullopt,
                         std::optional<bool> italic = std::nullopt, std::optional<int> size = std::nullopt,
                         const std::optional<std::wstring>& face = std::nullopt,
                         std::optional<DWORD> backColour = std::nullopt);

  // Places the characters from the position on; the earlier ones keep their places. The
  // source rectangle becomes the content's extent.
  void Layout(int position);

  std::wstring GetText() const;
  std::vector<int> GetLineStarts() const { return lineStarts_; }
  int GetCharCount() const { return static_cast<int>(chars_.size()); }
  // Null when the index is out of range.
  IMTextChar* GetTextChar(int index);
  // 0 when the index is out of range.
  wchar_t GetCharAt(int index) const;
  DWORD GetCharColor(int index) const;
  // Empty when the index is out of range.
  std::wstring GetCharFace(int index) const;
  // {0,0,0,0} when the index is out of range.
  RECT GetCharRect(int index) const;

  DWORD GetColor() const { return colour_; }
  DWORD GetBackColor() const { return backColour_; }
  bool GetUnderline() const { return underline_; }
  bool GetBold() const { return bold_; }
  bool GetItalic() const { return italic_; }
  int GetFontSize() const { return size_; }
  const std::wstring& GetFace() const { return face_; }

  // Draws the glyphs of the lines inside the view and the device's viewport, clipped to both.
  void Draw() override;

  // Set by the owning control before it inserts text.
  bool wrap = false;
  bool whitespaceGlyphs = false;
  int minLineHeight = 16;

 private:
  // Gives the character the glyph texture of its key (whitespace pictures included).
  void AssignGlyph(IMTextChar& character) const;
  const IMTextChar* At(int index) const;

  DWORD colour_ = 0xFFFFFFFF;
  // A fully transparent grey: filtered glyph edges blend towards grey, not black.
  DWORD backColour_ = 0x00AFAFAF;
  bool underline_ = false;
  bool bold_ = false;
  bool italic_ = false;
  int size_ = 16;
  std::wstring face_ = L"Arial";
  std::vector<std::unique_ptr<IMTextChar>> chars_;
  std::vector<int> lineStarts_{0};
};
