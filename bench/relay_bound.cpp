// The stop-and-wait bound of a line: how fast a 1029-byte write (a 1K block with its header and
// CRC) answered by one byte can go round, with no checks and no files. Run on the two ends of the
// line that the transfers use, it is the most any XMODEM program can reach there.
//
//   bench_relay_bound END_A END_B [BLOCKS]   (default 4096 blocks, 4 MiB of data)

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr size_t kBlock = 1029;

int OpenRaw(const char* path) {
  const int fd = open(path, O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

bool ReadAll(int fd, uint8_t* bytes, size_t size) {
  for (size_t got = 0; got < size;) {
    const ssize_t n = read(fd, bytes + got, size - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s END_A END_B [BLOCKS]\n", argv[0]);
    return 2;
  }
  const long blocks = argc > 3 ? std::atol(argv[3]) : 4096;
  const int a = OpenRaw(argv[1]);
  const int b = OpenRaw(argv[2]);
  if (a < 0 || b < 0 || blocks <= 0) {
    std::perror("open");
    return 1;
  }
  std::thread answerer([b, blocks] {
    std::vector<uint8_t> block(kBlock);
    const uint8_t ack = 0x06;
    for (long i = 0; i < blocks && ReadAll(b, block.data(), kBlock); ++i) {
      if (write(b, &ack, 1) != 1) break;
    }
  });
  std::vector<uint8_t> block(kBlock, 0x5A);
  uint8_t answer = 0;
  const auto start = std::chrono::steady_clock::now();
  long done = 0;
  for (; done < blocks; ++done) {
    if (write(a, block.data(), kBlock) != static_cast<ssize_t>(kBlock)) break;
    if (!ReadAll(a, &answer, 1)) break;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  answerer.join();
  if (done < blocks) {
    std::fprintf(stderr, "the line stopped after %ld blocks\n", done);
    return 1;
  }
  std::printf("%.0f %.1f\n", blocks * 1024.0 / seconds, seconds * 1e6 / blocks);
  return 0;
}
