#pragma once
// UTF-8 <-> wide strings. Paths are UTF-8 on disk; the program's text is wide, one wchar_t per
// character. Text messages and the XML library speak UTF-16, where a character above U+FFFF
// takes a surrogate pair.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

std::string ToUtf8(std::wstring_view text);
// Malformed input becomes U+FFFD, never an exception.
std::wstring FromUtf8(std::string_view text);

constexpr bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
// The character a high and a low surrogate stand for together.
constexpr wchar_t CombineSurrogates(std::uint32_t high, std::uint32_t low) {
  return static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
}
// One character as UTF-16: one unit, or a surrogate pair above U+FFFF.
void AppendUtf16(std::u16string& out, wchar_t c);
// UTF-16 back to one wchar_t per character; a surrogate without its partner stays as it is.
std::wstring FromUtf16(std::u16string_view text);

}  // namespace platform
