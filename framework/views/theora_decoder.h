#pragma once
// Frames of an Ogg Theora clip in memory, decoded one after another with libtheora's legacy
// interface. Only the first Theora stream of the data is used. Broken data raises
// std::runtime_error.

#include <ogg/ogg.h>
#include <theora/theora.h>

class IMTheoraDecoder {
 public:
  IMTheoraDecoder();
  ~IMTheoraDecoder();
  IMTheoraDecoder(const IMTheoraDecoder&) = delete;
  IMTheoraDecoder& operator=(const IMTheoraDecoder&) = delete;

  // Reads the three headers and makes the decoder ready for the first frame. The data are not
  // copied and must outlive the decoder.
  void Open(const void* data, int size);
  // Back to before the first frame: everything is parsed again from the first byte.
  void Rewind();
  // Decodes the next frame into Picture(); false once the data have no frame left.
  bool DecodeNext();

  const yuv_buffer& Picture() const { return picture_; }
  // The visible picture's size.
  int Width() const { return static_cast<int>(info_.frame_width); }
  int Height() const { return static_cast<int>(info_.frame_height); }

 private:
  // Hands the sync layer the next at most 8192 bytes; false at the end of the data.
  bool Feed();
  void ParseHeaders();
  void Init();
  void Clear();

  ogg_stream_state stream_;
  ogg_sync_state sync_;
  ogg_page page_;
  ogg_packet packet_;
  theora_comment comment_;
  theora_info info_;
  theora_state state_;
  yuv_buffer picture_;

  const unsigned char* data_ = nullptr;
  int size_ = 0;
  int readPosition_ = 0;
};
