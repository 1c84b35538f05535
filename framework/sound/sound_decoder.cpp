#include "framework/sound/sound_decoder.h"

#include <algorithm>
#include <cstring>

#include <boost/lexical_cast.hpp>

#include "framework/platform/resources.h"
#include "framework/platform/sound_output.h"
#include "framework/platform/utf.h"

namespace {

constexpr int kResourceTrimMs = 20;

std::size_t ReadFile(void* destination, std::size_t itemSize, std::size_t count, void* source) {
  return std::fread(destination, itemSize, count, static_cast<std::FILE*>(source));
}

int SeekFile(void* source, ogg_int64_t offset, int whence) {
  return fseeko(static_cast<std::FILE*>(source), static_cast<off_t>(offset), whence);
}

long TellFile(void* source) { return static_cast<long>(ftello(static_cast<std::FILE*>(source))); }

// The file stays open until the decoder goes.
int CloseNothing(void*) { return 0; }

// Whether every page of the Ogg data that `read` gives belongs to one logical stream, begun by
// the first page. A chain is refused anyway, and vorbisfile, given a damaged chain, keeps what it
// took for links it could not open: such data is never handed to it.
template <typename Read>
bool IsOneStream(Read read) {
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  ogg_page page;
  bool seen = false;
  bool one = true;
  int serial = 0;
  while (one) {
    const int result = ogg_sync_pageout(&sync, &page);
    if (result > 0) {
      if (!seen) {
        seen = true;
        serial = ogg_page_serialno(&page);
        one = ogg_page_bos(&page) != 0;
      } else {
        one = ogg_page_serialno(&page) == serial && !ogg_page_bos(&page);
      }
      continue;
    }
    if (result < 0) continue;  // bytes skipped to the next page
    constexpr long kChunk = 16384;
    char* buffer = ogg_sync_buffer(&sync, kChunk);
    const std::size_t got = buffer ? read(buffer, kChunk) : 0;
    if (got == 0) break;
    ogg_sync_wrote(&sync, static_cast<long>(got));
  }
  ogg_sync_clear(&sync);
  return seen && one;
}

}  // namespace

IMSoundDecoder::IMSoundDecoder() = default;

IMSoundDecoder::~IMSoundDecoder() {
  if (open_) ov_clear(&vorbisFile_);
  if (file_) std::fclose(file_);
}

std::size_t IMSoundDecoder::ReadMemory(void* destination, std::size_t itemSize, std::size_t count, void* source) {
  auto* self = static_cast<IMSoundDecoder*>(source);
  if (self->position_ >= self->size_) return 0;
  const std::size_t n = std::min<std::uint64_t>(itemSize * count, self->size_ - self->position_);
  std::memcpy(destination, self->data_ + self->position_, n);
  self->position_ += n;
  return n;
}

int IMSoundDecoder::SeekMemory(void* source, ogg_int64_t offset, int whence) {
  auto* self = static_cast<IMSoundDecoder*>(source);
  ogg_int64_t base = 0;
  switch (whence) {
    case SEEK_SET: break;
    case SEEK_CUR: base = static_cast<ogg_int64_t>(self->position_); break;
    case SEEK_END: base = static_cast<ogg_int64_t>(self->size_); break;
    default: return -1;
  }
  // Only inside the data: given a damaged stream, vorbisfile aims near 2^63 and would walk back
  // from there in 64 KiB steps, each read finding nothing.
  ogg_int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > self->size_) return -1;
  self->position_ = static_cast<std::uint64_t>(target);
  return 0;
}

long IMSoundDecoder::TellMemory(void* source) { return static_cast<long>(static_cast<IMSoundDecoder*>(source)->position_); }

