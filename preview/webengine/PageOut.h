#pragma once

namespace orvanta {

// Gives back the memory this process holds in the mappings of the shared
// library that holds `symbol`, once nothing of it is expected to run for a
// while: the pages only this process maps leave memory where the kernel lets
// it (the file's owner), and the library's read-only, unmodified mappings
// leave this process in any case; both are read again on first use.
// Linux only; elsewhere it does nothing.
void PageOutLibraryOf(const void* symbol);

}  // namespace orvanta
