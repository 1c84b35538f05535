#pragma once
// The built-in skin: the pictures the framework's buttons, scroll bars, check boxes and edit
// bars are drawn from. Registered in this order, they hold the first ids.

#include <array>
#include <string>
#include <string_view>

inline constexpr std::size_t kSkinPictureCount = 57;
extern const std::array<std::wstring_view, kSkinPictureCount> kSkinPictureNames;

// The debug line for a skin picture that could not be made: its id stays empty for good.
void ReportMissingSkinPicture(const std::wstring& name);