bool IMSoundDecoder::Open(void* source, const ov_callbacks& callbacks) {
  if (open_) return false;
  source_ = source;
  callbacks_ = callbacks;
  if (!OpenVorbis()) return false;
  const vorbis_info* info = ov_info(&vorbisFile_, -1);
  const ogg_int64_t total = ov_pcm_total(&vorbisFile_, -1);
  if (!info || total < 0) return false;
  // One buffer of one format plays the sound, so a chain, whose links each have their own, is
  // refused (the opening checked its pages already), and so is a format the buffer cannot hold.
  if (ov_streams(&vorbisFile_) != 1) return false;
  if (info->rate > platform::kMaxBufferRate ||
      !platform::IsBufferFormat({info->channels, static_cast<int>(info->rate)})) {
    return false;
  }
  channels = info->channels;
  rate = static_cast<int>(info->rate);
  // Interleaved 16-bit samples of every channel.
  bytesPerFrame = channels * 2;
  totalFrames = static_cast<std::uint32_t>(total);
  return true;
}

bool IMSoundDecoder::OpenVorbis() {
  framesRead_ = 0;
  ended_ = false;
  open_ = ov_open_callbacks(source_, &vorbisFile_, nullptr, 0, callbacks_) == 0;
  return open_;
}

bool IMSoundDecoder::OpenMemory(const void* data, unsigned size) {
  data_ = static_cast<const unsigned char*>(data);
  size_ = size;
  position_ = 0;
  if (!IsOneStream([this](char* to, std::size_t n) { return ReadMemory(to, 1, n, this); })) return false;
  position_ = 0;
  return Open(this, ov_callbacks{ReadMemory, SeekMemory, CloseNothing, TellMemory});
}

bool IMSoundDecoder::OpenResourceName(const std::wstring& name) {
  int number = 0;
  try {
    number = boost::lexical_cast<int>(name);
  } catch (const boost::bad_lexical_cast&) {
    return OpenFile(name);
  }
  return OpenResource(number);
}

bool IMSoundDecoder::OpenResource(int resourceId) {
  if (resourceId < 0) return false;
  platform::ResourceData resource = platform::FindResource(static_cast<std::uint32_t>(resourceId));
  if (!resource) return false;
  module_ = resource.owner;
  if (!OpenMemory(resource.bytes.data(), static_cast<unsigned>(resource.bytes.size()))) return false;
  const auto trim = static_cast<std::uint32_t>(rate * kResourceTrimMs / 1000);
  if (totalFrames > trim) totalFrames -= trim;
  return true;
}

bool IMSoundDecoder::OpenFile(const std::wstring& path) {
  if (file_) return false;
  file_ = std::fopen(platform::ToUtf8(path).c_str(), "rb");
  if (!file_) return false;
  if (!IsOneStream([this](char* to, std::size_t n) { return std::fread(to, 1, n, file_); })) return false;
  if (fseeko(file_, 0, SEEK_SET) != 0) return false;
  return Open(file_, ov_callbacks{ReadFile, SeekFile, CloseNothing, TellFile});
}

unsigned IMSoundDecoder::ReadPcm(void* destination, unsigned bytes) {
  if (!open_ || ended_ || bytesPerFrame == 0 || framesRead_ >= totalFrames) return 0;
  // Counted here rather than taken from ov_pcm_tell, which damaged granule positions move back.
  const std::uint64_t remaining = std::uint64_t{totalFrames - framesRead_} * bytesPerFrame;
  // Whole frames only, so that a short read never splits a sample.
  const unsigned n = static_cast<unsigned>(std::min<std::uint64_t>(bytes, remaining)) / bytesPerFrame * bytesPerFrame;
  auto* out = static_cast<char*>(destination);
  unsigned got = 0;
  int section = 0;
  while (got < n) {
    const long r = ov_read(&vorbisFile_, out + got, static_cast<int>(n - got), 0, 2, 1, &section);
    if (r <= 0) {
      // The end, a hole or an error: what follows a damaged page is not played.
      ended_ = true;
      break;
    }
    got += static_cast<unsigned>(r);
  }
  framesRead_ += got / bytesPerFrame;
  return got;
}

bool IMSoundDecoder::Rewind() {
  if (!open_) return false;
  // Opened anew rather than sought with ov_pcm_seek: on damaged data that search for the first
  // page can leave one page's segment table over another page's body, and the next read then
  // crashes in libogg. Opening again gives exactly the state the first read had.
  ov_clear(&vorbisFile_);
  open_ = false;
  if (file_) {
    if (fseeko(file_, 0, SEEK_SET) != 0) return false;
  } else {
    position_ = 0;
  }
  return OpenVorbis();
}
