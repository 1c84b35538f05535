#include "framework/views/theora_decoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {
constexpr int kFeedBytes = 8192;
// The longest side of a coded frame. The praise clips are 320 x 200; a frame of this side
// takes the decoder about 25 MiB and the view two textures of 16 MiB, each with its copy.
constexpr ogg_uint32_t kMaxFrameSide = 2048;
}  // namespace

IMTheoraDecoder::IMTheoraDecoder() { Init(); }

IMTheoraDecoder::~IMTheoraDecoder() { Clear(); }

void IMTheoraDecoder::Init() {
  // Zeroed libogg records are safe to clear and refuse pages and packets, so a clip without a
  // Theora stream runs into the end of its data instead of into an unset stream.
  std::memset(&stream_, 0, sizeof stream_);
  std::memset(&page_, 0, sizeof page_);
  std::memset(&packet_, 0, sizeof packet_);
  std::memset(&state_, 0, sizeof state_);
  std::memset(&picture_, 0, sizeof picture_);
  ogg_sync_init(&sync_);
  theora_info_init(&info_);
  theora_comment_init(&comment_);
  readPosition_ = 0;
}

void IMTheoraDecoder::Clear() {
  ogg_stream_clear(&stream_);
  theora_clear(&state_);
  theora_comment_clear(&comment_);
  theora_info_clear(&info_);
  ogg_sync_clear(&sync_);
}

void IMTheoraDecoder::Open(const void* data, int size) {
  data_ = static_cast<const unsigned char*>(data);
  size_ = data ? std::max(size, 0) : 0;
  Rewind();
}

void IMTheoraDecoder::Rewind() {
  Clear();
  Init();
  ParseHeaders();
}

bool IMTheoraDecoder::Feed() {
  const int n = std::min(size_ - readPosition_, kFeedBytes);
  if (n <= 0) return false;
  char* buffer = ogg_sync_buffer(&sync_, n);
  if (!buffer) return false;
  std::memcpy(buffer, data_ + readPosition_, static_cast<std::size_t>(n));
  readPosition_ += n;
  ogg_sync_wrote(&sync_, n);
  return true;
}

void IMTheoraDecoder::ParseHeaders() {
  int headers = 0;
  bool searching = true;
  while (searching) {
    if (!Feed()) throw std::runtime_error("eof searched, terminate...");
    while (ogg_sync_pageout(&sync_, &page_) > 0) {
      if (!ogg_page_bos(&page_)) {
        ogg_stream_pagein(&stream_, &page_);
        searching = false;
        break;
      }
      ogg_stream_state test;
      if (ogg_stream_init(&test, ogg_page_serialno(&page_)) != 0) {
        throw std::runtime_error("error during ogg_stream_init");
      }
      if (ogg_stream_pagein(&test, &page_) != 0) {
        ogg_stream_clear(&test);
        throw std::runtime_error("error during ogg_stream_pagein");
      }
      const int got = ogg_stream_packetout(&test, &packet_);
      if (got == -1) {
        ogg_stream_clear(&test);
        throw std::runtime_error("error during ogg_stream_packetout");
      }
      // Only a packet actually taken out is offered to the header parser; streams that are
      // not kept are given back at once.
      if (headers == 0 && got == 1 && theora_decode_header(&info_, &comment_, &packet_) >= 0) {
        stream_ = test;
        headers = 1;
      } else {
        ogg_stream_clear(&test);
      }
    }
  }

  while (headers < 3) {
    const int got = ogg_stream_packetout(&stream_, &packet_);
    if (got < 0) throw std::runtime_error("error during ogg_stream_packetout");
    if (got > 0) {
      if (theora_decode_header(&info_, &comment_, &packet_) < 0) {
        throw std::runtime_error("error during theora_decode_header (corrupt stream)");
      }
      if (++headers == 3) break;
    }
    if (ogg_sync_pageout(&sync_, &page_) > 0) {
      ogg_stream_pagein(&stream_, &page_);
    } else if (!Feed()) {
      throw std::runtime_error("eof searched. terminate...");
    }
  }
  // The decoder sizes its buffers by the header alone (the picture lies within the frame).
  if (info_.width > kMaxFrameSide || info_.height > kMaxFrameSide) {
    throw std::runtime_error("error during theora_decode_init (frame too large)");
  }
  if (theora_decode_init(&state_, &info_) != 0) throw std::runtime_error("error during theora_decode_init");
}

bool IMTheoraDecoder::DecodeNext() {
  for (;;) {
    if (ogg_stream_packetout(&stream_, &packet_) > 0) {
      if (theora_decode_packetin(&state_, &packet_) == OC_BADPACKET) {
        throw std::runtime_error("error during theora_decode_packetin...");
      }
      if (theora_decode_YUVout(&state_, &picture_) != 0) {
        throw std::runtime_error("error during theora_decode_YUVout...");
      }
      return true;
    }
    // Pages the header search fed along stay buffered; a short clip may hold all its frames
    // there and have nothing left to feed.
    if (ogg_sync_pageout(&sync_, &page_) > 0) {
      ogg_stream_pagein(&stream_, &page_);
      continue;
    }
    if (!Feed()) return false;
  }
}
