#pragma once

#include <functional>

#include "platform/dialog_controls.h"

namespace dovrik {

class MainDialog;

// The main dialog's controls for the core. Callable from any thread: a call
// from another thread runs on the UI thread while the caller waits, like a
// message sent to a window of another thread; a call on the UI thread runs
// at once. The UI thread never waits for the worker, so this cannot deadlock.
class QtDialogControls : public DialogControls {
 public:
  explicit QtDialogControls(MainDialog& dialog) : dialog_(dialog) {}

  int GetScrollPos(int id) override;
  void SetScrollRange(int id, int minimum, int maximum) override;
  void SendThumbPosition(int id, int position) override;
  bool IsTicked(int id) override;
  void SetTicked(int id, bool ticked) override;
  void SetItemText(int id, const std::string& text) override;
  void AppendToOutputBox(const std::string& text) override;
  void ShowWarning(const std::string& text) override;
  // The strip chart draws on its own image under its own lock, from any thread.
  StripChartSurface* StripChart() override;

 private:
  void RunOnUiThread(const std::function<void()>& call);

  MainDialog& dialog_;
};

// The worker's replies: posted to the dialog as WorkerReplyEvents. Any thread.
class QtDialogPoster : public DialogPoster {
 public:
  explicit QtDialogPoster(MainDialog& dialog) : dialog_(dialog) {}
  void PostToDialog(uint32_t message) override;

 private:
  MainDialog& dialog_;
};

}  // namespace dovrik
