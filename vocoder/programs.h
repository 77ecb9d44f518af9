// One program: the 76 parameter values in storage-slot order and a name.
#pragma once

#include "host/vst2.h"
#include "vocoder/parameters.h"

struct AVocProgram {
    AVocProgram();  // the "Empty" program

    float values[kNumParams];
    char name[kVstMaxProgNameLen];
};
