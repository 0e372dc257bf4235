#include "tools/quon_calc/commands.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "tools/common/raw_tty.h"
#include "tools/quon_calc/command_packet.h"
#include "tools/quon_calc/fill_compare.h"
#include "tools/quon_calc/serial_line.h"
#include "tools/quon_calc/trace.h"
#include "tools/quon_calc/xmodem_receiver.h"
#include "tools/quon_calc/xmodem_sender.h"

namespace calc {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kDefaultWaitMs = 10000;
// The server answers within the tick that takes the packet's last byte; a couple of seconds of
// silence after the packet is enough to call it no answer.
constexpr int kDefaultQuietMs = 3000;
constexpr std::array<uint8_t, 4> kDownloadModeSequence{0x02, 0xB8, 0x03, 0x00};

struct Outcome {
  bool ok;
  std::string text;
};

Outcome Success(std::string text) { return {true, std::move(text)}; }
Outcome Failure(std::string text) { return {false, std::move(text)}; }

std::optional<Bytes> ReadWholeFile(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  return data;
}

std::string Seconds(std::chrono::steady_clock::time_point since) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count());
  return text;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", b);
    text += hex;
  }
  return text.empty() ? "nothing" : text;
}

const char* CheckName(StartChar start) {
  switch (start) {
    case StartChar::ZkCrc:
      return "ZK CRC";
    case StartChar::Crc:
      return "CRC-16";
    case StartChar::Checksum:
      return "checksum";
  }
  return "";
}

// Everything a command needs, prepared before the line is touched so that a bad file name fails
// without a word on the line.
struct Session {
  const Invocation& inv;
  Trace trace;
  std::optional<SerialLine> line;
  Bytes sendData;
  std::optional<Bytes> expected;
  std::ofstream out;

  explicit Session(const Invocation& invocation) : inv(invocation), trace(invocation.verbose) {}

  std::optional<std::string> Prepare() {
    std::string error;
    if (!inv.file.empty()) {
      std::optional<Bytes> data = ReadWholeFile(inv.file, error);
      if (!data) return error;
      sendData = std::move(*data);
    }
    if (!inv.expectPath.empty()) {
      expected = ReadWholeFile(inv.expectPath, error);
      if (!expected) return error;
    }
    if (!inv.outPath.empty()) {
      out.open(inv.outPath, std::ios::binary | std::ios::trunc);
      if (!out) return "cannot create " + inv.outPath;
    }
    tools::UniqueFd fd = tools::OpenRawTty(inv.device, inv.baud, error);
    if (!fd.Valid()) return error;
    line.emplace(std::move(fd));
    return std::nullopt;
  }

  int WaitMs(int fallback) const { return inv.timeoutMs.value_or(fallback); }
};

// Sends the command packet and takes the server's one-byte answer. Answers nullopt when the
// transfer is to follow, or the outcome when the exchange ends here.
std::optional<Outcome> Request(Session& s, uint8_t letter) {
  SerialLine& line = *s.line;
  // Whatever arrived before the request does not answer it.
  line.DiscardInput();
  Bytes packet = BuildCommandPacket(letter, s.inv.name, s.inv.badChecksum);
  s.trace("sending packet %s", HexBytes(packet).c_str());
  if (!line.Write(packet)) return Failure(line.Error());

  if (s.inv.badChecksum) {
    int waitMs = s.WaitMs(kDefaultQuietMs);
    int answer = line.ReadByte(waitMs);
    if (answer == SerialLine::kTimedOut) {
      char text[100];
      std::snprintf(text, sizeof text,
                    "no answer within %.1f s to a packet with a wrong checksum, as it should be",
                    waitMs / 1000.0);
      return Success(text);
    }
    if (answer == SerialLine::kFailed) return Failure(line.Error());
    return Failure("the server answered a packet with a wrong checksum with " + ByteName(answer));
  }

  int waitMs = s.WaitMs(kDefaultWaitMs);
  int answer = line.ReadByte(waitMs);
  s.trace("answer %s", answer >= 0 ? ByteName(answer).c_str() : "none");
  switch (answer) {
    case ACK:
      if (s.inv.expectNak) return Failure("the server accepted the request with ACK, not NAK");
      return std::nullopt;
    case NAK:
      if (s.inv.expectNak) return Success("refused with NAK, as expected");
      return Failure("the server refused the request with NAK");
    case SerialLine::kTimedOut:
      return Failure("no ACK or NAK within " + std::to_string((waitMs + 999) / 1000) + " s");
    case SerialLine::kFailed:
      return Failure(line.Error());
    default:
      return Failure("unexpected " + ByteName(answer) + " instead of ACK or NAK");
  }
}

