// The commands of the tool, and what they share.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/cli_args.h"

class PluginHost;

int runRender(const CommandLine& cl);  // renders cl.files[0] into cl.output
int runParams(const CommandLine& cl);
int runPresets(const CommandLine& cl);
int runDemo(const CommandLine& cl);
int runScreenshot(const CommandLine& cl);  // tools/screenshot.cpp
int runLive(const CommandLine& cl);        // tools/live.cpp

// The plug-in: --plugin, else TALKFORGE_PLUGIN, else the one installed with this
// program (lib/lxvst beside bin/), the one built with it (the build folder's top
// level, one up from tools/), or one beside it.
std::string pluginPath(const CommandLine& cl);
// The demo phrase, at the same place relative to the program when installed
// and in the build folder.
std::string demoVoicePath();

// Parameter values by index, in the order they are applied.
using ParameterPlan = std::vector<std::pair<int, float>>;
// What a command's inputs decide: an external carrier ("Source") and MIDI
// playback ("Playback").
struct InputSwitches {
    bool externalCarrier = false;
    bool playback = false;
};
// Everything the parameter options ask for, in the order it is applied: the
// preset, then the switches the inputs decide (none for a command without
// inputs, which keeps the preset's), then the chord (the default chord when
// `defaultChord` and neither a preset nor --set sets the oscillators), then
// --set (which has the last word).
ParameterPlan planParameters(PluginHost& plugin, const CommandLine& cl, std::optional<InputSwitches> inputs,
                             bool defaultChord);
void applyPlan(PluginHost& plugin, const ParameterPlan& plan);
