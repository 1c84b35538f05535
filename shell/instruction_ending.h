#pragma once
// The instruction's last step: a closing voice, a keyboard and a mouse with a blinking Space
// key, and Space to end the instruction.

#include <boost/bind/bind.hpp>

#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/texture_view.h"
#include "framework/window/window.h"
#include "media/embedded.h"
#include "shell/handlers.h"

template <class App>
void ShowInstructionEnding(App* app, IMDialog* dialog) {
  IMResourceManager* rm = IMResourceManager::Instance();
  const auto voice = media::FindBuiltIn(L"ENDHELPSOUND");
  const unsigned sound = rm->AddSoundFromMemory(L"ENDHELPSOUND", voice.data(), static_cast<unsigned>(voice.size()));
  dialog->ConnectOnClose(boost::bind(&CSoundSystem::Stop, static_cast<CSoundSystem*>(rm), sound));
  rm->Play(sound);

  for (const wchar_t* name : {L"KEYBOARDPIC", L"MOUSE", L"KEYSPACE"}) {
    const auto data = media::FindBuiltIn(name);
    rm->RegisterTexture(name, data.data(), static_cast<unsigned>(data.size()));
  }
  dialog->AddPicture(107, 347, L"KEYBOARDPIC", 1000, 0xFFFFFFFF);
  dialog->AddPicture(500, 209, L"MOUSE", 1000, 0xFFFFFFFF);
  IMControl* space = dialog->AddPicture(237, 502, L"KEYSPACE", 1000, 0xFFFFFFFF);
  // Each picture keeps the only reference to its texture.
  for (const wchar_t* name : {L"KEYBOARDPIC", L"MOUSE", L"KEYSPACE"}) rm->ReleaseTexture(rm->FindTexture(name));

  StartBlinking(space, dialog);
  using boost::placeholders::_1;
  app->window->ConnectOnKeyDown(boost::bind(&CloseOnSpaceKey, _1, dialog, &app->instructionOpen));
}
