// Paddles: how soon a paddle press is heard, how exact the keyer's elements
// are, and what the keying exercise costs with the key up.
//
// paddle_to_tone: the real 5 ms timer, the key sampler with an iambic keyer
// at 20 WPM and the SDL side-tone buffer; from the moment the dit paddle goes
// down (from rest) to the moment the first sample of its dot is handed to
// the device, on SDL's dummy driver (argument 0) and on a PulseAudio server
// of our own with a null sink (argument 1).
// element_length_error_samples_max: the same keying on SDL's disk driver;
// the largest difference, in samples, between a recorded dot or its space
// and 1323.
// keying_cpu_percent: the real program under Xvfb on the dummy driver, the
// keying exercise running with the key up for 20 s: the whole process's CPU
// time from /proc, in per cent of one core.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/percentile.h"
#include "keyer/key_sampler.h"
#include "keyer/keyer_mode.h"
#include "keyer/paddle_keyer.h"
#include "platform/audio_format.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/steady_clock.h"
#include "platform/thread_timer_service.h"
#include "tests/support/fake_side_tone_probe.h"
#include "tests/support/sdl_test_support.h"
#include "tests/support/sound_server.h"

extern char** environ;

namespace dovrik {
namespace {

using testing::ProbeClock;

// The dit paddle pressed for 40 ms every 250 to 400 ms, from Begin on: each
// press starts one dot from rest.
class ScheduledPaddle : public KeyInput {
 public:
  explicit ScheduledPaddle(int presses) : count_(presses) {}
  void Begin(ProbeClock::time_point start) {
    uint32_t seed = 777;
    ProbeClock::time_point at = start;
    for (int i = 0; i < count_; ++i) {
      seed = seed * 1103515245u + 12345u;
      at += std::chrono::microseconds(250000 + (seed >> 8) % 150000);
      presses_.push_back(at);
    }
  }
  bool IsDown() override { return Read().key; }
  KeyReading Read() override {
    const auto now = ProbeClock::now();
    const auto after = std::upper_bound(presses_.begin(), presses_.end(), now);
    const bool down = after != presses_.begin() && now - *(after - 1) < std::chrono::milliseconds(40);
    return KeyReading{down, down, false, false};
  }
  const std::vector<ProbeClock::time_point>& Presses() const { return presses_; }

