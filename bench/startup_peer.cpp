// The floor that startup_bench holds the program against: a bare SDL program that opens the
// same full-screen window and window surface the way the program's desktop backend does, starts
// audio, presents one frame in the information screen's colour and waits to be ended.
// Usage: startup_peer RRGGBB

#include <SDL2/SDL.h>

#include <cstdlib>

namespace {

void Silence(void*, Uint8* stream, int bytes) { SDL_memset(stream, 0, static_cast<std::size_t>(bytes)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const unsigned long rgb = std::strtoul(argv[1], nullptr, 16);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return 1;
  SDL_Rect frame{0, 0, 800, 600};
  if (SDL_GetDisplayBounds(0, &frame) != 0) frame = SDL_Rect{0, 0, 800, 600};
  SDL_Window* window = SDL_CreateWindow("peer", frame.x, frame.y, frame.w, frame.h,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
  if (!window) return 1;
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (!surface) return 1;

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

  // Drawn once the display has mapped the window and says it needs drawing; showing it may
  // have resized it, which makes a new surface.
  SDL_Event event;
  while (SDL_WaitEvent(&event)) {
    if (event.type == SDL_QUIT) break;
    if (event.type != SDL_WINDOWEVENT || event.window.event != SDL_WINDOWEVENT_EXPOSED) continue;
    surface = SDL_GetWindowSurface(window);
    if (!surface) return 1;
    SDL_FillRect(surface, nullptr,
                 SDL_MapRGB(surface->format, static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                            static_cast<Uint8>(rgb)));
    SDL_UpdateWindowSurface(window);
  }
  if (audio) SDL_CloseAudioDevice(audio);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
