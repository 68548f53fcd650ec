#include "keyer/paddle_keyer.h"

#include <algorithm>
#include <type_traits>

namespace dovrik {

static_assert(std::is_trivially_copyable_v<PaddleKeyer>,
              "the key sampler copies the keyer to run it ahead");

PaddleKeyer::PaddleKeyer(KeyerMode mode, KeyerTiming timing, int64_t startSample)
    : mode_(mode), timing_(timing), position_(startSample) {
  // Every phase lasts at least one sample, so the keyer always moves on.
  timing_.dotSamples = std::max(timing_.dotSamples, 1);
  timing_.dashSamples = std::max(timing_.dashSamples, 1);
  timing_.spaceSamples = std::max(timing_.spaceSamples, 1);
}

std::optional<int64_t> PaddleKeyer::NextChange() const {
  if (phase_ == Phase::kIdle) return std::nullopt;
  return phaseEnd_;
}

bool PaddleKeyer::ApplyReading(Paddles paddles, KeyChange& change) {
  const bool ditPressed = paddles.dit && !held_.dit;
  const bool dahPressed = paddles.dah && !held_.dah;
  // Dit is counted first, so two paddles first seen in one reading count as
  // dit pressed first and dah pressed last.
  if (ditPressed) ditPressedAs_ = ++presses_;
  if (dahPressed) dahPressedAs_ = ++presses_;
  if (HasMemory() && UnderWay()) {
    ditMemory_ = ditMemory_ || ditPressed;
    dahMemory_ = dahMemory_ || dahPressed;
  }
  held_ = paddles;
  if (mode_ == KeyerMode::kStraight) straightOn_ = paddles.dit || paddles.dah;
  if (mode_ == KeyerMode::kBug) straightOn_ = paddles.dah;

  SettleAtPosition();

  // The squeeze of mode B, seen during the mark of the element under way,
  // including the mark that this very reading started.
  if (mode_ == KeyerMode::kIambicB && phase_ == Phase::kMark && position_ < phaseEnd_) {
    if (element_ == Element::kDit && paddles.dah) dahMemory_ = true;
    if (element_ == Element::kDah && paddles.dit) ditMemory_ = true;
  }
  return TakeChange(change);
}

bool PaddleKeyer::NextChangeBefore(int64_t to, KeyChange& change) {
  while (phase_ != Phase::kIdle && phaseEnd_ < to) {
    position_ = std::max(position_, phaseEnd_);
    SettleAtPosition();
    if (TakeChange(change)) return true;
  }
  position_ = std::max(position_, to);
  return false;
}

void PaddleKeyer::SettleAtPosition() {
  while (phase_ != Phase::kIdle && phaseEnd_ <= position_) EndPhase();
  if (phase_ == Phase::kIdle && Automatic()) StartNextElement();
}

void PaddleKeyer::EndPhase() {
  if (phase_ == Phase::kMark) {
    markOn_ = false;
    phase_ = Phase::kSpace;
    phaseEnd_ += timing_.spaceSamples;
  } else if (phase_ == Phase::kSpace) {
    StartNextElement();
  }
}

void PaddleKeyer::StartNextElement() {
  const Element next = ChooseNextElement();
  if (next == Element::kNone) {
    phase_ = Phase::kIdle;
    element_ = Element::kNone;
    return;
  }
  if (next == Element::kDit) ditMemory_ = false;
  if (next == Element::kDah) dahMemory_ = false;
  // B: the latest reading holds for the new mark too, so a squeeze still
  // held as it starts is seen even before the next reading comes.
  if (mode_ == KeyerMode::kIambicB) {
    if (next == Element::kDit && held_.dah) dahMemory_ = true;
    if (next == Element::kDah && held_.dit) ditMemory_ = true;
  }
  element_ = next;
  phase_ = Phase::kMark;
  markOn_ = true;
  phaseEnd_ = position_ + (next == Element::kDit ? timing_.dotSamples : timing_.dashSamples);
}

PaddleKeyer::Element PaddleKeyer::ChooseNextElement() const {
  if (mode_ == KeyerMode::kBug) return held_.dit ? Element::kDit : Element::kNone;
  const bool wantDit = held_.dit || ditMemory_;
  const bool wantDah = held_.dah || dahMemory_;
  if (!wantDit && !wantDah) return Element::kNone;
  if (wantDit != wantDah) return wantDit ? Element::kDit : Element::kDah;
  return mode_ == KeyerMode::kUltimatic ? ChooseUltimatic() : ChooseIambic();
}

PaddleKeyer::Element PaddleKeyer::ChooseIambic() const {
  // `element_` is the element whose space just ended; none from rest.
  if (element_ == Element::kDit) return Element::kDah;
  if (element_ == Element::kDah) return Element::kDit;
  return ditPressedAs_ <= dahPressedAs_ ? Element::kDit : Element::kDah;
}

PaddleKeyer::Element PaddleKeyer::ChooseUltimatic() const {
  const bool ditTapped = ditMemory_ && !held_.dit;
  const bool dahTapped = dahMemory_ && !held_.dah;
  if (ditTapped != dahTapped) return ditTapped ? Element::kDit : Element::kDah;
  if (ditTapped) return ditPressedAs_ <= dahPressedAs_ ? Element::kDit : Element::kDah;
  return ditPressedAs_ > dahPressedAs_ ? Element::kDit : Element::kDah;
}

bool PaddleKeyer::TakeChange(KeyChange& change) {
  if (Output() == keyDown_) return false;
  keyDown_ = Output();
  change = KeyChange{position_, keyDown_};
  return true;
}

}  // namespace dovrik
