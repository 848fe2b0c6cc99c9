// DownloadOutcome: how one DownLoadFile call ended and where its transfer began, for the caller's choices; portable.
#pragma once

#include <cstdint>

enum class DownloadOutcome {
    Complete,    // the destination holds the whole file
    Stopped,     // a stop was asked
    Refused,     // no retry can mend it: not a URL, an unknown scheme, a 4xx refusal
    Failed,      // the network failed, the server was busy, or the transfer was cut after bytes arrived
    Unwritable,  // the temporary file could not be opened or written
    Unfinished,  // ended without an error, without a byte and without a complete file
};

// Where the transfer of one DownLoadFile call began writing the temporary file.
enum class TransferStart {
    None,       // no transfer was accepted
    FromStart,  // at byte 0: every byte is this call's
    Resumed,    // after bytes an earlier call left (a Range or REST for a non-zero offset was accepted)
};

// An HTTP status of 300 or more that ends a transfer: a client error is final, except a request timeout and
// too many requests; a server error or an unfollowed redirect may be gone on the next try.
inline DownloadOutcome OutcomeOfStatus(uint32_t status)
{
    const bool clientError = status >= 400 && status < 500 && status != 408 && status != 429;
    return clientError ? DownloadOutcome::Refused : DownloadOutcome::Failed;
}
