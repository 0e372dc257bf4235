// Runs out of memory on purpose: the nothrow allocator, which port objects and driver records
// come from, can be told to fail its next allocations.

#include <gtest/gtest.h>

#include <new>

#include "serial/memory_line.h"
#include "serial/port_object.h"

namespace {
int failNext = 0;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (failNext > 0) {
    --failNext;
    return nullptr;
  }
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

namespace serial {
namespace {

void ExpectFallback(CSerialPort* port) {
  EXPECT_TRUE(IsFallbackPort(port));
  EXPECT_EQ(port->status, PORT_NO_MEMORY);
  EXPECT_EQ(port->portIndex, -1);
  EXPECT_EQ(port->driver, nullptr);
  EXPECT_EQ(port->ops.RxCount(port), PORT_UNSUPPORTED);
}

TEST(AllocationFailureTest, NoObjectGivesTheFallbackLinkedOnce) {
  MemoryLine line;
  failNext = 1;
  CSerialPort* first = line.OpenPort(kEndA);
  ExpectFallback(first);
  failNext = 1;
  CSerialPort* again = line.OpenPort(kEndA);
  EXPECT_EQ(again, first);
  ExpectFallback(again);
  EXPECT_EQ(FirstPort(), first);
  EXPECT_EQ(first->next, nullptr) << "linked at most once";
  EXPECT_EQ(first->ops.ClosePort(first), PORT_OK);
  EXPECT_EQ(FirstPort(), nullptr);
  EXPECT_FALSE(line.End(kEndA).IsOpen());
}

TEST(AllocationFailureTest, NoDriverRecordReleasesTheObjectAndGivesTheFallback) {
  CSerialPort* other = NewPortObject();
  CSerialPort* port = NewPortObject();
  failNext = 1;
  port = AttachDriverState(port, 0);
  ExpectFallback(port);
  EXPECT_EQ(FirstPort(), port);
  EXPECT_EQ(port->next, other) << "the object without a record was unlinked";
  port->ops.ClosePort(port);
  other->ops.ClosePort(other);
  EXPECT_EQ(FirstPort(), nullptr);
}

}  // namespace
}  // namespace serial
