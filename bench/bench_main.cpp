// The benchmark program's entry point. Its standard output carries the
// report alone (the console table, or the JSON of --benchmark_format=json),
// so that a tool can read it; whatever else is printed on the way — a
// benchmark's diagnostics, a library's messages, the output of a program a
// benchmark starts — goes to standard error.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <ext/stdio_filebuf.h>
#include <iostream>
#include <vector>

int main(int argc, char** argv) {
  std::fflush(stdout);
  const int reportDescriptor = dup(STDOUT_FILENO);
  if (reportDescriptor < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::perror("dovrik_bench: cannot set standard output aside for the report");
    return 1;
  }
  // The reporters write to std::cout; it now writes to the report's own
  // descriptor, while printf and child processes write to descriptor 1,
  // which is standard error.
  __gnu_cxx::stdio_filebuf<char> reportBuffer(reportDescriptor, std::ios::out);
  std::streambuf* const consoleBuffer = std::cout.rdbuf(&reportBuffer);

  // Colours follow the report's own descriptor, not standard error's: a
  // report written to a file or a pipe gets none unless asked for.
  std::vector<char*> arguments(argv, argv + argc);
  char noColour[] = "--benchmark_color=false";
  if (isatty(reportDescriptor) == 0) arguments.insert(arguments.begin() + 1, noColour);
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);

  benchmark::Initialize(&count, arguments.data());
  int status = 0;
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
    status = 1;
  } else {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  std::cout.flush();
  std::cout.rdbuf(consoleBuffer);
  return status;
}
