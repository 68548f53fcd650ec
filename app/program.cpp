#include "app/program.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyleFactory>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "app/accelerator_filter.h"
#include "app/lessons/lessons_opener.h"
#include "app/lessons/lessons_window.h"
#include "app/main_dialog.h"
#include "app/qt_dialog_controls.h"
#include "app/window_system_start.h"
#include "worker/copy_exercise.h"
#include "worker/worker_thread.h"
#include "config/config_file.h"
#include "keyer/keying_exercise.h"
#include "platform/exercise_context.h"
#include "platform/key_sources.h"
#include "platform/midi/rtmidi_inputs.h"
#include "platform/midi_key.h"
#include "platform/modem_line_port.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/sdl/sdl_library.h"
#include "platform/sdl/straight_key.h"
#include "platform/serial_key.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "sender/sending_exercise.h"
#include "settings/xdg_paths.h"
#include "worker/worker_thread.h"
#ifdef DOVRIK_HAVE_RESOURCES
#include "resources/dovrik_resources.h"
#endif

namespace dovrik {
namespace {

// What the worker thread borrows for the whole run. Made once and never
// destroyed: the worker is never joined, so nothing it can reach may be torn
// down while the process still runs.
//
// The key the sampler reads is the straight key (joystick button, Ctrl
// keys), every MIDI input, and the serial port if one was named; the keyer
// settings say how the keying exercise turns them into elements. The
// worker's replies go to the window whose exercise ended.
struct WorkerWorld {
  WorkerWorld(MainDialog& dialog, ThreadQueue& queue, const std::string& serialDevice,
              const KeyerSettings& keyer)
      : controls(dialog),
        lessons(dialog, queue, copyBoard),
        poster(dialog, lessons),
        midiKey(MakeSystemMidiInputs),
        serialKey(MakeSerialKey(serialDevice)),
        key(KeySourceList()),
        context{queue, controls, poster, audio, timers, clock, key, random, keyer} {}

  static std::unique_ptr<SerialKeyInput> MakeSerialKey(const std::string& device) {
    if (device.empty()) return nullptr;
    return std::make_unique<SerialKeyInput>(
        device, MakePosixModemLinePort(),
        [](const std::string& line) { std::fprintf(stderr, "dovrik: %s\n", line.c_str()); });
  }
  std::vector<KeyInput*> KeySourceList() {
    std::vector<KeyInput*> sources = {&straightKey, &midiKey};
    if (serialKey) sources.push_back(serialKey.get());
    return sources;
  }

  QtDialogControls controls;
  CopyExerciseBoard copyBoard;
  LessonsOpener lessons;
  ExerciseReplyPoster poster;
  SdlAudioSystem audio;
  ThreadTimerService timers;
  SteadyClock clock;
  StraightKeyInput straightKey;
  MidiKeyInput midiKey;
  std::unique_ptr<SerialKeyInput> serialKey;
  KeySources key;
  RandomSource random;
  ExerciseContext context;
};

bool StartWorker(ExerciseContext& context, CopyExerciseBoard& copyBoard) {
  ExerciseRoutines routines{
      [](ExerciseContext& exercise) { RunSendingExercise(exercise); },
      [](ExerciseContext& exercise) { RunKeyingExercise(exercise); },
      [&copyBoard](ExerciseContext& exercise) { RunCopyExercise(exercise, copyBoard); },
  };
  try {
    std::thread(WorkerThreadProc, std::ref(context), std::move(routines)).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

// The application object, made under the watch that turns "no window
// system" into one line and a failed exit.
QApplication* MakeApplication(int& argc, char** argv) {
  const WindowSystemStartWatch watch;
  return new QApplication(argc, argv);
}

}  // namespace

int RunProgram(int argc, char** argv, const std::string& serialKey,
               const std::optional<KeyerOption>& keyer, bool openLessons) {
  const std::unique_ptr<QApplication> made(MakeApplication(argc, argv));
  QApplication& application = *made;
  application.setQuitOnLastWindowClosed(false);
  if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(style);
  }
#ifdef DOVRIK_HAVE_RESOURCES
  InitDovrikResources();
  constexpr bool kArtworkBuiltIn = true;
#else
  constexpr bool kArtworkBuiltIn = false;
#endif

  // The worker's queue exists before the dialog that posts to it.
  auto* queue = new ThreadQueue;
  MainDialog dialog(*queue);
  dialog.show();

  QIcon icon;
  icon.addFile(QStringLiteral(":/dovrik/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/dovrik/icon16.png"), QSize(16, 16));
  QApplication::setWindowIcon(icon);

  InitSdlOnce();
  auto* world =
      new WorkerWorld(dialog, *queue, serialKey, LoadKeyerSettings(SettingsFilePath(), keyer));
  auto* accelerators = new AcceleratorFilter(
      dialog,
      [key = &world->straightKey](bool left, bool right) { key->SetControlKeys(left, right); },
      &application);
  accelerators->SetLessonsOpener([lessons = &world->lessons] { lessons->Open(); });
  application.installEventFilter(accelerators);
  QObject::connect(&dialog, &MainDialog::QuitPosted, &application,
                   [](int exitCode) { QCoreApplication::exit(exitCode); });

  if (!StartWorker(world->context, world->copyBoard)) return 0;

  LoadConfigFile(world->controls);
  InitSliders(world->controls);
  world->random.Seed(world->clock.NowMs());

  const QPixmap aboutPicture(QStringLiteral(":/dovrik/about.png"));
  if (aboutPicture.isNull() && kArtworkBuiltIn) return 0;
  dialog.SetAboutPicture(aboutPicture);
  if (openLessons) world->lessons.Open();

  const int exitCode = QApplication::exec();

  SaveConfigFile(world->controls);
  return exitCode;
}

}  // namespace dovrik
