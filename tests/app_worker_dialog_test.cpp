// The dialog with the real worker idle loop on its own thread, running
// scripted exercises that use the dialog's controls from the worker thread
// exactly as the real exercises do.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "app/accelerator_filter.h"
#include "app/dialog_widgets.h"
#include "app/strip_chart_widget.h"
#include "config/config_file.h"
#include "platform/audio_system.h"
#include "platform/clock.h"
#include "platform/dialog_controls.h"
#include "platform/exercise_context.h"
#include "platform/key_input.h"
#include "platform/messages.h"
#include "platform/periodic_timer.h"
#include "sender/random_source.h"
#include "tables/slider_table.h"
#include "tests/app_test_support.h"
#include "worker/worker_thread.h"

namespace dovrik {
namespace {

class NoAudio : public AudioSystem {
 public:
  std::unique_ptr<WaveOut> CreateWaveOut() override { return nullptr; }
  std::unique_ptr<SoundDevice> CreateSoundDevice() override { return nullptr; }
};
class NoTimers : public TimerService {
 public:
  std::unique_ptr<PeriodicTimer> StartPeriodic(int, std::function<void()>) override {
    return nullptr;
  }
};
class StoppedClock : public Clock {
 public:
  uint32_t NowMs() override { return 1; }
};
class KeyUp : public KeyInput {
 public:
  bool IsDown() override { return false; }
};

// Waits on the worker's queue, as an exercise does, until the stop request.
void WaitForStop(ExerciseContext& context) {
  QueuedMessage message;
  while (context.queue.Get(message)) {
    if (message.message == MSG_STOP_EXERCISE) return;
  }
}

class WorkerDialogTest : public ::testing::Test {
 protected:
  WorkerDialogTest()
      : poster_(*shown_.dialog),
        context_{shown_.worker, shown_.controls, poster_, audio_, timers_, clock_, key_, random_},
        filter_(std::make_unique<AcceleratorFilter>(*shown_.dialog, nullptr)) {
    qApp->installEventFilter(filter_.get());
    for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
      shown_.controls.SetScrollRange(row->controlId, row->minimum, row->maximum);
      shown_.controls.SendThumbPosition(row->controlId, row->startValue);
    }
  }
  ~WorkerDialogTest() override {
    if (worker_.joinable()) {
      shown_.worker.Post(MSG_WORKER_QUIT);
      worker_.join();
    }
    qApp->removeEventFilter(filter_.get());
  }

  void StartWorker() {
    worker_ = std::thread([this] { RunWorkerIdleLoop(context_, routines_); });
  }
  MainDialog& Dialog() { return *shown_.dialog; }
  void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&Dialog(), key, modifiers);
  }
  bool AllLockableEnabled() {
    for (const int* id = LockableControls; *id != 0; ++id) {
      if (!Dialog().Control(*id)->isEnabled()) return false;
    }
    return true;
  }
  bool Idle() {
    return !Dialog().ExerciseRunning() &&
           Dialog().Button(kStartButtonId)->text() == QStringLiteral("&Start") &&
           Dialog().Button(kStartButtonId)->isEnabled() && AllLockableEnabled();
  }

  testing::ShownDialog shown_;
  QtDialogPoster poster_;
  NoAudio audio_;
  NoTimers timers_;
  StoppedClock clock_;
  KeyUp key_;
  RandomSource random_{1};
  ExerciseContext context_;
  ExerciseRoutines routines_;
  std::unique_ptr<AcceleratorFilter> filter_;
  std::thread worker_;
};

