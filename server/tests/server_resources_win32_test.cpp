// The server window's dialog template resource against the template the framework reads.

#include <gtest/gtest.h>

#include "resource_checks.h"
#include "server/server_resources.h"

namespace {

TEST(ServerResources, ScriptHoldsTheTemplate) {
  win32_test::ExpectScriptHoldsTemplate(ServerStatusTemplate());
}

TEST(ServerResources, WindowIsBuiltFromIt) {
  win32_test::ExpectWindowBuiltFromTemplate(ServerStatusTemplate());
}

}  // namespace
