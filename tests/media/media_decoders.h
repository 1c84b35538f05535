#pragma once
// Decoders for the embedded media, built on the same libraries the program uses, so that the
// tests see the files exactly as the loaders will.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace media_test {

using Bytes = std::span<const unsigned char>;

struct Png {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colourType = 0;      // PNG_COLOR_TYPE_*
  bool hasBackground = false;  // a bKGD chunk, anywhere in the file
  std::optional<double> gamma;  // the gAMA chunk's file gamma, when present
  std::vector<std::uint8_t> rgba;  // width * height * 4, alpha 255 for RGB files

  bool HasAlphaChannel() const;
  std::uint8_t Alpha(int x, int y) const { return rgba[(static_cast<std::size_t>(y) * width + x) * 4 + 3]; }
  const std::uint8_t* Pixel(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// Decodes an 8-bit RGB or RGBA PNG; other kinds are reported through colourType/bitDepth with
// empty pixels. Returns nothing when the data is not a readable PNG; `error` says why.
std::optional<Png> DecodePng(Bytes data, std::string* error = nullptr);

struct Vorbis {
  int channels = 0;
  long rate = 0;
  std::int64_t totalFrames = 0;   // ov_pcm_total
  std::int64_t decodedFrames = 0;  // what ov_read actually delivered
  std::vector<float> mono;         // the decoded samples, channels averaged, -1..1

  double Seconds() const { return rate ? static_cast<double>(totalFrames) / rate : 0.0; }
  // Peak and RMS amplitude of the samples between two times in seconds.
  double Peak(double from, double to) const;
  double Rms(double from, double to) const;
};

std::optional<Vorbis> DecodeVorbis(Bytes data, std::string* error = nullptr);

struct Theora {
  int frameWidth = 0, frameHeight = 0;  // the coded size
  int pictureWidth = 0, pictureHeight = 0;
  int pictureX = 0, pictureY = 0;       // offset of the visible picture from the top left
  int pixelFormat = -1;                 // TH_PF_*
  int streams = 0;                      // logical streams in the Ogg data
  int frames = 0;                       // decoded frames
};

std::optional<Theora> DecodeTheora(Bytes data, std::string* error = nullptr);

}  // namespace media_test
