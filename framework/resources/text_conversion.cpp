#include "framework/resources/text_conversion.h"

#include <array>
#include <cstdint>

namespace {

// Bytes 0x80..0xBF; 0xC0..0xFF are А..я in alphabetical order. 0x98 has no character of its own; it stands for U+0098 both ways, as the
// system's own code-page tables do, so every byte round-trips.
constexpr std::array<char16_t, 64> kHighHalf = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u0098', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',
};

constexpr char16_t HighChar(unsigned byte) {
  return byte >= 0xC0 ? static_cast<char16_t>(0x0410 + (byte - 0xC0)) : kHighHalf[byte - 0x80];
}

// Maps a character to its byte, or returns -1 when the code page lacks it.
int ToByte(wchar_t c) {
  const auto code = static_cast<std::uint32_t>(c);
  if (code < 0x80) return static_cast<int>(code);
  if (code >= 0x0410 && code <= 0x044F) return static_cast<int>(0xC0 + (code - 0x0410));
  for (unsigned byte = 0x80; byte < 0xC0; ++byte) {
    if (HighChar(byte) == code) return static_cast<int>(byte);
  }
  return -1;
}

}  // namespace

char NarrowChar(wchar_t c) {
  if (c == L'"') return '\'';
  const int byte = ToByte(c);
  return byte < 0 ? '?' : static_cast<char>(static_cast<unsigned char>(byte));
}

std::string NarrowString(std::wstring_view text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) out[i] = NarrowChar(text[i]);
  return out;
}

wchar_t WidenChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x80 ? static_cast<wchar_t>(byte) : static_cast<wchar_t>(HighChar(byte));
}

std::wstring WidenString(std::string_view text) {
  std::wstring out(text.size(), L'\0');
  for (size_t i = 0; i < text.size(); ++i) out[i] = WidenChar(text[i]);
  return out;
}

std::wstring RestrictToCodePage(std::wstring_view text) {
  std::wstring out(text.size(), L'\0');
  for (size_t i = 0; i < text.size(); ++i) out[i] = WidenChar(NarrowChar(text[i]));
  return out;
}
