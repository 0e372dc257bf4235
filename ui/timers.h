#pragma once
// The framework's own timers, with the platform's semantics: a due timer is re-armed one period
// from now before its handler runs (missed periods are not caught up), and a handler that pumps
// messages sees the ticks that fall due meanwhile delivered inside it, its own included.

#include <cstdint>
#include <optional>
#include <vector>

namespace ui {

class CDialog;

class TimerTable {
 public:
  // Sets or replaces the owner's timer id.
  void Set(CDialog& owner, int id, uint32_t periodMs);
  // False when the owner has no such timer.
  bool Kill(CDialog& owner, int id);
  void KillAll(CDialog& owner);
  bool Has(const CDialog& owner, int id) const;

  // Runs the handler of every due timer; safe against timers set or killed by the handlers.
  void FireDue();
  // Milliseconds until the earliest timer is due (0 when one is due now); none without timers.
  std::optional<uint32_t> MsUntilNextDue() const;

 private:
  struct Entry {
    CDialog* owner;
    int id;
    uint32_t periodMs;
    uint32_t dueTick;
  };
  std::vector<Entry>::iterator Find(const CDialog& owner, int id);
  void Reschedule() const;

  std::vector<Entry> entries_;
};

// The process's timers.
TimerTable& Timers();

}  // namespace ui
