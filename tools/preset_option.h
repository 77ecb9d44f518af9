// Presets on the command line: --preset, the library listing and
// params --save.
#pragma once

#include <string>

#include "tools/fxp.h"

// The program that --preset names: a preset of the library, by name in any
// case; a program file (.fxp); or a program of a bank file (.fxb): its current
// program, or with "BANK.fxb:NAME" the one of that name (any case) or number
// (1 to 16). Throws ToolError saying what is wrong and where.
tf::fxp::Program loadPreset(const std::string& text);

// Writes a program file atomically (see OutputFile): nothing is left behind
// when writing fails.
void saveProgram(const std::string& path, const tf::fxp::Program& program);

// True when the path names a program file (.fxp, any case).
bool isProgramFileName(const std::string& path);
