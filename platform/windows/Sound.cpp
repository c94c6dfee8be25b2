#include <SDL.h>

#include <cstring>

#include "platform/windows/Windows.h"

namespace zu::win {
namespace {

// The device of the sound that plays now, opened for that sound's format.
struct TPlayer {
  bool Initialized = false;
  bool Failed = false;
  SDL_AudioDeviceID Device = 0;

  bool Init() {
    if (!Initialized && !Failed) {
      Initialized = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
      Failed = !Initialized;
    }
    return Initialized;
  }
  bool Playing() const { return Device && SDL_GetQueuedAudioSize(Device) > 0; }
  void Stop() {
    if (Device) SDL_CloseAudioDevice(Device);
    Device = 0;
  }
  ~TPlayer() {
    Stop();
    if (Initialized) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
};

TPlayer& Player() {
  static TPlayer player;
  return player;
}

uint32_t ReadLE32(const void* p) {
  unsigned char b[4];
  std::memcpy(b, p, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

BOOL sndPlaySoundA(LPCSTR sound, UINT flags) {
  TPlayer& player = Player();
  if (!sound) {
    player.Stop();
    return 1;
  }
  if ((flags & SND_NOSTOP) && player.Playing()) return 0;
  if (!player.Init()) return 0;

  SDL_RWops* source = nullptr;
  if (flags & SND_MEMORY) {
    // A wave image is "RIFF", the size of what follows, "WAVE" and its chunks.
    if (std::memcmp(sound, "RIFF", 4) != 0) return 0;
    uint32_t size = ReadLE32(sound + 4);
    if (size < 4 || size > 0x7FFFFFF7u || std::memcmp(sound + 8, "WAVE", 4) != 0) return 0;
    source = SDL_RWFromConstMem(sound, static_cast<int>(size + 8));
  } else {
    source = SDL_RWFromFile(sound, "rb");
  }
  if (!source) return 0;

  SDL_AudioSpec format;
  Uint8* samples = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV_RW(source, 1, &format, &samples, &length)) return 0;
  player.Stop();
  format.callback = nullptr;
  format.userdata = nullptr;
  player.Device = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
  bool ok = player.Device != 0 && SDL_QueueAudio(player.Device, samples, length) == 0;
  SDL_FreeWAV(samples);
  if (!ok) {
    player.Stop();
    return 0;
  }
  SDL_PauseAudioDevice(player.Device, 0);
  if (!(flags & SND_ASYNC)) {
    while (player.Playing()) SDL_Delay(10);
    player.Stop();
  }
  return 1;
}

}  // namespace zu::win
