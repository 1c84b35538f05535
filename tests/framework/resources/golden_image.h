#pragma once
// Golden frames: a presented frame compared with a committed PNG under golden/, with a small
// per-channel tolerance. IM_UPDATE_GOLDENS=1 in the environment writes the frame as the new
// golden instead (look at it before committing).

#include <filesystem>
#include <string>

#include "framework/platform/headless/headless.h"

namespace test_support {

// Empty when the frame matches; otherwise what differs.
std::string CompareWithGolden(const platform::headless::Frame& frame, const std::string& name, int tolerance = 2);
// The same with the goldens in another folder (the calling test's own golden/).
std::string CompareWithGoldenIn(const std::filesystem::path& folder, const platform::headless::Frame& frame,
                                const std::string& name, int tolerance = 2);
bool WritePng(const platform::headless::Frame& frame, const std::string& path);

}  // namespace test_support