Outcome Receive(Session& s, const std::string& lead) {
  auto start = std::chrono::steady_clock::now();
  ReceiveResult r = ReceiveFile(*s.line, s.inv.start, s.WaitMs(kDefaultWaitMs), s.trace);
  if (s.out.is_open()) {
    s.out.write(reinterpret_cast<const char*>(r.data.data()),
                static_cast<std::streamsize>(r.data.size()));
    s.out.close();
    if (!s.out) return Failure("cannot write " + s.inv.outPath);
  }
  size_t blocks = r.blocks128 + r.blocks1k;
  char text[200];
  std::snprintf(text, sizeof text,
                "%s%zu block%s (%zu of 1024, %zu of 128) with %s, %zu bytes in %s, %zu retr%s, "
                "%zu duplicate%s",
                lead.c_str(), blocks, blocks == 1 ? "" : "s", r.blocks1k, r.blocks128,
                CheckName(s.inv.start), r.data.size(), Seconds(start).c_str(), r.retries,
                r.retries == 1 ? "y" : "ies", r.duplicates, r.duplicates == 1 ? "" : "s");
  if (!r.ok) return Failure(blocks == 0 ? r.error : r.error + " (after " + text + ")");
  if (!s.expected) return Success(text);
  std::string mismatch = CompareWithFill(r.data, *s.expected, s.inv.fill, r.lastBlockSize);
  if (!mismatch.empty())
    return Failure("received data differs from " + s.inv.expectPath + ": " + mismatch + " (" +
                   text + ")");
  return Success(std::string(text) + "; OK, equals " + s.inv.expectPath + " plus " +
                 std::to_string(r.data.size() - s.expected->size()) + " fill bytes");
}

Outcome Send(Session& s, const std::string& lead) {
  auto start = std::chrono::steady_clock::now();
  SendResult r = SendFile(*s.line, s.sendData, s.WaitMs(kDefaultWaitMs), s.inv.fill, s.trace);
  size_t bytesSent = std::min(r.blocks * kSendBlockSize, s.sendData.size());
  char text[160];
  std::snprintf(text, sizeof text,
                "%s%zu block%s of 128 with checksum, %zu bytes in %s, %zu retr%s", lead.c_str(),
                r.blocks, r.blocks == 1 ? "" : "s", bytesSent, Seconds(start).c_str(), r.retries,
                r.retries == 1 ? "y" : "ies");
  if (r.ok) return Success(text);
  return Failure(r.blocks == 0 ? r.error : r.error + " (after " + text + ")");
}

Outcome ExpectDownloadMode(Session& s) {
  SerialLine& line = *s.line;
  int waitMs = s.WaitMs(kDefaultWaitMs);
  Bytes got;
  int first = line.ReadByte(waitMs);
  if (first == SerialLine::kFailed) return Failure(line.Error());
  if (first == SerialLine::kTimedOut) {
    return Failure("no download-mode bytes within " + std::to_string((waitMs + 999) / 1000) + " s");
  }
  got.push_back(static_cast<uint8_t>(first));
  // The server paces these bytes 10 ms apart.
  while (got.size() < kDownloadModeSequence.size()) {
    int next = line.ReadByte(kByteGapMs);
    if (next < 0) break;
    got.push_back(static_cast<uint8_t>(next));
  }
  if (std::equal(got.begin(), got.end(), kDownloadModeSequence.begin(),
                 kDownloadModeSequence.end())) {
    return Success("received " + HexBytes(got));
  }
  return Failure("expected " + HexBytes(kDownloadModeSequence) + ", got " + HexBytes(got));
}

Outcome Run(Session& s) {
  switch (s.inv.command) {
    case Command::Get:
      if (auto ended = Request(s, kGetLetter)) return *ended;
      return Receive(s, "ACK; ");
    case Command::Put:
      if (auto ended = Request(s, kPutLetter)) return *ended;
      return Send(s, "ACK; ");
    case Command::DownloadMode:
      return ExpectDownloadMode(s);
    case Command::Receive:
      // Leftovers of an earlier transfer, such as its cancel bytes, answer nothing of ours; a
      // sender says nothing before the start character.
      s.line->DiscardInput();
      return Receive(s, "");
    case Command::Send:
      return Send(s, "");
  }
  return Failure("unknown command");
}

std::string Label(const Invocation& inv) {
  switch (inv.command) {
    case Command::Get:
      return "get " + inv.name;
    case Command::Put:
      return "put " + inv.name;
    case Command::DownloadMode:
      return "download-mode";
    case Command::Receive:
      return "receive";
    case Command::Send:
      return "send " + inv.file;
  }
  return "";
}

}  // namespace

int RunCommand(const Invocation& inv) {
  Session session(inv);
  std::optional<std::string> problem = session.Prepare();
  Outcome outcome = problem ? Failure(*problem) : Run(session);
  std::FILE* stream = outcome.ok ? stdout : stderr;
  std::fprintf(stream, "quon-calc: %s: %s\n", Label(inv).c_str(), outcome.text.c_str());
  return outcome.ok ? 0 : 1;
}

}  // namespace calc
