#include "ui/timers.h"

#include <algorithm>
#include <utility>

#include "host/clock.h"
#include "ui/backend.h"
#include "ui/dialog.h"

namespace ui {

TimerTable& Timers() {
  static TimerTable table;
  return table;
}

std::vector<TimerTable::Entry>::iterator TimerTable::Find(const CDialog& owner, int id) {
  return std::find_if(entries_.begin(), entries_.end(),
                      [&](const Entry& e) { return e.owner == &owner && e.id == id; });
}

void TimerTable::Set(CDialog& owner, int id, uint32_t periodMs) {
  uint32_t due = host::TickCount() + periodMs;
  auto it = Find(owner, id);
  if (it != entries_.end()) {
    it->periodMs = periodMs;
    it->dueTick = due;
  } else {
    entries_.push_back({&owner, id, periodMs, due});
  }
  Reschedule();
}

bool TimerTable::Kill(CDialog& owner, int id) {
  auto it = Find(owner, id);
  if (it == entries_.end()) return false;
  entries_.erase(it);
  Reschedule();
  return true;
}

void TimerTable::KillAll(CDialog& owner) {
  if (std::erase_if(entries_, [&](const Entry& e) { return e.owner == &owner; }) > 0) {
    Reschedule();
  }
}

bool TimerTable::Has(const CDialog& owner, int id) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& e) { return e.owner == &owner && e.id == id; });
}

void TimerTable::FireDue() {
  uint32_t now = host::TickCount();
  auto isDue = [&now](const Entry& e) { return host::TickReached(now, e.dueTick); };
  if (std::none_of(entries_.begin(), entries_.end(), isDue)) return;

  // Handlers may set and kill timers, and re-enter this function: work from a copy of the keys
  // and look each one up again before firing it.
  std::vector<std::pair<CDialog*, int>> due;
  for (const Entry& e : entries_) {
    if (isDue(e)) due.emplace_back(e.owner, e.id);
  }
  for (auto [owner, id] : due) {
    auto it = Find(*owner, id);
    now = host::TickCount();  // an earlier handler may have run for a long time
    if (it == entries_.end() || !isDue(*it)) continue;
    it->dueTick = now + it->periodMs;
    Reschedule();
    owner->HandleTimer(id);
  }
}

std::optional<uint32_t> TimerTable::MsUntilNextDue() const {
  if (entries_.empty()) return std::nullopt;
  uint32_t now = host::TickCount();
  uint32_t soonest = UINT32_MAX;
  for (const Entry& e : entries_) {
    uint32_t wait = host::TickReached(now, e.dueTick) ? 0 : e.dueTick - now;
    soonest = std::min(soonest, wait);
  }
  return soonest;
}

void TimerTable::Reschedule() const {
  if (Backend* backend = CurrentBackend()) backend->ScheduleTimers(MsUntilNextDue());
}

}  // namespace ui
