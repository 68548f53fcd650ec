#include <cstdio>
#include <cstdlib>

#include "app/program.h"

// The worker thread stays blocked for good after the settings are saved, so
// the process ends here at once, without running the static destructors a
// blocked thread could still be near.
int main(int argc, char** argv) {
  const int exitCode = dovrik::RunProgram(argc, argv);
  std::fflush(nullptr);
  std::quick_exit(exitCode);
}
