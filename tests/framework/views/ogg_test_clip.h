#pragma once
// Ogg clips taken apart and put together again with libogg, to make broken and cut variants
// of a good clip whose pages still pass their checksums.

#include <ogg/ogg.h>

#include <cstring>
#include <span>
#include <vector>

namespace ogg_test {

using Bytes = std::vector<unsigned char>;

// The packets of the clip's first logical stream, in order.
inline std::vector<Bytes> Packets(std::span<const unsigned char> clip) {
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  char* buffer = ogg_sync_buffer(&sync, static_cast<long>(clip.size()));
  std::memcpy(buffer, clip.data(), clip.size());
  ogg_sync_wrote(&sync, static_cast<long>(clip.size()));
  ogg_stream_state stream;
  bool started = false;
  std::vector<Bytes> packets;
  ogg_page page;
  while (ogg_sync_pageout(&sync, &page) == 1) {
    if (!started) {
      ogg_stream_init(&stream, ogg_page_serialno(&page));
      started = true;
    }
    if (ogg_stream_pagein(&stream, &page) != 0) continue;
    ogg_packet packet;
    while (ogg_stream_packetout(&stream, &packet) == 1) packets.emplace_back(packet.packet, packet.packet + packet.bytes);
  }
  if (started) ogg_stream_clear(&stream);
  ogg_sync_clear(&sync);
  return packets;
}

// One stream of the packets; each of the first `ownPages` packets on a page of its own.
inline Bytes Pack(const std::vector<Bytes>& packets, int ownPages = 3) {
  ogg_stream_state stream;
  ogg_stream_init(&stream, 1);
  Bytes out;
  auto append = [&out](const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_page page;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    ogg_packet packet{};
    packet.packet = const_cast<unsigned char*>(packets[i].data());
    packet.bytes = static_cast<long>(packets[i].size());
    packet.b_o_s = i == 0;
    packet.e_o_s = i + 1 == packets.size();
    packet.granulepos = -1;
    packet.packetno = static_cast<ogg_int64_t>(i);
    ogg_stream_packetin(&stream, &packet);
    if (static_cast<int>(i) < ownPages) {
      while (ogg_stream_flush(&stream, &page)) append(page);
    } else {
      while (ogg_stream_pageout(&stream, &page)) append(page);
    }
  }
  while (ogg_stream_flush(&stream, &page)) append(page);
  ogg_stream_clear(&stream);
  return out;
}

// The clip with byte `offset` of its first page's header set to `value`, checksum made good.
inline Bytes WithFirstPageHeaderByte(std::span<const unsigned char> clip, std::size_t offset, unsigned char value) {
  Bytes out(clip.begin(), clip.end());
  const std::size_t headerLength = 27 + out[26];
  std::size_t bodyLength = 0;
  for (std::size_t i = 0; i < out[26]; ++i) bodyLength += out[27 + i];
  out[offset] = value;
  ogg_page page{out.data(), static_cast<long>(headerLength), out.data() + headerLength, static_cast<long>(bodyLength)};
  ogg_page_checksum_set(&page);
  return out;
}

}  // namespace ogg_test
