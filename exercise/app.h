#pragma once
// The crane exercise: its description for the course, its one state "Dialog1" with the hangar
// scene, and the voiced instruction.

#include <string>

#include "shell/shell.h"

class HangarScene;

class App : public IMApp<App> {
 public:
  static const wchar_t kCatalogueNumber[];
  static const wchar_t kTitle[];
  static const wchar_t kDescription[];

  App();
  ~App() override;

  void Init() override;
  // The voiced instruction: the hangar demonstrated step by step on the voice's labels.
  void ShowInstruction(IMDialog* dialog) override;
  long OnInstructionLabel(unsigned long timeMs, IMDialog* dialog, HangarScene* scene);
  long OnInstructionClose(unsigned long sound);
  // Builds a scene of its own on the dialog: the exercise's, or a demonstration's.
  HangarScene* SetupScene(IMDialog* dialog, bool instructionMode);
  // The exercise's scene while its dialog lives, else null.
  HangarScene* GetExerciseScene() const { return exerciseScene_; }
  void OnSceneDeleted(const HangarScene* scene);

 private:
  HangarScene* exerciseScene_ = nullptr;
};
