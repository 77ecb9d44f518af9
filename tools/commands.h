// The commands of the tool, and what they share.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/cli_args.h"

class PluginHost;

int runRender(const CommandLine& cl);  // renders cl.files[0] into cl.output
int runParams(const CommandLine& cl);
int runDemo(const CommandLine& cl);
int runScreenshot(const CommandLine& cl);  // tools/screenshot.cpp

// The plug-in: --plugin, else TALKFORGE_PLUGIN, else the one built beside this
// program (the build directory's top level, one up from tools/), else the
// installed one.
std::string pluginPath(const CommandLine& cl);

// Parameter values by index, in the order they are applied.
using ParameterPlan = std::vector<std::pair<int, float>>;
// Everything the parameter options ask for, in the order it is applied: the
// carrier switches, then the chord, then --set (which has the last word).
ParameterPlan planParameters(PluginHost& plugin, const CommandLine& cl, bool externalCarrier, bool playback,
                             bool defaultChord);
void applyPlan(PluginHost& plugin, const ParameterPlan& plan);
