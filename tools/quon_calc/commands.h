#pragma once
// What each quon-calc command does on the line, start to finish.

#include "tools/quon_calc/invocation.h"

namespace calc {

// Runs the command; answers the exit status (0 success, 1 failure) after printing a one-line
// summary on standard output or the reason for the failure on standard error.
int RunCommand(const Invocation& inv);

}  // namespace calc
