// The parameters as saved state: a short text that hosts store in their
// projects and give back. It names each value by its parameter's symbol, so
// that it stays readable when parameters are added, and carries a version:
//
//   talkforge-state 1
//   mod_level 0.5
//   ...
//
// Written with every one of the 76 values; read tolerantly: lines it does not
// know are skipped and parameters it does not name keep their value.
#pragma once

#include <string>
#include <string_view>

#include "vocoder/talkforge.h"

inline constexpr int kStateVersion = 1;

// The 76 values (by parameter index) as state text. Each value is written in
// the shortest form that reads back to the same float.
std::string writeState(const float (&values)[kNumParams]);

// Reads state text into `values` (by parameter index). Values are taken when
// finite, clamped into 0..1. Returns false, changing nothing, when the text is
// not Talkforge state of a version this build reads.
bool readState(std::string_view text, float (&values)[kNumParams]);
