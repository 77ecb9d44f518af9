// The command line: a command word, its options and its file arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The file name that stands for standard input or standard output.
inline constexpr const char* kStandardStream = "-";

struct CommandLine {
    std::string command;  // "render", "params", "presets", "demo", "screenshot", "live", "help" or "version"
    std::vector<std::string> files;      // positional arguments
    std::string carrier, midi, chord, output, plugin;
    std::string preset;                  // --preset: applied before --chord and --set
    std::string save;                    // params --save: the program file to write
    std::vector<std::string> settings;   // --set NAME=VALUE, in order
    std::optional<double> rate;
    std::optional<double> length;        // seconds of input to render
    int blockSize = 512;
    bool compensateLatency = false;
    bool mix = false;
    bool floatOutput = false;
    bool quiet = false;
    // live
    std::string clientName;
    bool connect = false;
    bool fresh = false;
    bool noEditor = false;
};

// Parses argv; throws ToolError for an unknown command or option, a missing or
// malformed value, or an option the command does not take.
CommandLine parseCommandLine(int argc, char** argv);

extern const char* const kUsage;
