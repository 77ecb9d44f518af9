#include "vocoder/avoc.h"

void AVoc::resetFilterState() {}