TEST_F(WorkerDialogTest, AnExerciseReadsTheSlidersWritesTheOutputBoxAndStopsOnAltS) {
  std::atomic<int> speedSeen{0};
  routines_.sending = [&](ExerciseContext& context) {
    speedSeen = context.dialog.GetScrollPos(1005);
    context.dialog.SetItemText(kOutputBoxId, "");
    context.dialog.AppendToOutputBox("PARIS ");
    context.dialog.AppendToOutputBox("QRZ\r\n");
    WaitForStop(context);
  };
  StartWorker();
  Dialog().ScrollBar(1005)->setValue(20);
  Type(Qt::Key_S, Qt::AltModifier);
  QTRY_COMPARE(Dialog().Output()->toPlainText(), QStringLiteral("PARIS QRZ\n"));
  EXPECT_EQ(speedSeen.load(), 20);
  EXPECT_TRUE(Dialog().ExerciseRunning());
  Type(Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(Idle());
}

TEST_F(WorkerDialogTest, AStartWithNothingTickedReturnsToIdleAtOnce) {
  routines_.sending = [](ExerciseContext& context) {
    bool anyTicked = false;
    for (int id = 1042; id <= 1082; ++id) anyTicked = anyTicked || context.dialog.IsTicked(id);
    if (anyTicked) WaitForStop(context);
  };
  StartWorker();
  Type(Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(Dialog().Button(kStartButtonId)->text(), "&Stop");
  QTRY_VERIFY(Idle());
  EXPECT_EQ(Dialog().Output()->toPlainText(), QString());
}

TEST_F(WorkerDialogTest, AWarningIsAnErrorBoxOwnedByTheDialogAndTheExerciseEndsAfterIt) {
  routines_.sending = [](ExerciseContext& context) {
    context.dialog.ShowWarning("OverRun!\r\nSpeed is too high!");
  };
  StartWorker();
  QString title;
  QString text;
  QWidget* owner = nullptr;
  bool warningIcon = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    title = box->windowTitle();
    text = box->text();
    owner = box->parentWidget();
    warningIcon = box->icon() == QMessageBox::Warning;
    box->button(QMessageBox::Ok)->click();
  });
  poll.start();
  Type(Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(Idle());
  EXPECT_EQ(title, "Error...");
  EXPECT_EQ(text, "OverRun!\nSpeed is too high!");
  EXPECT_EQ(owner, &Dialog());
  EXPECT_TRUE(warningIcon);
}

TEST_F(WorkerDialogTest, TheStripChartIsDrawnFromTheWorkerThread) {
  std::atomic<bool> drawn{false};
  routines_.keying = [&](ExerciseContext& context) {
    StripChartSurface* chart = context.dialog.StripChart();
    int width = 0;
    int height = 0;
    chart->ClientSize(width, height);
    chart->BeginDrawing();
    chart->FillWindowColour({0, 0, width, height});
    chart->MoveTo(0, 5);
    chart->LineTo(10, 5);  // the end pixel is left out
    chart->MoveTo(width - 1, 0);
    chart->LineTo(width - 1, height);
    chart->Scroll({0, 0, width, height}, -2);
    chart->EndDrawing();
    drawn = true;
    WaitForStop(context);
  };
  StartWorker();
  Type(Qt::Key_K, Qt::AltModifier);
  QTRY_VERIFY(drawn.load());
  const QImage image = Dialog().StripChart()->Snapshot();
  ASSERT_EQ(image.width(), 470);
  // After scrolling two pixels left: the line covers x 0..7, the vertical
  // line moved to x 467 and the last two columns keep what they had.
  EXPECT_EQ(image.pixel(0, 5), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(7, 5), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(8, 5), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(467, 3), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(468, 3), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(469, 3), qRgb(0, 0, 0));
  Type(Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(Idle());
}

// The chart keeps no picture: the dialog's repaint of all its controls, as
// an exercise starts and as it ends, wipes the trace.
TEST_F(WorkerDialogTest, TheStripChartIsWipedAsAnExerciseStartsAndEnds) {
  StripChartWidget* chart = Dialog().StripChart();
  const QImage blank = chart->Snapshot();
  auto drawTrace = [](StripChartSurface* surface) {
    surface->FillWindowColour({2, 6, 468, 7});
    surface->MoveTo(100, 6);
    surface->LineTo(300, 6);
  };
  std::atomic<bool> drawn{false};
  std::atomic<bool> blankAtStart{false};
  routines_.keying = [&](ExerciseContext& context) {
    blankAtStart = Dialog().StripChart()->Snapshot() == blank;
    drawTrace(context.dialog.StripChart());
    drawn = true;
    WaitForStop(context);
  };
  StartWorker();

  drawTrace(chart);  // the trace an earlier exercise left
  ASSERT_NE(chart->Snapshot(), blank);
  Type(Qt::Key_K, Qt::AltModifier);
  QTRY_VERIFY(drawn.load());
  EXPECT_TRUE(blankAtStart.load()) << "the old trace was still there as the exercise started";
  EXPECT_EQ(chart->Snapshot().pixel(200, 6), qRgb(0, 0, 0));

  Type(Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(Idle());
  EXPECT_EQ(chart->Snapshot(), blank) << "the trace stayed after the exercise ended";
}

TEST_F(WorkerDialogTest, ClosingDuringAnExerciseStopsItSavesTheSettingsAndEndsWithZero) {
  std::atomic<bool> stopped{false};
  routines_.sending = [&](ExerciseContext& context) {
    WaitForStop(context);
    stopped = true;
  };
  StartWorker();
  QSignalSpy quit(&Dialog(), &MainDialog::QuitPosted);
  Dialog().Button(1042)->click();  // tick A
  Dialog().ScrollBar(1019)->setValue(1000);
  Type(Qt::Key_S, Qt::AltModifier);
  ASSERT_TRUE(Dialog().ExerciseRunning());
  Dialog().close();
  QTRY_COMPARE(quit.count(), 1);
  EXPECT_EQ(quit.at(0).at(0).toInt(), 0);
  EXPECT_TRUE(stopped.load());
  EXPECT_TRUE(Idle());  // the exercise's end came first
  worker_.join();       // the idle loop has left: the worker has stopped

  QTemporaryDir directory;
  const std::string path = directory.filePath("Dovrik.ini").toStdString();
  ASSERT_TRUE(SaveConfigFile(shown_.controls, path));
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("[TONE]\n1000\n\n"), std::string::npos);
  EXPECT_NE(text.str().find("[A]\n1\n\n[B]\n0\n\n"), std::string::npos);
}

TEST_F(WorkerDialogTest, ExitWhileIdleEndsTheLoopAndTheSecondStopIsHarmless) {
  routines_.sending = [](ExerciseContext& context) { WaitForStop(context); };
  StartWorker();
  QSignalSpy quit(&Dialog(), &MainDialog::QuitPosted);
  Type(Qt::Key_S, Qt::AltModifier);
  Type(Qt::Key_S, Qt::AltModifier);
  Type(Qt::Key_S, Qt::AltModifier);  // a second stop stays queued and is passed over
  QTRY_VERIFY(Idle());
  Type(Qt::Key_S, Qt::AltModifier);  // the next exercise starts normally
  EXPECT_TRUE(Dialog().ExerciseRunning());
  QTest::qWait(50);
  EXPECT_TRUE(Dialog().ExerciseRunning());
  Type(Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(Idle());
  Type(Qt::Key_X, Qt::AltModifier);
  QTRY_COMPARE(quit.count(), 1);
  worker_.join();
}

}  // namespace
}  // namespace dovrik
