// The Dovrik Lessons window with the real worker idle loop on its own thread
// and SDL's audio on its dummy or disk driver: a copy attempt is played,
// typed, scored, shown and recorded in a real SQLite history; and one
// exercise plays at a time across the lessons window and the main dialog.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <memory>
#include <thread>

#include "app/about_box.h"
#include "app/accelerator_filter.h"
#include "app/lessons/copy_tab.h"
#include "app/lessons/lessons_window.h"
#include "app/lessons/progress_tab.h"
#include "history/history_store.h"
#include "lessons/lesson_settings.h"
#include "lessons/scoring.h"
#include "platform/audio_format.h"
#include "platform/clock.h"
#include "platform/exercise_context.h"
#include "platform/key_input.h"
#include "platform/messages.h"
#include "platform/periodic_timer.h"
#include "platform/sdl/sdl_audio_system.h"
#include "sender/random_source.h"
#include "tests/app_test_support.h"
#include "tests/support/sdl_test_support.h"
#include "worker/copy_exercise.h"
#include "worker/worker_thread.h"

namespace dovrik {
namespace {

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

// The letter after "&" in a caption, upper-cased, or nothing.
QString Mnemonic(const QString& caption) {
  const qsizetype at = caption.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < caption.size() ? caption.mid(at + 1, 1).toUpper() : QString();
}

// Fast lessons: characters and spaces at 40 WPM, no noise, so that a couple
// of groups play in a few seconds.
constexpr const char* kFastLessons =
    "[lessons]\npitch=700\nvolume=90\nattack_ms=3\nnoise=0\njitter=0\nchar_wpm=40\n"
    "effective_wpm=40\nminutes=1\ngroups=five\n";

class LessonsWindowTest : public ::testing::Test {
 protected:
  explicit LessonsWindowTest(const char* driver = "dummy", const std::string& recording = "")
      : audioDriver_(driver, recording),
        history_(HistoryStore::Open(HistoryPath())),
        window_(*shown_.dialog, shown_.worker, board_, history_, SettingsPath()),
        poster_(*shown_.dialog, window_),
        context_{shown_.worker, shown_.controls, poster_, audio_, timers_, clock_, key_, random_} {
    routines_.copy = [this](ExerciseContext& context) { RunCopyExercise(context, board_); };
    filter_.SetLessonsOpener([this] { window_.Open(); });
    qApp->installEventFilter(&filter_);
  }
  ~LessonsWindowTest() override {
    qApp->removeEventFilter(&filter_);
    if (worker_.joinable()) {
      shown_.worker.Post(MSG_STOP_EXERCISE);
      shown_.worker.Post(MSG_WORKER_QUIT);
      worker_.join();
    }
  }

  static std::string WriteSettings(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("settings.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(kFastLessons);
    return path.toStdString();
  }
  std::string SettingsPath() const { return WriteSettings(folder_); }
  std::string HistoryPath() const {
    return folder_.filePath(QStringLiteral("history.sqlite3")).toStdString();
  }

  void StartWorker() {
    worker_ = std::thread([this] { RunWorkerIdleLoop(context_, routines_); });
  }
  CopyTab& Copy() { return *window_.Copy(); }
  MainDialog& Main() { return *shown_.dialog; }
  void OpenWindow() {
    window_.Open();
    QApplication::setActiveWindow(&window_);
    (void)QTest::qWaitForWindowActive(&window_);
  }

  QTemporaryDir folder_;
  ScopedAudioDriver audioDriver_;
  testing::ShownDialog shown_;
  CopyExerciseBoard board_;
  HistoryStore history_;
  LessonsWindow window_;
  ExerciseReplyPoster poster_;
  SdlAudioSystem audio_;
  NoTimers timers_;
  StoppedClock clock_;
  KeyUp key_;
  RandomSource random_{1};
  ExerciseContext context_;
  ExerciseRoutines routines_;
  AcceleratorFilter filter_{*shown_.dialog, nullptr};
  std::thread worker_;
};

// The same on SDL's disk driver, which records what the device plays.
class RecordedLessonsWindowTest : public LessonsWindowTest {
 protected:
  RecordedLessonsWindowTest() : LessonsWindowTest("disk", RecordingPath()) {}
  static std::string RecordingPath() {
    static const std::string path =
        QDir::temp()
            .filePath(
                QStringLiteral("dovrik-lessons-%1.raw").arg(QCoreApplication::applicationPid()))
            .toStdString();
    return path;
  }
};

TEST_F(RecordedLessonsWindowTest, ACopyAttemptIsPlayedTypedScoredShownAndRecorded) {
  ASSERT_TRUE(audioDriver_.ok()) << "SDL's disk audio driver";
  StartWorker();
  OpenWindow();
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("Dovrik Lessons"));
  Copy().LessonPicker()->setCurrentIndex(0);  // lesson 1: K and M
  Copy().SetGroupLimitForTesting(2);
  Copy().SetSeedForTesting(7);
  QTest::mouseClick(Copy().StartButton(), Qt::LeftButton);

