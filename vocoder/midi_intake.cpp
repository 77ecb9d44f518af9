#include "vocoder/avoc.h"

VstInt32 AVoc::processEvents(VstEvents*) { return 1; }
