#pragma once
// Textures are known by ids, indexes into the resource manager's records.

#include <cstdint>

// The id that names no texture, now or later (the count of ids would name the next one added).
inline constexpr std::uint32_t kNoTexture = 0xFFFFFFFF;
