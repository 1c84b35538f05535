#pragma once
// The media built into the program: named pictures, voices and clips, and the numbered
// resources. The bytes live in the program image for its whole life.

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace media {

struct Entry {
  std::wstring_view name;
  std::span<const unsigned char> data;
};

// Built-in media by fixed name ("DefaultBackGround", "MOUSE", "bravo_sound"); empty when unknown.
std::span<const unsigned char> FindBuiltIn(std::wstring_view name);
// The program's numbered resources ("102", "110"); empty when unknown.
std::span<const unsigned char> FindResource(unsigned number);

const std::vector<Entry>& BuiltIn();
const std::vector<Entry>& Resources();

}  // namespace media
