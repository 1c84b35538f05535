#pragma once
// UTF-8 <-> wide strings. Paths are UTF-8 on disk; the program's text is wide.

#include <string>
#include <string_view>

namespace platform {

std::string ToUtf8(std::wstring_view text);
// Malformed input becomes U+FFFD, never an exception.
std::wstring FromUtf8(std::string_view text);

}  // namespace platform
