#pragma once
// The scripted backend for tests. Controls live in memory; the user is a script of steps, each
// run on the innermost modal window once the step before it is done and its delay has passed on
// the fake clock. Steps arrive wherever messages are pumped: in a modal loop, and inside a handler
// that pumps (a tick running a transfer sees the user's click there, as on the platform). A modal
// loop with nothing left to do moves the fake clock to the next step or timer; a modal loop whose
// script has run out ends its window with kStalled, so a test can never hang.
// Message boxes are recorded and answered at once (OK or Yes, unless an answer was queued).

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/fake_clock.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/memory_window.h"

namespace ui {

class HeadlessBackend;

// What a step sees: the window, and the user's hands.
class HeadlessWindow : public MemoryWindow {
 public:
  HeadlessWindow(HeadlessBackend& backend, CDialog& dialog)
      : MemoryWindow(dialog), backend_(backend) {}

  void RunModal() override;
  void EndModal() override { ended_ = true; }

  int TemplateId() const;
  const std::string& Title() const;

  // A click on an enabled push button.
  void Click(int id);
  void Press(Key key);
  void CloseBox();
  // A system menu entry (or Close); ignored when the menu has no such entry.
  void ChooseSystemMenu(int command);
  // Typing into a combo box's edit field replaces its text and clears the list selection.
  void Type(int id, std::string_view text);
  // Picking the list item with exactly this text; false when the list has none.
  bool Pick(int id, std::string_view text);

 private:
  HeadlessBackend& backend_;
  bool ended_ = false;
};

class HeadlessBackend final : public Backend {
 public:
  using Step = std::function<void(HeadlessWindow&)>;
  // What DoModal answers for a window that was left waiting with no step scripted.
  static constexpr int kStalled = -2;

  struct MessageBoxRecord {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    // The owner window's template id; 0 for a box without owner.
    int ownerTemplateId = 0;
  };

  explicit HeadlessBackend(host::FakeClock& clock) : clock_(clock) {}

  void Then(Step step) { After(0, std::move(step)); }
  void After(uint32_t delayMs, Step step);
  // The answer to the next message box.
  void AnswerNextBox(int answer) { answers_.push_back(answer); }

  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  const std::vector<std::string>& HelpOpened() const { return helpOpened_; }
  int HelpQuits() const { return helpQuits_; }
  // True once a modal loop was ended for lack of a step.
  bool Stalled() const { return stalled_; }
  bool ScriptDone() const { return script_.empty(); }
  // The innermost window whose modal loop runs; null when none.
  HeadlessWindow* ActiveWindow() const { return running_.empty() ? nullptr : running_.back(); }

  std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, DialogWindow* owner) override;
  int ShowMessageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
                     unsigned flags) override;
  void ProcessPendingEvents() override;
  void ScheduleTimers(std::optional<uint32_t>) override {}
  void OpenHelp(const std::string& helpFile) override { helpOpened_.push_back(helpFile); }
  void QuitHelp(const std::string&) override { ++helpQuits_; }

 private:
  friend class HeadlessWindow;
  struct Pending {
    uint32_t delayMs;
    Step step;
  };

  // Runs the first step when its time has come; false when it has not, or there is none.
  bool DeliverDueStep();
  // Moves the clock to the next step or timer and fires what fell due; false without a step.
  bool WaitForNextEvent();

  host::FakeClock& clock_;
  std::deque<Pending> script_;
  std::optional<uint64_t> headDueMs_;
  std::vector<HeadlessWindow*> running_;
  std::vector<MessageBoxRecord> boxes_;
  std::deque<int> answers_;
  std::vector<std::string> helpOpened_;
  int helpQuits_ = 0;
  bool stalled_ = false;
};

}  // namespace ui
