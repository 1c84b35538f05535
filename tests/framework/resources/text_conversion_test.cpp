#include "framework/resources/text_conversion.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace {

// The C library's own Windows-1251 converter, as an independent reference: the character a
// byte stands for, or 0 when it has none.
char32_t ReferenceChar(unsigned char byte) {
  iconv_t cd = ::iconv_open("UTF-32LE", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[4] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t inLeft = 1, outLeft = 4;
  const size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  ::iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return 0;
  return out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
}

}  // namespace

TEST(TextConversionTest, TheTableIsWindows1251) {
  if (ReferenceChar('A') != U'A') GTEST_SKIP() << "the C library has no CP1251 converter";
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char32_t reference = ReferenceChar(static_cast<unsigned char>(byte));
    const char c = static_cast<char>(byte);
    if (reference == 0 && byte != 0) {
      // 0x98 has no character: it stands for U+0098 both ways so that every byte round-trips.
      EXPECT_EQ(byte, 0x98u);
      EXPECT_EQ(WidenChar(c), L'\x98');
    } else {
      EXPECT_EQ(static_cast<char32_t>(WidenChar(c)), reference) << "byte " << byte;
    }
    if (byte != '"') {
      EXPECT_EQ(NarrowChar(WidenChar(c)), c) << "byte " << byte;
    }
  }
}

TEST(TextConversionTest, NarrowingReplacesTheDoubleQuoteAndWhatTheCodePageLacks) {
  EXPECT_EQ(NarrowChar(L'"'), '\'');
  EXPECT_EQ(NarrowChar(L'Ж'), '\xC6');
  EXPECT_EQ(NarrowChar(L'ё'), '\xB8');
  EXPECT_EQ(NarrowChar(L'№'), '\xB9');
  for (wchar_t lacking : {L'中', L'ä', L'\x2028', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x1F600),
                          static_cast<wchar_t>(0x110000)}) {
    EXPECT_EQ(NarrowChar(lacking), '?') << static_cast<unsigned>(lacking);
  }
  // Character by character, so lengths never change.
  EXPECT_EQ(NarrowString(L"Иван \"Ü\""), "\xC8\xE2\xE0\xED '?'");
  EXPECT_EQ(NarrowString(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(WidenString("\xC8\xE2\xE0\xED \xAB\xBB"), L"Иван «»");
  EXPECT_EQ(RestrictToCodePage(L"\"Ёлка\" 中 €"), L"'Ёлка' ? €");
}
