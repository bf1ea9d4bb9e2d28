// Which way the code that looks at every byte (the line scanner's byte
// classes, the piece sum) runs: 16 bytes at a time with SSE2 where the
// processor has it, else a machine word at a time. The 32-bit product must
// start on any x86 processor, so its compiler emits no SSE2 and the vector
// functions are built apart for SSE2 and only called when this says so.
// Both ways give the same results.
#pragma once

// x86 processors of either width: the vector functions are built.
#if defined(__i386__) || defined(__x86_64__)
#define TEXTSPLIT_VECTOR_PATH 1
#endif

namespace app {

// Decided once, on first use: the processor's answer (always true on 64-bit
// x86).
bool vectorPath();

// Test seam: the word path on any processor, so both are tested on every
// machine; false gives the processor's choice back.
void forceWordPath(bool on);

} // namespace app
