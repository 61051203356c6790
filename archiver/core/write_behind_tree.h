// Files made and written on a thread of their own, behind the extraction.
// Making a file is the slow part of a small one (on Windows a trip through
// the file system's filters, under Wine a round trip to its server), and
// writing a large one is the system copying pages: with both on a writer
// thread, they overlap the decoding, the checksums and the caller's
// callbacks on the extracting thread.
#pragma once

#include <cstddef>
#include <memory>

#include "extractor.h"

namespace orvane::archiver {

// Wraps `tree`. Files are made, written and closed on the writer thread, one
// at a time as the extraction writes them; folders and Finish() wait until
// the writer is idle and then use `tree` on the caller's thread. At most
// `queued_bytes` of data, and a few files, wait for the writer: the
// extracting thread stays close behind it.
//
// The first failure of the writer ends the extraction: it comes back as the
// same error from the next call on the wrapper or one of its files, and
// from Finish(). From then on every file still queued is discarded, as
// files after a failure are never begun on the extracting thread.
// Destroying the wrapper waits for the writer, so that every discard has
// been carried out when it returns.
std::unique_ptr<OutputTree> MakeWriteBehindTree(OutputTree& tree, size_t queued_bytes);

}  // namespace orvane::archiver
