#include "media_decoders.h"

#include <ogg/ogg.h>
#include <png.h>
#include <theora/theoradec.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>

namespace media_test {

namespace {

struct Reader {
  Bytes data;
  std::size_t position = 0;
};

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (reader->data.size() - reader->position < length) png_error(png, "read past the end");
  std::memcpy(out, reader->data.data() + reader->position, length);
  reader->position += length;
}

void PngWarning(png_structp, png_const_charp) {}

// Everything that must outlive a longjmp out of libpng lives here, constructed before setjmp.
struct PngState {
  Reader reader;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_infop end = nullptr;
  std::vector<png_bytep> rows;
  std::vector<std::uint8_t> raw;
  ~PngState() { png_destroy_read_struct(&png, &info, &end); }
};

}  // namespace

bool Png::HasAlphaChannel() const { return colourType == PNG_COLOR_TYPE_RGB_ALPHA; }

std::optional<Png> DecodePng(Bytes data, std::string* error) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
    SetError(error, "no PNG signature");
    return std::nullopt;
  }
  PngState state;
  Png result;
  state.reader.data = data;
  state.reader.position = 8;
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarning);
  if (!state.png) return std::nullopt;
  state.info = png_create_info_struct(state.png);
  state.end = png_create_info_struct(state.png);
  if (!state.info || !state.end) return std::nullopt;
  if (setjmp(png_jmpbuf(state.png))) {
    SetError(error, "libpng failed to decode it");
    return std::nullopt;
  }
  png_set_read_fn(state.png, &state.reader, PngRead);
  png_set_sig_bytes(state.png, 8);
  png_read_info(state.png, state.info);
  result.width = static_cast<int>(png_get_image_width(state.png, state.info));
  result.height = static_cast<int>(png_get_image_height(state.png, state.info));
  result.bitDepth = png_get_bit_depth(state.png, state.info);
  result.colourType = png_get_color_type(state.png, state.info);
  double gamma = 0;
  if (png_get_gAMA(state.png, state.info, &gamma)) result.gamma = gamma;
  const bool eightBitRgb = result.bitDepth == 8 && (result.colourType == PNG_COLOR_TYPE_RGB ||
                                                    result.colourType == PNG_COLOR_TYPE_RGB_ALPHA);
  if (eightBitRgb) {
    png_set_interlace_handling(state.png);
    png_read_update_info(state.png, state.info);
    const std::size_t rowBytes = png_get_rowbytes(state.png, state.info);
    state.raw.resize(rowBytes * static_cast<std::size_t>(result.height));
    state.rows.resize(static_cast<std::size_t>(result.height));
    for (int y = 0; y < result.height; ++y) state.rows[y] = state.raw.data() + rowBytes * y;
    png_read_image(state.png, state.rows.data());
    png_read_end(state.png, state.end);
    const int channels = result.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    result.rgba.resize(static_cast<std::size_t>(result.width) * result.height * 4);
    for (int y = 0; y < result.height; ++y) {
      for (int x = 0; x < result.width; ++x) {
        const std::uint8_t* in = state.rows[y] + static_cast<std::size_t>(x) * channels;
        std::uint8_t* out = &result.rgba[(static_cast<std::size_t>(y) * result.width + x) * 4];
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = channels == 4 ? in[3] : 255;
      }
    }
  }
  result.hasBackground = png_get_valid(state.png, state.info, PNG_INFO_bKGD) != 0 ||
                         (eightBitRgb && png_get_valid(state.png, state.end, PNG_INFO_bKGD) != 0);
  return result;
}

namespace {

size_t VorbisRead(void* out, size_t size, size_t count, void* source) {
  auto* reader = static_cast<Reader*>(source);
  const std::size_t n = std::min(size * count, reader->data.size() - reader->position);
  std::memcpy(out, reader->data.data() + reader->position, n);
  reader->position += n;
  return n;
}

int VorbisSeek(void* source, ogg_int64_t offset, int whence) {
  auto* reader = static_cast<Reader*>(source);
  std::int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<std::int64_t>(reader->position);
  else if (whence == SEEK_END) base = static_cast<std::int64_t>(reader->data.size());
  else if (whence != SEEK_SET) return -1;
  const std::int64_t target = base + offset;
  if (target < 0 || target > static_cast<std::int64_t>(reader->data.size())) return -1;
  reader->position = static_cast<std::size_t>(target);
  return 0;
}

long VorbisTell(void* source) { return static_cast<long>(static_cast<Reader*>(source)->position); }

}  // namespace

double Vorbis::Peak(double from, double to) const {
  double peak = 0;
  const auto first = static_cast<std::size_t>(std::max(0.0, from * rate));
  const auto last = std::min(mono.size(), static_cast<std::size_t>(std::max(0.0, to * rate)));
  for (std::size_t i = first; i < last; ++i) peak = std::max(peak, static_cast<double>(std::fabs(mono[i])));
  return peak;
}

