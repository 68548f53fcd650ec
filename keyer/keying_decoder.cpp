#include "keyer/keying_decoder.h"

#include <cmath>
#include <string>

#include "platform/dialog_controls.h"

namespace dovrik {

namespace {

// The third as the single-precision constant the limits are defined with.
constexpr float kOneThird = 0.33333334f;

int32_t RoundUp(float value) {
  return static_cast<int32_t>(std::ceil(value));
}

void AppendCharacter(KeyingDecoder& decoder, DialogControls& dialog, const char* ending) {
  std::string text(1, decoder.node->character);
  text += ending;
  dialog.AppendToOutputBox(text);
  decoder.node = DecodeTreeRoot();
}

// The interval that begins at a start: one element.
void ClassifyKeyDown(KeyingDecoder& decoder, int32_t d, DialogControls& dialog) {
  const bool dash = d >= decoder.dotDashLimit;
  decoder.node = StepDecodeTree(decoder.node, dash);
  if (d < decoder.shortLimit) {
    dialog.AppendToOutputBox("f");
  } else if (d >= decoder.wordLimit) {
    dialog.AppendToOutputBox("s");
  }
}

// The interval that begins at a stop: a gap.
void ClassifyKeyUp(KeyingDecoder& decoder, int32_t d, DialogControls& dialog) {
  if (d < decoder.shortLimit) {
    dialog.AppendToOutputBox("^");
  } else if (d < decoder.dotDashLimit) {
    // An element gap: the character goes on.
  } else if (d < decoder.wordLimit) {
    AppendCharacter(decoder, dialog, "");
  } else if (d < decoder.pauseLimit) {
    AppendCharacter(decoder, dialog, " ");
  } else {
    AppendCharacter(decoder, dialog, "_");
  }
}

// While resynchronising after an overrun the pairs are only watched for the
// next character boundary; the partial character before it is dropped.
void WatchForBoundary(KeyingDecoder& decoder, const KeyEventRing& ring, int32_t cur, int32_t next) {
  const uint32_t curTime = ring.times[cur];
  const uint32_t nextTime = ring.times[next];
  const bool curIsStop = ring.values[cur] == 0;
  bool boundary = curTime == 0 || nextTime == 0;
  if (!boundary && curIsStop) {
    boundary = static_cast<int32_t>(nextTime - curTime) >= decoder.dotDashLimit;
  }
  if (boundary) {
    decoder.node = DecodeTreeRoot();
    decoder.resynchronising = false;
  }
}

void ClassifyPair(KeyingDecoder& decoder, const KeyEventRing& ring, int32_t cur, int32_t next,
                  DialogControls& dialog) {
  if (decoder.resynchronising) {
    WatchForBoundary(decoder, ring, cur, next);
    return;
  }
  const uint32_t curTime = ring.times[cur];
  const uint32_t nextTime = ring.times[next];
  const bool curIsStart = ring.values[cur] == 1;
  if (nextTime == 0 && !curIsStart) {
    AppendCharacter(decoder, dialog, "; ");
    return;
  }
  if (curTime == 0) {
    decoder.node = DecodeTreeRoot();
    return;
  }
  // Tick times wrap after 2^32 ms; the difference is taken as signed.
  const int32_t d = static_cast<int32_t>(nextTime - curTime);
  if (curIsStart) {
    ClassifyKeyDown(decoder, d, dialog);
  } else {
    ClassifyKeyUp(decoder, d, dialog);
  }
}

}  // namespace

KeyingLimits ComputeKeyingLimits(int32_t speed, int32_t ratio) {
  const float dot = 60.0f / static_cast<float>(speed * 41) * 1000.0f;
  const float dash = static_cast<float>(ratio) * dot;
  // 8 x dash / 3, formed as dash + 5 x dash / 3.
  const float pause = dash + dash * 5.0f * kOneThird;
  KeyingLimits limits;
  limits.shortLimit = RoundUp(dot * kOneThird);
  limits.dotDashLimit = RoundUp((dot + dash) / 2.0f);
  limits.wordLimit = RoundUp(pause / 2.0f);
  limits.pauseLimit = RoundUp(pause);
  limits.pauseTimeout = 2 * limits.pauseLimit;
  return limits;
}

KeyingDecoder MakeKeyingDecoder(int32_t speed, int32_t ratio) {
  const KeyingLimits limits = ComputeKeyingLimits(speed, ratio);
  KeyingDecoder decoder;
  decoder.shortLimit = limits.shortLimit;
  decoder.dotDashLimit = limits.dotDashLimit;
  decoder.wordLimit = limits.wordLimit;
  decoder.pauseLimit = limits.pauseLimit;
  return decoder;
}

void DecodePending(KeyingDecoder& decoder, const KeyEventRing& toneEvents, DialogControls& dialog) {
  const int32_t snapshot = toneEvents.Head();

  // The slot at decodePos is the first entry of the next pair. If its time is
  // no longer the one read last pass, the sampler has gone round the whole
  // ring since: the entries in between are lost. Start again from the root at
  // the newest pair, dropping everything up to the next character boundary.
  // A pause marker overwritten by another marker keeps time 0 and is not
  // noticed, but needs no resynchronising: a marker starts from the root.
  if (toneEvents.times[decoder.decodePos] != decoder.decodeTime) {
    ++decoder.overruns;
    decoder.node = DecodeTreeRoot();
    decoder.resynchronising = true;
    decoder.decodePos = (snapshot - 1) & KeyEventRing::kMask;
  }

  while (decoder.decodePos != snapshot) {
    const int32_t cur = decoder.decodePos;
    const int32_t next = (cur + 1) & KeyEventRing::kMask;
    decoder.decodePos = next;
    ClassifyPair(decoder, toneEvents, cur, next, dialog);
  }
  decoder.decodeTime = toneEvents.times[decoder.decodePos];
}

}  // namespace dovrik
