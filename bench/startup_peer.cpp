// The floor that startup_bench holds the program against: a bare SDL program that opens the
// same full-screen 800x600 window with a renderer the way the program's desktop backend does,
// starts audio, presents one frame in the information screen's colour and waits to be ended.
// Usage: startup_peer RRGGBB

#include <SDL2/SDL.h>

#include <cstdlib>

namespace {

void Silence(void*, Uint8* stream, int bytes) { SDL_memset(stream, 0, static_cast<std::size_t>(bytes)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const unsigned long rgb = std::strtoul(argv[1], nullptr, 16);
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return 1;
  SDL_Rect frame{0, 0, 800, 600};
  if (SDL_GetDisplayBounds(0, &frame) != 0) frame = SDL_Rect{0, 0, 800, 600};
  SDL_Window* window = SDL_CreateWindow("peer", frame.x, frame.y, frame.w, frame.h,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
  if (!window) return 1;
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer) return 1;
  SDL_RenderSetLogicalSize(renderer, 800, 600);

  // The program's sound output: 44.1 kHz, 16-bit stereo, running.
  SDL_AudioDeviceID audio = 0;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = &Silence;
    SDL_AudioSpec obtained{};
    audio = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (audio) SDL_PauseAudioDevice(audio, 0);
  }

  SDL_ShowWindow(window);
  SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                         static_cast<Uint8>(rgb), 255);
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);

  SDL_Event event;
  while (SDL_WaitEvent(&event)) {
    if (event.type == SDL_QUIT) break;
  }
  if (audio) SDL_CloseAudioDevice(audio);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