  ASSERT_TRUE(Copy().Running());
  const std::string sent = Copy().SentText();
  ASSERT_EQ(sent.size(), 11u) << sent;  // two groups of five and the space between
  for (char character : sent) EXPECT_TRUE(character == 'K' || character == 'M' || character == ' ');
  // While it plays: the copy box has the focus, the sent text is nowhere to
  // be read, and the main dialog's Start waits, saying why.
  EXPECT_EQ(QApplication::focusWidget(), Copy().CopyBox());
  EXPECT_TRUE(Copy().ResultView()->toPlainText().isEmpty());
  EXPECT_FALSE(Main().Button(kStartButtonId)->isEnabled());
  EXPECT_EQ(Main().Button(kStartButtonId)->accessibleDescription(),
            QString::fromLatin1(kHeldByLessons));

  // The learner hears every character but mistakes the last one.
  std::string typed = sent;
  typed.back() = typed.back() == 'K' ? 'M' : 'K';
  QTest::keyClicks(Copy().CopyBox(), QString::fromStdString(typed).toLower());
  QTRY_VERIFY_WITH_TIMEOUT(!Copy().Running(), 30000);

  const QString result = Copy().ResultView()->toPlainText();
  EXPECT_TRUE(result.startsWith(QStringLiteral("Score 90 %: 1 error in 11 sent characters.")))
      << result.toStdString();
  EXPECT_TRUE(result.contains(QStringLiteral("Substitutions 1, insertions 0, deletions 0.")));
  EXPECT_TRUE(result.contains(QStringLiteral("Sent:   ") + QString::fromStdString(sent)));
  EXPECT_TRUE(result.contains(QStringLiteral("Copied: ") + QString::fromStdString(typed)));
  EXPECT_TRUE(result.contains(QStringLiteral("Errors: ") + QString(10, QLatin1Char(' ')) +
                              QLatin1Char('x')));  // under the last character alone
  EXPECT_EQ(Copy().ResultView()->accessibleDescription().left(19),
            QStringLiteral("Score 90 %, 1 error"));
  EXPECT_EQ(QApplication::focusWidget(), Copy().ResultView());
  EXPECT_TRUE(Main().Button(kStartButtonId)->isEnabled());
  EXPECT_TRUE(Main().Button(kStartButtonId)->accessibleDescription().isEmpty());

  // The newest character, M, is judged on its own: whether the attempt
  // passed follows from the last character's mistake.
  const CopyScore score = ScoreCopy(sent, typed);
  const auto m = CountOf(score, 'M');
  const bool passes = m.sent > 0 && m.right * 10 >= m.sent * 9;
  EXPECT_EQ(Copy().NextLessonButton()->isVisible(), passes);

  // In the history: one attempt of exercise "copy", both texts and the score.
  const std::vector<Attempt> attempts = HistoryStore::Open(HistoryPath()).Attempts();
  ASSERT_EQ(attempts.size(), 1u);
  EXPECT_EQ(attempts[0].exercise, "copy");
  EXPECT_EQ(attempts[0].lesson, 1);
  EXPECT_EQ(attempts[0].sentText, sent);
  EXPECT_EQ(attempts[0].typedText, typed);
  EXPECT_NEAR(attempts[0].score, 10.0 / 11.0, 1e-9);
  EXPECT_EQ(attempts[0].charWpm, 40);
  EXPECT_FALSE(Copy().HistoryNotice()->isVisible());

