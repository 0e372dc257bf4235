#pragma once
// The temporary that a receive writes beside an existing file, so that a failed transfer leaves
// the file as it was. Its name is the file's, ".quon-part-" and a random tag; it is created
// exclusively (an existing file of that name, whoever's, is never touched) with the permission
// bits of the file it will replace. A running receive holds its temporary; one that nobody holds
// is the leftover of a killed run and is removed by the next receive of the same file.

#include <cstdio>
#include <filesystem>

#include "xfer/transfer.h"

namespace xfer {

// Opens a new temporary beside target (the real file, links resolved) through OpenHook and sets
// the context's partialName and partialTarget; null when none can be made.
std::FILE* CreatePartialFile(TransferContext& ctx, const std::filesystem::path& target);

}  // namespace xfer
