#include "framework/views/theora_view.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "framework/resources/resource_manager.h"
#include "framework/views/theora_decoder.h"
#include "framework/views/yuv_conversion.h"

namespace {
// Suffix of the next clip's texture names, program-wide.
int g_theoraTextureCounter = 0;
}  // namespace

IMTheoraView::IMTheoraView()
    : decoder_(std::make_unique<IMTheoraDecoder>()),
      frontTexture(kNoTexture),
      backTexture(kNoTexture) {}

IMTheoraView::~IMTheoraView() { ReleaseFrameTextures(); }

void IMTheoraView::ReleaseFrameTextures() {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (rm) {
    rm->ReleaseTexture(frontTexture);
    rm->ReleaseTexture(backTexture);
  }
  frontTexture = backTexture = kNoTexture;
}

void IMTheoraView::Open(const void* data, int size) {
  ready_ = false;
  fault_.clear();
  ReleaseFrameTextures();
  try {
    decoder_->Open(data, size);
  } catch (const std::runtime_error& e) {
    fault_ = e.what();
    throw;
  }

  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return;
  const int width = decoder_->Width();
  const int height = decoder_->Height();
  const std::wstring suffix = std::to_wstring(g_theoraTextureCounter);
  frontTexture = rm->CreateTexture(L"IMTheoraView1" + suffix, width, height, D3DFMT_X8R8G8B8);
  backTexture = rm->CreateTexture(L"IMTheoraView2" + suffix, width, height, D3DFMT_X8R8G8B8);
  ++g_theoraTextureCounter;
  SetTextureId(frontTexture);
  SetSourceRect(RECT{0, 0, width, height});

  // Frame 0 goes on screen at once and frame 1 waits behind it: a view that says it shows
  // frame 0 must show it, or whoever plays it from 0 starts with an empty picture.
  currentFrame = kNothingShown;
  decodedFrame = -1;
  backFrame_ = kNothingShown;
  Prepare(0);
  // While the device is lost nothing is converted: the first SetFrame(0) shows the frame.
  if (backFrame_ == 0) {
    ShowBack();
    Prepare(1);
  }
  ready_ = true;
}

void IMTheoraView::SetFrame(int n) {
  if (!fault_.empty()) throw std::runtime_error(fault_);
  if (!ready_ || n == currentFrame) return;
  // In order the frame is waiting already; after a jump it is decoded now, so the screen
  // always shows the frame asked for.
  if (backFrame_ != n) Prepare(n);
  // Past the end, or not yet converted while the device is away: the screen stays.
  if (backFrame_ != n) return;
  ShowBack();
  Prepare(n + 1);
}

void IMTheoraView::ShowBack() {
  SetTextureId(backTexture);
  std::swap(frontTexture, backTexture);
  std::swap(currentFrame, backFrame_);
}

void IMTheoraView::Prepare(int n) {
  targetFrame = n;
  DecodingPass();
}

void IMTheoraView::DecodingPass() {
  try {
    // A step backwards (a replay) can only be decoded from the start.
    if (decodedFrame > targetFrame) {
      decoder_->Rewind();
      decodedFrame = -1;
    }
    // The end frame is the last frame's index, so it is decoded too: a replay shows it again.
    while (decodedFrame < targetFrame && targetFrame <= endFrame) {
      if (decoder_->DecodeNext()) {
        ++decodedFrame;
      } else {
        endFrame = decodedFrame;
      }
    }
  } catch (const std::runtime_error& e) {
    ready_ = false;
    fault_ = e.what();
    throw;
  }
  IMResourceManager* rm = IMResourceManager::Instance();
  if (decodedFrame == targetFrame && rm && !rm->IsDeviceLost()) ConvertIntoBack();
}

void IMTheoraView::ConvertIntoBack() {
  IMResourceManager* rm = IMResourceManager::Instance();
  const IMTextureRecord* record = rm ? rm->GetTextureRecord(backTexture) : nullptr;
  if (!record) return;
  const int textureHeight = static_cast<int>(record->textureHeight);
  const yuv_buffer& yuv = decoder_->Picture();
  if (!yuv.y || !yuv.u || !yuv.v) return;
  rm->LockTexture(backTexture, [&](void* bits, int pitch, int) {
    // The whole coded frame from its top-left corner, cut to the texture in case a clip's
    // coded frame is larger than the texture made for its picture.
    const int width = std::min(yuv.y_width, pitch / 4);
    const int height = std::min(yuv.y_height, textureHeight);
    const IMYuvPlanes planes{yuv.y, yuv.u, yuv.v, yuv.y_stride, yuv.uv_stride};
    ConvertYuv420ToX8R8G8B8(planes, width, height, bits, pitch);
    backFrame_ = decodedFrame;
  });
}
