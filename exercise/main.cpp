// The program's entry point. The window, the screens and the exercise are not built yet, so
// for now it only says what it will do.

#include <cstdio>

int main() {
  std::puts("Crane exercise: the window, its screens and the exercise are still being built.");
  std::puts("Run `make test` to exercise the framework built so far.");
  return 0;
}
