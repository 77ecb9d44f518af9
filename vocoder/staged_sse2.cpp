// The staged code path in SSE2, which every x86-64 processor has.
#include "vocoder/lanes_sse2.h"
#include "vocoder/staged_impl.h"

void runStagedSse2(SignalState& state, const BlockJob& job) { runStaged<Sse2Lanes>(state, job); }

bool bandStatesFiniteSse2(const FilterBank& filterBank) { return bandStatesFinite<Sse2Lanes>(filterBank); }
