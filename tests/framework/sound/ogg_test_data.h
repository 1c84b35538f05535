#pragma once
// Ogg Vorbis data made and damaged on purpose: tones encoded in any format, split into small
// pages, and page edits sealed with a fresh checksum, so that only the edit under test is wrong.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include <vorbis/vorbisenc.h>

using OggBytes = std::vector<unsigned char>;

// A tone of `seconds` in pages of about `pageBytes` bytes of packets.
inline OggBytes EncodeTone(int channels, long rate, double seconds, int serial, int pageBytes = 1024) {
  OggBytes out;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, 0.1f) != 0) {
    ADD_FAILURE() << "cannot encode " << channels << " channels at " << rate;
    vorbis_info_clear(&info);
    return out;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);
  ogg_page page;
  const auto append = [&] {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };

  ogg_packet id, tags, setup;
  vorbis_analysis_headerout(&dsp, &comment, &id, &tags, &setup);
  for (ogg_packet* header : {&id, &tags, &setup}) ogg_stream_packetin(&stream, header);
  while (ogg_stream_flush(&stream, &page)) append();

  const long frames = std::lround(seconds * static_cast<double>(rate));
  for (long done = 0; done <= frames;) {
    const long n = std::min(1024L, frames - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (int c = 0; c < channels; ++c) {
        for (long i = 0; i < n; ++i) {
          buffer[c][i] = 0.4f * static_cast<float>(std::sin(2.0 * std::numbers::pi * (220.0 + 55.0 * c) * (done + i) / rate));
        }
      }
    }
    vorbis_analysis_wrote(&dsp, static_cast<int>(n));  // 0: the end
    done += n > 0 ? n : 1;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout_fill(&stream, &page, pageBytes)) append();
      }
    }
  }
  while (ogg_stream_flush(&stream, &page)) append();

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

struct OggPageAt {
  std::size_t offset;
  std::size_t size;
  std::size_t body;  // where the packet data starts
};

// The pages of well-formed data, in order.
inline std::vector<OggPageAt> OggPages(const OggBytes& bytes) {
  std::vector<OggPageAt> pages;
  for (std::size_t at = 0; at + 27 <= bytes.size();) {
    const std::size_t segments = bytes[at + 26];
    std::size_t size = 27 + segments;
    for (std::size_t i = 0; i < segments; ++i) size += bytes[at + 27 + i];
    pages.push_back({at, size, at + 27 + segments});
    at += size;
  }
  return pages;
}

// Recomputes the page's checksum after an edit.
inline void SealPage(OggBytes& bytes, const OggPageAt& page) {
  std::memset(&bytes[page.offset + 22], 0, 4);
  std::uint32_t crc = 0;
  for (std::size_t i = page.offset; i < page.offset + page.size; ++i) {
    crc ^= std::uint32_t{bytes[i]} << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
  }
  for (int i = 0; i < 4; ++i) bytes[page.offset + 22 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

inline std::int64_t Granule(const OggBytes& bytes, const OggPageAt& page) {
  std::uint64_t granule = 0;
  for (int i = 7; i >= 0; --i) granule = granule << 8 | bytes[page.offset + 6 + i];
  return static_cast<std::int64_t>(granule);
}

inline void SetGranule(OggBytes& bytes, const OggPageAt& page, std::int64_t granule) {
  for (int i = 0; i < 8; ++i) {
    bytes[page.offset + 6 + i] = static_cast<unsigned char>(static_cast<std::uint64_t>(granule) >> (8 * i));
  }
  SealPage(bytes, page);
}

// The identification header's sample rate, which nothing else in the stream depends on.
inline void SetHeaderRate(OggBytes& bytes, std::uint32_t rate) {
  const OggPageAt first = OggPages(bytes).front();
  for (int i = 0; i < 4; ++i) bytes[first.body + 12 + i] = static_cast<unsigned char>(rate >> (8 * i));
  SealPage(bytes, first);
}
