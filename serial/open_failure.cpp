#include "serial/open_failure.h"

#include <utility>

#include "serial/serial_port.h"

namespace {

std::string& LastFailure() {
  static std::string reason;
  return reason;
}

}  // namespace

void ForgetOpenFailure() { LastFailure().clear(); }

void KeepOpenFailure(std::string reason) { LastFailure() = std::move(reason); }

std::string LastOpenFailure() { return LastFailure(); }
