#include "vocoder/avoc.h"

void AVoc::updatePitchTable(float) {}
