#pragma once

namespace orvanta {

// Gives back what this process holds of the shared library that holds
// `symbol`, once none of it is expected to run for a while. Of its read-only
// mappings, the pages only this process maps leave memory where the kernel
// allows it (to the file's owner or a process that may write it), and the
// mappings nothing was ever written to are emptied in any case; both are read
// again on first use. Writable data stays. Linux only; elsewhere a no-op.
void PageOutLibraryOf(const void* symbol);

}  // namespace orvanta
