// The ways a block can run through the signal path. All of them give the same
// output, bit for bit; they differ in speed.
#pragma once

enum class CodePath {
    kFrameByFrame,  // one frame at a time, each stage in turn: the plain reading of the signal path
    kSse2,          // a chunk at a time, stage after stage, bands in four lanes
    kAvx2,          // the same in eight lanes
};

// Whether this processor can run the path.
bool codePathSupported(CodePath path);

// AVX2 where the processor has it, otherwise SSE2, unless the environment's
// TALKFORGE_CODE_PATH asks for "sse2" or "frames"; decided once per process.
CodePath defaultCodePath();