double Vorbis::Rms(double from, double to) const {
  double sum = 0;
  const auto first = static_cast<std::size_t>(std::max(0.0, from * rate));
  const auto last = std::min(mono.size(), static_cast<std::size_t>(std::max(0.0, to * rate)));
  for (std::size_t i = first; i < last; ++i) sum += static_cast<double>(mono[i]) * mono[i];
  return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
}

std::optional<Vorbis> DecodeVorbis(Bytes data, std::string* error) {
  Reader reader{data};
  OggVorbis_File file;
  const ov_callbacks callbacks{VorbisRead, VorbisSeek, nullptr, VorbisTell};
  if (ov_open_callbacks(&reader, &file, nullptr, 0, callbacks) != 0) {
    SetError(error, "not an Ogg Vorbis stream");
    return std::nullopt;
  }
  Vorbis result;
  const vorbis_info* info = ov_info(&file, -1);
  result.channels = info->channels;
  result.rate = info->rate;
  result.totalFrames = ov_pcm_total(&file, -1);
  std::vector<char> buffer(8192);
  bool failed = false;
  for (;;) {
    int section = 0;
    const long got = ov_read(&file, buffer.data(), static_cast<int>(buffer.size()), 0, 2, 1, &section);
    if (got == 0) break;
    if (got < 0) {
      failed = true;
      break;
    }
    const long frames = got / (2 * result.channels);
    const auto* samples = reinterpret_cast<const std::int16_t*>(buffer.data());
    for (long f = 0; f < frames; ++f) {
      float sum = 0;
      for (int c = 0; c < result.channels; ++c) sum += samples[f * result.channels + c] / 32768.0f;
      result.mono.push_back(sum / static_cast<float>(result.channels));
    }
    result.decodedFrames += frames;
  }
  ov_clear(&file);
  if (failed) {
    SetError(error, "a Vorbis packet failed to decode");
    return std::nullopt;
  }
  return result;
}

std::optional<Theora> DecodeTheora(Bytes data, std::string* error) {
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  char* buffer = ogg_sync_buffer(&sync, static_cast<long>(data.size()));
  std::memcpy(buffer, data.data(), data.size());
  ogg_sync_wrote(&sync, static_cast<long>(data.size()));

  std::map<int, ogg_stream_state> streams;
  ogg_page page;
  while (ogg_sync_pageout(&sync, &page) == 1) {
    const int serial = ogg_page_serialno(&page);
    auto [it, added] = streams.try_emplace(serial);
    if (added) ogg_stream_init(&it->second, serial);
    ogg_stream_pagein(&it->second, &page);
  }
  ogg_sync_clear(&sync);

  Theora result;
  result.streams = static_cast<int>(streams.size());
  bool found = false;
  for (auto& [serial, stream] : streams) {
    if (found) break;
    th_info info;
    th_comment comment;
    th_setup_info* setup = nullptr;
    th_info_init(&info);
    th_comment_init(&comment);
    ogg_packet packet;
    int headers = 0;
    bool pending = false;  // a data packet read while looking for headers
    while (ogg_stream_packetout(&stream, &packet) == 1) {
      const int r = th_decode_headerin(&info, &comment, &setup, &packet);
      if (r > 0) {
        ++headers;
        continue;
      }
      pending = r == 0;
      break;
    }
    if (headers == 3) {
      found = true;
      result.frameWidth = static_cast<int>(info.frame_width);
      result.frameHeight = static_cast<int>(info.frame_height);
      result.pictureWidth = static_cast<int>(info.pic_width);
      result.pictureHeight = static_cast<int>(info.pic_height);
      result.pictureX = static_cast<int>(info.pic_x);
      result.pictureY = static_cast<int>(info.pic_y);
      result.pixelFormat = info.pixel_fmt;
      th_dec_ctx* decoder = th_decode_alloc(&info, setup);
      bool more = pending;
      while (decoder && more) {
        ogg_int64_t granule = 0;
        const int r = th_decode_packetin(decoder, &packet, &granule);
        if (r == 0 || r == TH_DUPFRAME) {
          th_ycbcr_buffer frame;
          if (th_decode_ycbcr_out(decoder, frame) == 0) ++result.frames;
        } else if (r < 0) {
          SetError(error, "a Theora packet failed to decode");
          found = false;
          break;
        }
        more = ogg_stream_packetout(&stream, &packet) == 1;
      }
      if (decoder) th_decode_free(decoder);
    }
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
  }
  for (auto& [serial, stream] : streams) ogg_stream_clear(&stream);
  if (!found) {
    if (error && error->empty()) *error = "no Theora stream";
    return std::nullopt;
  }
  return result;
}

}  // namespace media_test
