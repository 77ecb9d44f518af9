// The three commands of the tool.
#pragma once

#include "tools/cli_args.h"

int runRender(const CommandLine& cl);
int runParams(const CommandLine& cl);
int runDemo(const CommandLine& cl);