 private:
  const int count_;
  std::vector<ProbeClock::time_point> presses_;
};

struct PaddleFigures {
  std::vector<double> latenciesMs;
  uint32_t underruns = 0;
  std::string error;
};

PaddleFigures KeyThePaddle(int presses) {
  PaddleFigures figures;
  SteadyClock clock;
  ScheduledPaddle paddle(presses);
  SdlAudioSystem sdl;
  testing::SideToneProbe probe(paddle, sdl);
  {
    auto device = probe.Audio().CreateSoundDevice();
    auto buffer = device ? device->CreateLoopingBuffer(kSideToneBufferBytes) : nullptr;
    if (!buffer) {
      figures.error = "no side-tone device";
      return figures;
    }
    KeySamplerState sampler{};
    sampler.buffer = buffer.get();
    sampler.clock = &clock;
    sampler.key = &probe.Key();
    sampler.phaseStep = PhaseStepForTone(700);
    sampler.rampLength = RampLengthForAttack(5);
    sampler.pauseTimeout = 1952;
    sampler.keyer = PaddleKeyer(KeyerMode::kIambicA, KeyerTimingForWpm(20));
    paddle.Begin(ProbeClock::now() + std::chrono::milliseconds(300));
    ThreadTimerService timers;
    auto timer = timers.StartPeriodic(kKeySamplerPeriodMs, [&sampler] { KeySampler(sampler); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    buffer->Play();
    std::this_thread::sleep_until(paddle.Presses().back() + std::chrono::milliseconds(300));
    timer.reset();
    figures.underruns = buffer->Underruns();
    buffer->Stop();
  }
  // Each press the sampler saw belongs to the last scheduled press before it.
  const auto& scheduled = paddle.Presses();
  std::vector<bool> matched(scheduled.size(), false);
  for (const auto& change : probe.Changes()) {
    const auto after = std::upper_bound(scheduled.begin(), scheduled.end(), change.readAt);
    if (after == scheduled.begin()) continue;
    const size_t k = static_cast<size_t>(after - scheduled.begin()) - 1;
    const testing::HandedBlock handed = probe.Handed(change, kSideToneBufferBytes);
    if (!handed.found || matched[k]) continue;
    matched[k] = true;
    figures.latenciesMs.push_back(
        std::chrono::duration<double, std::milli>(handed.handedAt - scheduled[k]).count());
  }
  return figures;
}

void BM_PaddleToTone(benchmark::State& state) {
  std::unique_ptr<testing::SoundServer> server;
  if (state.range(0) == 1) {
    server = std::make_unique<testing::SoundServer>("pulse");
    if (!server->ok()) {
      state.SkipWithError(("no pulse server: " + server->Error()).c_str());
      return;
    }
  }
  ScopedAudioDriver driver(state.range(0) == 1 ? "pulseaudio" : "dummy");
  if (!driver.ok()) {
    state.SkipWithError("the SDL driver is not available");
    return;
  }
  PaddleFigures figures;
  for (auto _ : state) figures = KeyThePaddle(40);
  if (!figures.error.empty()) {
    state.SkipWithError(figures.error.c_str());
    return;
  }
  state.counters["paddle_to_tone_p50_ms"] = Percentile(figures.latenciesMs, 0.50);
  state.counters["paddle_to_tone_p95_ms"] = Percentile(figures.latenciesMs, 0.95);
  state.counters["paddle_to_tone_max_ms"] = Percentile(figures.latenciesMs, 1.0);
  state.counters["presses_heard"] = static_cast<double>(figures.latenciesMs.size());
  state.counters["underruns"] = figures.underruns;
}
BENCHMARK(BM_PaddleToTone)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PaddleElementLengths(benchmark::State& state) {
  const std::string path = "/tmp/dovrik_paddle_bench_" + std::to_string(getpid()) + ".raw";
  int64_t worst = -1;
  size_t dots = 0;
  for (auto _ : state) {
    {
      ScopedAudioDriver driver("disk", path);
      if (!driver.ok()) {
        state.SkipWithError("SDL's disk driver is not available");
        return;
      }
      const PaddleFigures figures = KeyThePaddle(30);
      if (!figures.error.empty()) {
        state.SkipWithError(figures.error.c_str());
        return;
      }
    }
    const std::vector<int16_t> recording = ReadRecording(path);
    std::remove(path.c_str());
    // Marks: from the sample before the first sound (a dot starts at phase
    // 0) to the one after its last. Each press gives one dot and its space.
    size_t quiet = 0;
    size_t start = 0;
    bool inMark = false;
    for (size_t i = 0; i < recording.size(); ++i) {
      if (recording[i] != 0) {
        if (!inMark) start = i - 1;
        inMark = true;
        quiet = 0;
        continue;
      }
      if (inMark && ++quiet == 20) {
        const auto length = static_cast<int64_t>(i - 19 - start);
        worst = std::max<int64_t>(worst, std::llabs(length - 1323));
        ++dots;
        inMark = false;
      }
    }
  }
  state.counters["element_length_error_samples_max"] = static_cast<double>(worst);
  state.counters["dots"] = static_cast<double>(dots);
}
BENCHMARK(BM_PaddleElementLengths)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

#ifdef DOVRIK_PROGRAM_PATH
// Starts a program with arguments and extra environment; its pid, or -1.
pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& extra) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  environment.insert(environment.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  std::vector<char*> envp;
  std::vector<std::string> args = arguments;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int RunToEnd(const std::vector<std::string>& arguments, const std::vector<std::string>& extra) {
  const pid_t pid = Spawn(arguments, extra);
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// utime + stime of a process, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

void BM_KeyingCpu(benchmark::State& state) {
  const std::string display = ":" + std::to_string(200 + getpid() % 300);
  const pid_t xvfb = Spawn({"Xvfb", display, "-screen", "0", "1024x768x24", "-noreset"}, {});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  char folder[] = "/tmp/dovrik_cpu_XXXXXX";
  if (xvfb < 0 || mkdtemp(folder) == nullptr) {
    state.SkipWithError("needs Xvfb");
    return;
  }
  const std::vector<std::string> env = {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                                        "SDL_AUDIODRIVER=dummy",
                                        std::string("XDG_CONFIG_HOME=") + folder,
                                        std::string("XDG_DATA_HOME=") + folder};
  double percent = 0;
  for (auto _ : state) {
    if (chdir(folder) != 0) break;
    const pid_t program = Spawn({DOVRIK_PROGRAM_PATH}, env);
    RunToEnd({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Dovrik$"}, env);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    RunToEnd({"xdotool", "key", "alt+k"}, env);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long before = CpuTicks(program);
    const auto from = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(20));
    const long after = CpuTicks(program);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
    percent = 100.0 * static_cast<double>(after - before) / sysconf(_SC_CLK_TCK) / seconds;
    kill(program, SIGTERM);
    waitpid(program, nullptr, 0);
  }
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
  std::string remove = std::string("rm -rf ") + folder;
  if (std::system(remove.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", folder);
  state.counters["keying_cpu_percent"] = percent;
}
BENCHMARK(BM_KeyingCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace dovrik
