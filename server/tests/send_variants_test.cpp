// Every send variant of the table as each place offers it: the drop-down's item, the setting that
// selects it, the server's send, and quon-xfer's option.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "host/text_case.h"
#include "server_fixture.h"
#include "tools/quon_xfer/options.h"
#include "xfer/send_variants.h"

namespace server_test {
namespace {

using ::testing::Contains;

class SendVariantTest : public ServerWindowTest,
                        public ::testing::WithParamInterface<const SendVariant*> {
 protected:
  const SendVariant& Variant() const { return *GetParam(); }
  // What a calculator that can check the variant's best check starts with.
  uint8_t StartChar() const {
    const SendChecks& checks = Variant().checks;
    return checks.zkCrc ? 'D' : checks.crc16 ? 'C' : NAK;
  }
};

TEST_P(SendVariantTest, IsOfferedChosenSentAndNamedOnTheCommandLine) {
  std::vector<std::string> names;
  for (const SendVariant& v : SendVariants()) names.emplace_back(v.name);
  // The setting selects it in any case.
  g_CommSettings.protocol = host::LowerCased(Variant().name);
  WriteFileBytes("f.bin", Pattern(1000));
  CalcReceiver calc(Calc(), StartChar());
  peer = [&] { return calc.Step(); };
  Send(CommandPacket('G', "f.bin"));
  std::vector<std::string> items;
  std::string selected;
  backend.Then([&](ui::HeadlessWindow& window) {
    items = window.Items(IDC_PROTOCOL);
    selected = window.Text(IDC_PROTOCOL);
  });
  backend.After(5000, [](ui::HeadlessWindow& window) { window.Click(ui::kIdCancel); });
  Run();

  EXPECT_EQ(items, names);
  EXPECT_EQ(selected, Variant().name);
  EXPECT_THAT(log, Contains(Variant().sendingVia));
  ASSERT_TRUE(calc.Done());
  const auto ack = std::find(calc.Raw().begin(), calc.Raw().end(), ACK);
  ASSERT_NE(ack, calc.Raw().end());
  EXPECT_EQ(ack[1], Variant().largestBlock == 1024 ? STX : SOH) << "the first of 1000 bytes";

  std::string error;
  std::vector<std::string> args = {"send", "--protocol", quon_xfer::ProtocolName(Variant()), "dev",
                                   "f"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  const auto options = quon_xfer::ParseOptions(argv, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->variant, &Variant());
}

std::vector<const SendVariant*> AllVariants() {
  std::vector<const SendVariant*> all;
  for (const SendVariant& v : SendVariants()) all.push_back(&v);
  return all;
}

INSTANTIATE_TEST_SUITE_P(Table, SendVariantTest, ::testing::ValuesIn(AllVariants()),
                         [](const auto& info) {
                           std::string name = info.param->name;
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
}  // namespace server_test
