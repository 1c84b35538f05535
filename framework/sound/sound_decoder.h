#pragma once
// An Ogg Vorbis sound decoded on demand to 16-bit PCM, read from memory, from a numbered
// resource or from a file.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

class IMSoundDecoder {
 public:
  IMSoundDecoder();
  ~IMSoundDecoder();
  IMSoundDecoder(const IMSoundDecoder&) = delete;
  IMSoundDecoder& operator=(const IMSoundDecoder&) = delete;

  // The data is not copied: it must outlive the decoder.
  bool OpenMemory(const void* data, unsigned size);
  // A name that reads as a decimal int is a resource number; any other name is a file path.
  bool OpenResourceName(const std::wstring& name);
  // Resource sounds stop 20 ms short of the end of their data.
  bool OpenResource(int resourceId);
  bool OpenFile(const std::wstring& path);

  // Decodes up to `bytes` bytes (whole frames) at the current position; returns the bytes written.
  // Never more than `totalFrames` in all; after a hole or an error in the data nothing more
  // until the next Rewind.
  unsigned ReadPcm(void* destination, unsigned bytes);
  // Back to the first frame; false (and nothing to read) when the data cannot be opened again.
  bool Rewind();

  int channels = 0;
  int rate = 0;
  int bytesPerFrame = 0;
  std::uint32_t totalFrames = 0;

 private:
  bool Open(void* source, const ov_callbacks& callbacks);
  bool OpenVorbis();
  static std::size_t ReadMemory(void* destination, std::size_t itemSize, std::size_t count, void* source);
  static int SeekMemory(void* source, ogg_int64_t offset, int whence);
  static long TellMemory(void* source);

  std::FILE* file_ = nullptr;
  std::shared_ptr<const void> module_;  // keeps a companion module's data alive
  const unsigned char* data_ = nullptr;
  std::uint64_t position_ = 0;
  std::uint32_t size_ = 0;
  void* source_ = nullptr;
  ov_callbacks callbacks_{};
  bool open_ = false;
  std::uint32_t framesRead_ = 0;  // since the first frame
  bool ended_ = false;            // the data failed before its end
  OggVorbis_File vorbisFile_{};
};
