#pragma once

#include <cstdint>
#include <string>

namespace dovrik {

class StripChartSurface;

// The output box's control id: the box the groups and the decoded text go to.
inline constexpr int kOutputBoxId = 1025;

// The main dialog's controls as the core sees them. The Qt implementation
// runs every call on the UI thread, waiting for it like a sent message when
// called from another thread.
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Scroll bars (GetScrollPos, SetScrollRange, and the dialog's own handling
  // of a thumb-position scroll request, which also fills the value label).
  virtual int GetScrollPos(int id) = 0;
  virtual void SetScrollRange(int id, int minimum, int maximum) = 0;
  virtual void SendThumbPosition(int id, int position) = 0;

  // Check buttons: bit 0 of BM_GETSTATE, and BM_SETCHECK.
  virtual bool IsTicked(int id) = 0;
  virtual void SetTicked(int id, bool ticked) = 0;

  // SetDlgItemTextA.
  virtual void SetItemText(int id, const std::string& text) = 0;
  // Appends at the end of the output box (kOutputBoxId).
  virtual void AppendToOutputBox(const std::string& text) = 0;
  // A warning box owned by the main dialog, caption "Error...", OK button.
  // Returns when the user has dismissed it.
  virtual void ShowWarning(const std::string& text) = 0;

  // The strip chart control (1004), or null when there is none.
  virtual StripChartSurface* StripChart() = 0;
};

// The worker's replies to the dialog (PostMessageA to the main dialog).
class DialogPoster {
 public:
  virtual ~DialogPoster() = default;
  virtual void PostToDialog(uint32_t message) = 0;
};

}  // namespace dovrik
