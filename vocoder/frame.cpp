// Block processing. Until the signal path is in, the outputs are silent.
#include <algorithm>

#include "vocoder/avoc.h"

void AVoc::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processReplacing(inputs, outputs, sampleFrames);
}

void AVoc::processReplacing(float**, float** outputs, VstInt32 sampleFrames) {
    if (!outputs || sampleFrames <= 0) return;
    for (int ch = 0; ch < 2; ++ch)
        if (outputs[ch]) std::fill_n(outputs[ch], sampleFrames, 0.0f);
}
