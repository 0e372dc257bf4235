#pragma once
// A fresh directory for one test, made the current directory while it lives (the engine writes
// "data.log" and received files there), and removed with everything in it afterwards.

#include "host/tests/scratch_dir.h"

namespace xfer_test {

using TempDir = host::testing::ScratchDir;

using host::testing::ReadFileBytes;
using host::testing::WriteFileBytes;

}  // namespace xfer_test
