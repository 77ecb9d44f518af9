// The three commands of the tool.
#pragma once

#include "tools/cli_args.h"

int runRender(const CommandLine& cl);  // renders cl.files[0] into cl.output
int runParams(const CommandLine& cl);
int runDemo(const CommandLine& cl);