  // The device played the lead-in (silent with no noise) and then the tones.
  shown_.worker.Post(MSG_WORKER_QUIT);
  worker_.join();
  const std::vector<int16_t> recording = ReadRecording(RecordedLessonsWindowTest::RecordingPath());
  std::remove(RecordedLessonsWindowTest::RecordingPath().c_str());
  ASSERT_GT(recording.size(), static_cast<size_t>(kSampleRate + 1000));
  int leadInPeak = 0;
  for (size_t index = 0; index < static_cast<size_t>(kSampleRate); ++index)
    leadInPeak = std::max(leadInPeak, std::abs(static_cast<int>(recording[index])));
  EXPECT_EQ(leadInPeak, 0);
  int tonePeak = 0;
  for (size_t index = kSampleRate; index < recording.size(); ++index)
    tonePeak = std::max(tonePeak, std::abs(static_cast<int>(recording[index])));
  EXPECT_GT(tonePeak, 20000);  // volume 90 %
}

TEST_F(LessonsWindowTest, WhileTheMainDialogsExerciseRunsStartWaitsAndSaysWhy) {
  routines_.sending = [](ExerciseContext& context) { WaitForStop(context); };
  StartWorker();
  OpenWindow();
  QTest::keyClick(&Main(), Qt::Key_S, Qt::AltModifier);
  ASSERT_TRUE(Main().ExerciseRunning());
  EXPECT_FALSE(Copy().StartButton()->isEnabled());
  EXPECT_EQ(Copy().StartButton()->accessibleDescription(), QString::fromLatin1(kHeldByMainDialog));
  Copy().Start();  // a call that comes anyway starts nothing
  EXPECT_FALSE(Copy().Running());
  EXPECT_FALSE(board_.Take().has_value());

  QTest::keyClick(&Main(), Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(!Main().ExerciseRunning());
  EXPECT_TRUE(Copy().StartButton()->isEnabled());
  EXPECT_NE(Copy().StartButton()->accessibleDescription(), QString::fromLatin1(kHeldByMainDialog));
}

TEST_F(LessonsWindowTest, WhileACopyRunsTheMainDialogWaitsAndEscScoresWhatHasPlayed) {
  std::atomic<int> sendingStarts{0};
  routines_.sending = [&](ExerciseContext& context) {
    ++sendingStarts;
    WaitForStop(context);
  };
  StartWorker();
  OpenWindow();
  Copy().LessonPicker()->setCurrentIndex(4);  // lesson 5: K M U R E S
  Copy().StartButton()->click();              // a whole minute of groups
  ASSERT_TRUE(Copy().Running());
  for (const int id : {kStartButtonId, kKeyButtonId, kAboutButtonId, kExitButtonId}) {
    EXPECT_FALSE(Main().Control(id)->isEnabled()) << id;
  }
  EXPECT_EQ(Main().Control(kKeyButtonId)->accessibleDescription(),
            QString::fromLatin1(kHeldByLessons));
  QTest::keyClick(&Main(), Qt::Key_S, Qt::AltModifier);  // the accelerator is held too
  QTest::keyClick(&Main(), Qt::Key_K, Qt::AltModifier);
  EXPECT_FALSE(Main().ExerciseRunning());

  // Two seconds in (one of lead-in), Esc in the copy box ends the attempt;
  // only the groups that had begun to sound are scored.
  QTest::qWait(2000);
  QTest::keyClick(Copy().CopyBox(), Qt::Key_Escape);
  QTRY_VERIFY_WITH_TIMEOUT(!Copy().Running(), 10000);
  const QString result = Copy().ResultView()->toPlainText();
  const QString sentLine = result.section(QLatin1Char('\n'), 4, 4);
  ASSERT_TRUE(sentLine.startsWith(QStringLiteral("Sent:   "))) << result.toStdString();
  const QString scored = sentLine.mid(8).remove(QLatin1Char('_'));
  EXPECT_FALSE(scored.isEmpty());
  EXPECT_LT(scored.size(), static_cast<qsizetype>(Copy().SentText().size()));
  EXPECT_TRUE(QString::fromStdString(Copy().SentText()).startsWith(scored));
  EXPECT_TRUE(result.contains(QStringLiteral("Score 0 %")));  // nothing was typed

  // The main dialog's commands are back, and work.
  QTRY_VERIFY(Main().Button(kStartButtonId)->isEnabled());
  QTest::keyClick(&Main(), Qt::Key_S, Qt::AltModifier);
  QTRY_COMPARE(sendingStarts.load(), 1);
  EXPECT_FALSE(Copy().StartButton()->isEnabled());
  QTest::keyClick(&Main(), Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(Copy().StartButton()->isEnabled());
}

TEST_F(LessonsWindowTest, AnAboutBoxClosedDuringACopyLeavesTheMainDialogHeld) {
  StartWorker();
  OpenAboutBox(Main());
  ASSERT_NE(Main().CurrentAboutBox(), nullptr);
  OpenWindow();
  Copy().StartButton()->click();
  ASSERT_TRUE(Copy().Running());
  Main().CurrentAboutBox()->close();
  QTRY_COMPARE(Main().CurrentAboutBox(), nullptr);
  for (const int id : {kStartButtonId, kKeyButtonId, kAboutButtonId, kExitButtonId}) {
    EXPECT_FALSE(Main().Control(id)->isEnabled()) << id;
  }
  Copy().Stop();
  QTRY_VERIFY_WITH_TIMEOUT(!Copy().Running(), 10000);
  for (const int id : {kStartButtonId, kKeyButtonId, kAboutButtonId, kExitButtonId}) {
    EXPECT_TRUE(Main().Control(id)->isEnabled()) << id;
  }
}

TEST_F(LessonsWindowTest, StoppedInTheLeadInNothingIsScoredOrKept) {
  StartWorker();
  OpenWindow();
  Copy().StartButton()->click();
  QTest::keyClicks(Copy().CopyBox(), QStringLiteral("kmk"));
  Copy().StopButton()->click();  // well inside the one-second lead-in
  QTRY_VERIFY_WITH_TIMEOUT(!Copy().Running(), 10000);
  EXPECT_TRUE(Copy().ResultView()->toPlainText().isEmpty());
  EXPECT_EQ(Copy().ResultView()->accessibleDescription(),
            QStringLiteral("Stopped before the first group: nothing to score."));
  EXPECT_TRUE(history_.Attempts().empty());
  EXPECT_TRUE(Copy().StartButton()->isEnabled());
}

// No sound card, no server: SDL opens no device.
class NoAudioLessonsWindowTest : public LessonsWindowTest {
 protected:
  NoAudioLessonsWindowTest() : LessonsWindowTest("no-such-driver") {}
};

TEST_F(NoAudioLessonsWindowTest, WithoutAudioTheTabSaysSoAndKeepsNothing) {
  StartWorker();
  OpenWindow();
  Copy().StartButton()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!Copy().Running(), 10000);
  EXPECT_EQ(Copy().ResultView()->accessibleDescription(),
            QStringLiteral("No audio output: the lesson could not be played, and nothing was "
                           "recorded."));
  EXPECT_TRUE(history_.Attempts().empty());
  EXPECT_TRUE(Main().Button(kStartButtonId)->isEnabled());
}

// A history Dovrik cannot use is said on the tab, left as it was, and the
// lessons still run.
class UnusableHistoryTest : public LessonsWindowTest {
 protected:
  static std::string CorruptHistory() {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history.sqlite3"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray("not a database\n").repeated(300));
    return path.toStdString();
  }
};

TEST_F(UnusableHistoryTest, TheTabSaysSoAndTheLessonStillRuns) {
  const std::string path = CorruptHistory();
  QFile before(QString::fromStdString(path));
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray bytes = before.readAll();
  HistoryStore corrupt = HistoryStore::Open(path);
  ASSERT_FALSE(corrupt.Usable());
  LessonsWindow window(Main(), shown_.worker, board_, corrupt, SettingsPath());
  ExerciseReplyPoster poster(Main(), window);
  ExerciseContext context{shown_.worker, shown_.controls, poster, audio_,
                          timers_,       clock_,          key_,   random_};
  worker_ = std::thread([&] { RunWorkerIdleLoop(context, routines_); });
  window.show();

  CopyTab& copy = *window.Copy();
  EXPECT_TRUE(copy.HistoryNotice()->isVisible());
  EXPECT_TRUE(copy.HistoryNotice()->text().startsWith(QStringLiteral("History is not being saved")))
      << copy.HistoryNotice()->text().toStdString();
  copy.SetGroupLimitForTesting(1);
  copy.Start();
  ASSERT_TRUE(copy.Running());
  QTest::keyClicks(copy.CopyBox(), QString::fromStdString(copy.SentText()));
  QTRY_VERIFY_WITH_TIMEOUT(!copy.Running(), 20000);
  EXPECT_TRUE(copy.ResultView()->toPlainText().startsWith(QStringLiteral("Score 100 %")));
  EXPECT_TRUE(copy.HistoryNotice()->isVisible());

  shown_.worker.Post(MSG_WORKER_QUIT);
  worker_.join();
  QFile after(QString::fromStdString(path));
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), bytes);
}

TEST_F(LessonsWindowTest, AltLOpensTheWindowWhoseControlsAndChartsAreNamed) {
  ASSERT_FALSE(window_.isVisible());
  QTest::keyClick(&Main(), Qt::Key_L, Qt::AltModifier);
  ASSERT_TRUE(window_.isVisible());
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("Dovrik Lessons"));
  QTabWidget& tabs = *window_.Tabs();
  ASSERT_EQ(tabs.count(), 3);
  EXPECT_EQ(tabs.tabText(0), QStringLiteral("&Copy"));
  EXPECT_EQ(tabs.tabText(1), QStringLiteral("S&end"));
  EXPECT_EQ(tabs.tabText(2), QStringLiteral("&Progress"));
  EXPECT_TRUE(
      qobject_cast<QLabel*>(tabs.widget(1))->text().contains(QStringLiteral("not here yet")));
  // Every control a learner can reach has a name.
  for (QWidget* widget : window_.findChildren<QWidget*>()) {
    if (widget->focusPolicy() == Qt::NoFocus || qobject_cast<QTabBar*>(widget)) continue;
    if (widget->window() != &window_) continue;  // a picker's list, its own popup
    if (widget->parentWidget() && qobject_cast<QAbstractSpinBox*>(widget->parentWidget())) continue;
    if (widget->parentWidget() && qobject_cast<QComboBox*>(widget->parentWidget())) continue;
    if (qobject_cast<QAbstractScrollArea*>(widget->parentWidget())) continue;  // viewports
    if (qobject_cast<QScrollBar*>(widget)) continue;
    EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->metaObject()->className();
  }
  EXPECT_EQ(Copy().CopyBox()->accessibleName(), QStringLiteral("Your copy"));
  EXPECT_EQ(Copy().ResultView()->accessibleName(), QStringLiteral("Result"));
  EXPECT_EQ(Copy().StartButton()->accessibleName(), QStringLiteral("Start"));
  EXPECT_EQ(Copy().StopButton()->accessibleName(), QStringLiteral("Stop"));
  EXPECT_FALSE(Copy().StopButton()->isEnabled());
  // Tab goes from Start (which has the focus when the window opens) past
  // the idle Stop to the copy box, then to the result.
  QApplication::setActiveWindow(&window_);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  ASSERT_EQ(QApplication::focusWidget(), Copy().StartButton());
  QTest::keyClick(Copy().StartButton(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Copy().CopyBox());
  QTest::keyClick(Copy().CopyBox(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Copy().ResultView());
  // Each Alt key of the window does one thing.
  QString mnemonics;
  for (int index = 0; index < tabs.count(); ++index) mnemonics += Mnemonic(tabs.tabText(index));
  for (QLabel* label : window_.findChildren<QLabel*>()) mnemonics += Mnemonic(label->text());
  for (QAbstractButton* button : window_.findChildren<QAbstractButton*>())
    mnemonics += Mnemonic(button->text());
  QString unique = mnemonics;
  std::sort(unique.begin(), unique.end());
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
  EXPECT_EQ(unique.size(), mnemonics.size()) << mnemonics.toStdString();
  EXPECT_GE(mnemonics.size(), 16);
  // Each chart says its figures in words.
  EXPECT_EQ(window_.Progress()->ScoreChart()->accessibleDescription(),
            QStringLiteral("No attempts yet."));

  // A setting changed and the window closed: the next run finds it.
  QSpinBox* pitch = nullptr;
  for (QSpinBox* box : window_.findChildren<QSpinBox*>())
    if (box->accessibleName() == QStringLiteral("Pitch")) pitch = box;
  ASSERT_NE(pitch, nullptr);
  pitch->setValue(1234);
  window_.close();
  EXPECT_FALSE(window_.isVisible());
  const QString written = folder_.filePath(QStringLiteral("settings.ini"));
  EXPECT_EQ(ReadLessonSettings(SettingsFile::Load(written.toStdString())).pitch, 1234);
}

}  // namespace
}  // namespace dovrik
