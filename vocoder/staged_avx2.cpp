// The staged code path in AVX2, called only where the processor has it.
//
// The build compiles this one file with -mavx2 (vocoder/CMakeLists.txt). That
// flag applies to everything the file compiles, the standard library's and
// the project's inline functions and templates included. Where one of them is
// emitted out of line, it is a weak (COMDAT) definition that other files may
// emit too, and the linker keeps one copy for the whole library: if it kept
// this file's, code that runs on every processor would run AVX2 instructions
// and crash where there is no AVX2. So this file must define no code symbol
// with external linkage except its two entry points below: the lanes and the
// staged path have internal linkage, and whatever it includes must be inlined
// in an optimised build. The test `vocoder.avx2_object` checks the object file
// of the optimised builds (Linux and Windows) and fails, naming the symbols,
// when anything else appears. Unoptimised and instrumented builds inline too
// little for this to hold; they skip the check and must not be run on a
// processor without AVX2.
#include "vocoder/lanes_avx2.h"
#include "vocoder/staged_impl.h"

void runStagedAvx2(SignalState& state, const BlockJob& job) { runStaged<Avx2Lanes>(state, job); }

bool bandStatesFiniteAvx2(const FilterBank& filterBank) { return bandStatesFinite<Avx2Lanes>(filterBank); }
