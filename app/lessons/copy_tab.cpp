#include "app/lessons/copy_tab.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/lessons/copy_result_text.h"
#include "history/history_store.h"
#include "lessons/lesson_attempt.h"
#include "lessons/lesson_sound.h"
#include "lessons/promotion.h"
#include "lessons/scoring.h"
#include "lessons/text_generator.h"
#include "platform/audio_format.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"
#include "sender/noise_cursor.h"
#include "sender/timed_synthesis.h"
#include "worker/copy_exercise.h"

namespace dovrik {
namespace {

constexpr int kCustomItem = kLastLesson;  // the picker's last entry

QString SpacedCharacters(const std::string& characters) {
  QStringList spaced;
  for (char character : characters) spaced << QString(QLatin1Char(character));
  return spaced.join(QLatin1Char(' '));
}

QSpinBox* MakeSpinBox(int lowest, int highest, const QString& suffix, const QString& name,
                      QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(lowest, highest);
  box->setSuffix(suffix);
  box->setAccessibleName(name);
  return box;
}

// The groups of `text` as the offsets of their first characters.
std::vector<size_t> GroupOffsets(const std::string& text) {
  std::vector<size_t> offsets;
  for (size_t index = 0; index < text.size(); ++index) {
    if (text[index] != ' ' && (index == 0 || text[index - 1] == ' ')) offsets.push_back(index);
  }
  return offsets;
}

// The first `groups` groups of `text`.
std::string FirstGroups(const std::string& text, int groups) {
  const std::vector<size_t> offsets = GroupOffsets(text);
  if (groups <= 0 || static_cast<size_t>(groups) >= offsets.size()) return text;
  std::string cut = text.substr(0, offsets[static_cast<size_t>(groups)]);
  while (!cut.empty() && cut.back() == ' ') cut.pop_back();
  return cut;
}

uint32_t DeviceVolume(int percent) {
  const uint32_t v = static_cast<uint32_t>(std::clamp(percent, 0, 100)) * 65535u / 100u;
  return v | (v << 16);
}

}  // namespace

CopyTab::CopyTab(ThreadQueue& worker, CopyExerciseBoard& board, HistoryStore& history,
                 std::string settingsPath, QWidget* parent)
    : QWidget(parent),
      worker_(worker),
      board_(board),
      history_(history),
      settingsPath_(std::move(settingsPath)) {
  BuildControls();
  LoadSettings();
  if (!history_.Usable()) ShowHistoryProblem(history_.Problem());
  ShowRunning(false);
}

void CopyTab::BuildControls() {
  auto* layout = new QVBoxLayout(this);

  auto* lessonBox = new QGroupBox(QStringLiteral("Lesson"), this);
  auto* lessonForm = new QFormLayout(lessonBox);
  lesson_ = new QComboBox(lessonBox);
  for (int lesson = kFirstLesson; lesson <= kLastLesson; ++lesson) {
    const CharacterSet set = *LessonCharacterSet(lesson);
    lesson_->addItem(
        QStringLiteral("Lesson %1: %2").arg(lesson).arg(SpacedCharacters(set.characters)));
  }
  lesson_->addItem(QStringLiteral("Custom characters"));
  lesson_->setAccessibleName(QStringLiteral("Lesson"));
  // The last lessons list 39 characters: the picker shows the start of each
  // entry and opens wide enough for all of it.
  lesson_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  lesson_->setMinimumContentsLength(22);
  lesson_->view()->setMinimumWidth(lesson_->view()->sizeHintForColumn(0) + 24);
  custom_ = new QLineEdit(lessonBox);
  custom_->setAccessibleName(QStringLiteral("Custom characters"));
  custom_->setAccessibleDescription(
      QStringLiteral("the characters to train, the newest last, for example KMR"));
  custom_->setPlaceholderText(QStringLiteral("e.g. KMR (the newest last)"));
  lessonForm->addRow(QStringLiteral("&Lesson:"), lesson_);
  lessonForm->addRow(QStringLiteral("C&ustom characters:"), custom_);
  connect(lesson_, &QComboBox::currentIndexChanged, this,
          [this](int index) { custom_->setEnabled(!running_ && index == kCustomItem); });

  auto* settingsBox = new QGroupBox(QStringLiteral("Settings"), this);
  auto* grid = new QGridLayout(settingsBox);
  charWpm_ = MakeSpinBox(kLowestWpm, kHighestWpm, QStringLiteral(" WPM"),
                         QStringLiteral("Character speed"), settingsBox);
  effectiveWpm_ = MakeSpinBox(kLowestWpm, kHighestWpm, QStringLiteral(" WPM"),
                              QStringLiteral("Effective speed"), settingsBox);
  effectiveWpm_->setAccessibleDescription(
      QStringLiteral("the spaces between characters and groups stretch to this speed; at "
                     "most the character speed"));
  minutes_ = MakeSpinBox(1, 10, QStringLiteral(" min"), QStringLiteral("Minutes"), settingsBox);
  groups_ = new QComboBox(settingsBox);
  groups_->addItem(QStringLiteral("Five characters"));
  groups_->addItem(QStringLiteral("Variable, 2 to 7"));
  groups_->setAccessibleName(QStringLiteral("Groups"));
  pitch_ = MakeSpinBox(300, 1500, QStringLiteral(" Hz"), QStringLiteral("Pitch"), settingsBox);
  volume_ = MakeSpinBox(0, 100, QStringLiteral(" %"), QStringLiteral("Volume"), settingsBox);
  attack_ = MakeSpinBox(0, 15, QStringLiteral(" ms"), QStringLiteral("Attack"), settingsBox);
  noise_ = MakeSpinBox(0, 100, QStringLiteral(" %"), QStringLiteral("Noise"), settingsBox);
  jitter_ = MakeSpinBox(0, 50, QStringLiteral(" %"), QStringLiteral("Jitter"), settingsBox);
  // E never above C: the effective speed's ceiling follows the character speed.
  connect(charWpm_, &QSpinBox::valueChanged, this,
          [this](int value) { effectiveWpm_->setMaximum(value); });

  const std::vector<std::pair<QString, QWidget*>> rows = {
      {QStringLiteral("C&haracter speed:"), charWpm_},
      {QStringLiteral("E&ffective speed:"), effectiveWpm_},
      {QStringLiteral("&Minutes:"), minutes_},
      {QStringLiteral("&Groups:"), groups_},
      {QStringLiteral("P&itch:"), pitch_},
      {QStringLiteral("&Volume:"), volume_},
      {QStringLiteral("&Attack:"), attack_},
      {QStringLiteral("&Noise:"), noise_},
      {QStringLiteral("&Jitter:"), jitter_}};
  for (size_t index = 0; index < rows.size(); ++index) {
    auto* label = new QLabel(rows[index].first, settingsBox);
    label->setBuddy(rows[index].second);
    const int row = static_cast<int>(index % 5);
    const int column = static_cast<int>(index / 5) * 2;
    grid->addWidget(label, row, column);
    grid->addWidget(rows[index].second, row, column + 1);
    settingControls_.push_back(rows[index].second);
  }
  settingControls_.push_back(lesson_);

  auto* buttons = new QHBoxLayout;
  start_ = new QPushButton(QStringLiteral("Start"), this);
  start_->setAccessibleName(QStringLiteral("Start"));
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  stop_->setAccessibleName(QStringLiteral("Stop"));
  stop_->setAccessibleDescription(QStringLiteral("ends the attempt early; Esc does the same"));
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  status_->setAccessibleName(QStringLiteral("Status"));
  buttons->addWidget(start_);
  buttons->addWidget(stop_);
  buttons->addWidget(status_, 1);
  connect(start_, &QPushButton::clicked, this, &CopyTab::Start);
  connect(stop_, &QPushButton::clicked, this, &CopyTab::Stop);

  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto* copyLabel = new QLabel(QStringLiteral("&Your copy:"), this);
  copyBox_ = new QPlainTextEdit(this);
  copyBox_->setAccessibleName(QStringLiteral("Your copy"));
  copyBox_->setAccessibleDescription(
      QStringLiteral("type what you hear; the groups are shown when the attempt ends"));
  copyBox_->setTabChangesFocus(true);
  copyBox_->setFont(fixed);
  copyLabel->setBuddy(copyBox_);

  auto* resultLabel = new QLabel(QStringLiteral("&Result:"), this);
  result_ = new QPlainTextEdit(this);
  result_->setReadOnly(true);
  result_->setAccessibleName(QStringLiteral("Result"));
  result_->setTabChangesFocus(true);
  result_->setFont(fixed);
  result_->setLineWrapMode(QPlainTextEdit::NoWrap);
  result_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  resultLabel->setBuddy(result_);

  nextLesson_ = new QPushButton(QStringLiteral("Go &on to the next lesson"), this);
  nextLesson_->setAccessibleName(QStringLiteral("Go on to the next lesson"));
  nextLesson_->hide();
  connect(nextLesson_, &QPushButton::clicked, this, &CopyTab::MoveToNextLesson);

  historyNotice_ = new QLabel(this);
  historyNotice_->setWordWrap(true);
  historyNotice_->setAccessibleName(QStringLiteral("History"));
  historyNotice_->hide();

  auto* top = new QHBoxLayout;
  top->addWidget(lessonBox);
  top->addWidget(settingsBox);
  top->addStretch(1);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->addWidget(copyLabel);
  layout->addWidget(copyBox_, 1);
  layout->addWidget(resultLabel);
  layout->addWidget(result_, 2);
  layout->addWidget(nextLesson_, 0, Qt::AlignLeft);
  layout->addWidget(historyNotice_);

  // Reading order: the lesson, its settings, the commands, the copy, the result.
  QWidget* previous = lesson_;
  for (QWidget* next : std::initializer_list<QWidget*>{
           custom_, charWpm_, effectiveWpm_, minutes_, groups_, pitch_, volume_, attack_, noise_,
           jitter_, start_, stop_, copyBox_, result_, nextLesson_}) {
    QWidget::setTabOrder(previous, next);
    previous = next;
  }
}

void CopyTab::LoadSettings() {
  const LessonSettings settings = ReadLessonSettings(SettingsFile::Load(settingsPath_));
  charWpm_->setValue(settings.charWpm);
  effectiveWpm_->setMaximum(settings.charWpm);
  effectiveWpm_->setValue(settings.effectiveWpm);
  minutes_->setValue(settings.minutes);
  groups_->setCurrentIndex(settings.groups == GroupMode::kVariable ? 1 : 0);
  pitch_->setValue(settings.pitch);
  volume_->setValue(settings.volume);
  attack_->setValue(settings.attack);
  noise_->setValue(settings.noise);
  jitter_->setValue(settings.jitter);
  const int reached = std::clamp(history_.LessonReached(), kFirstLesson, kLastLesson);
  lesson_->setCurrentIndex(reached - 1);
  custom_->setEnabled(false);
}

LessonSettings CopyTab::SettingsFromControls() const {
  LessonSettings settings;
  settings.charWpm = charWpm_->value();
  settings.effectiveWpm = std::min(effectiveWpm_->value(), settings.charWpm);
  settings.minutes = minutes_->value();
  settings.groups = groups_->currentIndex() == 1 ? GroupMode::kVariable : GroupMode::kFive;
  settings.pitch = pitch_->value();
  settings.volume = volume_->value();
  settings.attack = attack_->value();
  settings.noise = noise_->value();
  settings.jitter = jitter_->value();
  return settings;
}

void CopyTab::SaveSettings() {
  // The rest of the file, other sections and lines included, stays as read.
  SettingsFile file = SettingsFile::Load(settingsPath_);
  WriteLessonSettings(SettingsFromControls(), file);
  file.Save(settingsPath_);
}

std::optional<CharacterSet> CopyTab::ChosenSet(QString* problem) const {
  if (lesson_->currentIndex() != kCustomItem)
    return LessonCharacterSet(lesson_->currentIndex() + 1);
  std::string error;
  std::optional<CharacterSet> set = CustomCharacterSet(custom_->text().toStdString(), &error);
  if (!set) *problem = QStringLiteral("Custom characters: %1").arg(QString::fromStdString(error));
  return set;
}

void CopyTab::Start() {
  if (running_ || !heldBecause_.isEmpty()) return;
  QString problem;
  const std::optional<CharacterSet> set = ChosenSet(&problem);
  if (!set) return ShowProblem(problem);
  settings_ = SettingsFromControls();
  std::string timingError;
  const std::optional<LessonTiming> timing =
      FarnsworthTiming(settings_.charWpm, settings_.effectiveWpm, &timingError);
  if (!timing) return ShowProblem(QString::fromStdString(timingError));
  SaveSettings();

  set_ = *set;
  timing_ = *timing;
  TextRequest request;
  request.set = set_;
  request.groups = settings_.groups;
  request.minutes = settings_.minutes;
  request.timing = timing_;
  request.seed = fixedSeed_ ? *fixedSeed_ : QRandomGenerator::global()->generate();
  request.records = RecentRecords(history_.Attempts());
  sent_ = FirstGroups(GenerateLessonText(request), groupLimit_);

  leadIn_ = kLessonLeadIn;
  groupStarts_.clear();
  for (const size_t offset : GroupOffsets(sent_)) {
    groupStarts_.push_back(leadIn_ +
                           (offset == 0 ? 0 : TextSamples(sent_.substr(0, offset - 1), timing_)));
  }

  CopyLesson lesson;
  lesson.leadInSamples = leadIn_;
  lesson.deviceVolume = DeviceVolume(settings_.volume);
  lesson.synthesize = [text = sent_, settings = settings_, timing = timing_,
                       noiseStart = request.seed] {
    // The lead-in (noise alone), then the text's marks and spaces.
    const std::vector<TimedSpan> spans = LessonSpans(text, timing);
    NoiseCursor cursor(noiseStart);
    TimedSynthesis synthesis(spans, LessonTone(settings, timing), cursor);
    std::vector<int16_t> sound;
    sound.reserve(static_cast<size_t>(TotalSamples(spans)));
    int16_t block[8192];
    while (const int32_t made = synthesis.Fill(block))
      sound.insert(sound.end(), block, block + made);
    return sound;
  };
  board_.Hand(std::move(lesson));
  worker_.Post(MSG_START_COPY);

  running_ = true;
  stopAsked_ = false;
  copyBox_->clear();
  result_->clear();
  result_->setAccessibleDescription(QString());
  nextLesson_->hide();
  ShowRunning(true);
  status_->setText(
      set_.lesson > 0 ? QStringLiteral("Lesson %1 is playing. Type what you hear.").arg(set_.lesson)
                      : QStringLiteral("Your characters are playing. Type what you hear."));
  copyBox_->setFocus(Qt::OtherFocusReason);
  emit RunningChanged(true);
}

void CopyTab::Stop() {
  if (!running_ || stopAsked_) return;
  stopAsked_ = true;
  stop_->setEnabled(false);
  worker_.Post(MSG_STOP_EXERCISE);
}

std::string CopyTab::SentSoFar(int64_t playedSamples) const {
  const std::vector<size_t> offsets = GroupOffsets(sent_);
  size_t begun = 0;
  while (begun < groupStarts_.size() && groupStarts_[begun] - leadIn_ < playedSamples) ++begun;
  if (begun >= offsets.size()) return sent_;
  std::string cut = sent_.substr(0, offsets[begun]);
  while (!cut.empty() && cut.back() == ' ') cut.pop_back();
  return cut;
}

void CopyTab::ExerciseEnded() {
  if (!running_) return;
  running_ = false;
  const CopyOutcome outcome = board_.Outcome();
  ShowRunning(false);
  emit RunningChanged(false);
  if (!outcome.failure.empty()) {
    result_->clear();
    ShowProblem(QStringLiteral("%1: the lesson could not be played, and nothing was recorded.")
                    .arg(QString::fromStdString(outcome.failure)));
    return;
  }

  const std::string sent = outcome.stoppedEarly ? SentSoFar(outcome.playedSamples) : sent_;
  if (sent.empty()) {
    // Stopped in the lead-in: nothing was sent, so there is nothing to score
    // or to keep.
    result_->clear();
    ShowProblem(QStringLiteral("Stopped before the first group: nothing to score."));
    return;
  }
  const CopyScore score = ScoreCopy(sent, copyBox_->toPlainText().toStdString());
  const PromotionVerdict verdict = JudgeAttempt(score, set_.newest);
  result_->setPlainText(CopyResultText(score, verdict, set_));
  status_->setText(outcome.stoppedEarly
                       ? QStringLiteral("Stopped early: the groups played so far are scored.")
                       : QStringLiteral("The attempt is over."));

  const double minutes = static_cast<double>(outcome.playedSamples) / (60.0 * kSampleRate);
  Attempt attempt = MakeAttempt(score, set_, "copy", settings_.charWpm, settings_.effectiveWpm,
                                minutes, NowUtcMs());
  std::string error;
  if (!history_.Usable()) {
    ShowHistoryProblem(history_.Problem());
  } else if (!history_.Add(attempt, &error)) {
    ShowHistoryProblem("History is not being saved: " + error);
  } else {
    emit AttemptRecorded();
  }

  if (verdict.passed && set_.lesson > 0 && set_.lesson < kLastLesson) {
    nextLesson_->setText(QStringLiteral("Go &on to lesson %1").arg(set_.lesson + 1));
    nextLesson_->setAccessibleName(QStringLiteral("Go on to lesson %1").arg(set_.lesson + 1));
    nextLesson_->setAccessibleDescription(
        QStringLiteral("you passed; you may also stay on lesson %1 and start again")
            .arg(set_.lesson));
    nextLesson_->show();
  }
  result_->setFocus(Qt::OtherFocusReason);
  Announce(CopyResultAnnouncement(score, verdict, set_));
}

void CopyTab::MoveToNextLesson() {
  const int next = lesson_->currentIndex() + 2;
  if (next > kLastLesson) return;
  lesson_->setCurrentIndex(next - 1);
  nextLesson_->hide();
  std::string error;
  if (history_.Usable() && !history_.SetLessonReached(next, NowUtcMs(), &error)) {
    ShowHistoryProblem("History is not being saved: " + error);
  } else if (history_.Usable()) {
    emit AttemptRecorded();
  }
  status_->setText(QStringLiteral("Lesson %1 adds %2.")
                       .arg(next)
                       .arg(QLatin1Char(LessonCharacterSet(next)->newest)));
  start_->setFocus(Qt::OtherFocusReason);
  Announce(status_->text());
}

void CopyTab::SetHeldElsewhere(const QString& why) {
  heldBecause_ = why;
  UpdateStartState();
}

void CopyTab::UpdateStartState() {
  const bool held = !heldBecause_.isEmpty();
  start_->setEnabled(!running_ && !held);
  const QString description =
      held ? heldBecause_
           : (running_ ? QStringLiteral("an attempt is playing; Stop or Esc ends it")
                       : QStringLiteral("plays the lesson after a one-second lead-in"));
  if (start_->accessibleDescription() != description) {
    start_->setAccessibleDescription(description);
    QAccessibleEvent described(start_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
  }
}

void CopyTab::ShowRunning(bool running) {
  stop_->setEnabled(running);
  for (QWidget* control : settingControls_) control->setEnabled(!running);
  custom_->setEnabled(!running && lesson_->currentIndex() == kCustomItem);
  copyBox_->setReadOnly(!running);
  UpdateStartState();
}

void CopyTab::ShowProblem(const QString& problem) {
  status_->setText(problem);
  Announce(problem);
}

void CopyTab::Announce(const QString& text) {
  // Screen readers read a description change of the object that has the
  // focus, or of the result view the attempt's end moves the focus to.
  QWidget* speaker = result_;
  speaker->setAccessibleDescription(text);
  QAccessibleEvent described(speaker, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&described);
}

void CopyTab::ShowHistoryProblem(const std::string& problem) {
  historyNotice_->setText(QString::fromStdString(problem));
  historyNotice_->show();
}

}  // namespace dovrik
