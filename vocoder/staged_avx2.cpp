// The staged code path in AVX2, called only where the processor has it.
//
// Only the code below the target pragma is compiled for AVX2. Every header is
// included above it, so that no inline function or template the rest of the
// library shares is compiled here for AVX2 and then chosen by the linker for
// everyone; the lanes and the staged path have internal linkage.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "vocoder/staged.h"
#include "vocoder/steps.h"

#pragma GCC target("avx2")

#include "vocoder/lanes_avx2.h"
#include "vocoder/staged_impl.h"

void runStagedAvx2(SignalState& state, const BlockJob& job) { runStaged<Avx2Lanes>(state, job); }

bool bandStatesFiniteAvx2(const FilterBank& filterBank) { return bandStatesFinite<Avx2Lanes>(filterBank); }
