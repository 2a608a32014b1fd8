#pragma once

namespace quorlin {

// A short time slice for a thread (0: the calling one; else a Linux thread id), so that
// acquisition keeps its pace on a machine whose few cores are busy drawing: when a reply wakes
// the thread, it runs at once instead of waiting for a thread busy drawing to finish its slice.
// Its share of the processor is unchanged. Needs no privilege; a system without the setting
// ignores it. True when the request was taken.
bool askForShortTimeSlice(long threadId = 0);

// Lowers the calling thread's priority (nice 10) for good: work that only makes drawing finish
// sooner then gives way to any thread of normal priority that wants a core, yet still gets a
// tenth of a normal share when every core is busy, so whoever waits for it is not starved.
bool yieldToNormalThreads();

}  // namespace quorlin
