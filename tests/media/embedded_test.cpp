#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "media/embedded.h"
#include "media_decoders.h"

namespace {

bool StartsWith(std::span<const unsigned char> data, const char* magic) {
  const std::size_t n = std::strlen(magic);
  return data.size() >= n && std::memcmp(data.data(), magic, n) == 0;
}

bool IsTheora(std::span<const unsigned char> data) {
  // The first page of an Ogg Theora file carries the "\x80theora" identification header.
  const std::size_t limit = std::min<std::size_t>(data.size(), 256);
  const char* header = "\x80theora";
  for (std::size_t i = 0; i + 7 <= limit; ++i) {
    if (std::memcmp(data.data() + i, header, 7) == 0) return true;
  }
  return false;
}

// Whatever lies in the media folders is handed to the program's decoders: every file must be a
// picture, a voice or a clip that decodes.
void ExpectDecodes(const media::Entry& entry) {
  const std::string name(entry.name.begin(), entry.name.end());
  SCOPED_TRACE(name);
  std::string error;
  if (StartsWith(entry.data, "\x89PNG")) {
    EXPECT_TRUE(media_test::DecodePng(entry.data, &error)) << error;
  } else if (StartsWith(entry.data, "OggS") && IsTheora(entry.data)) {
    EXPECT_TRUE(media_test::DecodeTheora(entry.data, &error)) << error;
  } else if (StartsWith(entry.data, "OggS")) {
    EXPECT_TRUE(media_test::DecodeVorbis(entry.data, &error)) << error;
  } else {
    ADD_FAILURE() << "neither PNG nor Ogg";
  }
}

TEST(EmbeddedMedia, EveryFileDecodes) {
  ASSERT_FALSE(media::BuiltIn().empty());
  ASSERT_FALSE(media::Resources().empty());
  for (const media::Entry& entry : media::BuiltIn()) ExpectDecodes(entry);
  for (const media::Entry& entry : media::Resources()) ExpectDecodes(entry);
}

TEST(EmbeddedMedia, ResourcesAreNumbered) {
  for (const media::Entry& entry : media::Resources()) {
    const std::string name(entry.name.begin(), entry.name.end());
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos) << name;
  }
}

}  // namespace
