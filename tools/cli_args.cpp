#include "tools/cli_args.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "tools/error.h"
#include "tools/preset_option.h"
#include "vocoder/talkforge.h"

const char* const kUsage =
    "usage: talkforge render VOICE [options] -o OUT.wav\n"
    "       talkforge params [--preset PRESET] [--set NAME=VALUE]... [--chord NOTES]\n"
    "                        [--save FILE.fxp]\n"
    "       talkforge presets\n"
    "       talkforge demo [-o OUT.wav]\n"
    "       talkforge screenshot [VOICE] [--preset PRESET] [--set NAME=VALUE]...\n"
    "                            [--chord NOTES] -o OUT.png\n"
    "       talkforge live [--preset PRESET] [--set NAME=VALUE]... [--chord NOTES]\n"
    "                      [--connect] [--name NAME] [--fresh] [--no-editor]\n"
    "\n"
    "render  vocodes VOICE (input 1, the modulator) with a carrier:\n"
    "  --carrier FILE         a carrier file on input 2 (sets \"Source\" to 1)\n"
    "  --chord NOTES          a drone chord on the synthesizer, such as C3,E3,G3: at most six\n"
    "                         notes on the keyboard's two octaves (C2 to C4 at \"Octave\" 0.5),\n"
    "                         each at 1/n of full level\n"
    "  --midi FILE            plays a Standard MIDI File on the synthesizer (sets \"Playback\" to 1)\n"
    "                         (without --carrier, --chord or --midi a default chord plays)\n"
    "  --preset PRESET        starts from a preset: a name from talkforge presets (any case), a\n"
    "                         program file FILE.fxp, or a bank FILE.fxb (its current program) or\n"
    "                         FILE.fxb:NAME (the program of that name or number); the inputs still\n"
    "                         decide \"Source\" and \"Playback\"\n"
    "  --set NAME=VALUE       sets a parameter by its name (see talkforge params) to 0..1\n"
    "  --rate HZ              processes at this rate, the inputs resampled (default: the voice's)\n"
    "  --length SECONDS       renders this much of the inputs, cut or padded with silence\n"
    "                         (default: to the end of the longest input, a MIDI song at most\n"
    "                         a minute past the end of the audio)\n"
    "  --block N              block size, 1 to 65535 (default 512)\n"
    "  --compensate-latency   removes the vocoder's lookahead so the output lines up with the input\n"
    "  --mix                  sums the channels of multi-channel inputs (default: first channel)\n"
    "  --float                writes 32-bit float samples (default: 24-bit)\n"
    "  --quiet                no progress bar\n"
    "  -o, --output FILE      the stereo WAV file to write\n"
    "params  lists the 76 parameters: index, name, value, display text and label;\n"
    "        --save FILE.fxp writes them as a program file instead\n"
    "presets lists the preset library\n"
    "demo    renders the built-in spoken phrase over a drone chord (default talkforge-demo.wav)\n"
    "screenshot  opens the editor in a window on the X display, plays VOICE (default: the\n"
    "        built-in phrase) through it in real time and saves the window at the loudest\n"
    "        moment as PNG; without a display: xvfb-run -a talkforge screenshot ...\n"
    "live    plays the vocoder in real time as a JACK client (on PipeWire through its JACK\n"
    "        library) with the editor in a window: audio inputs voice and carrier, outputs\n"
    "        out_left and out_right, MIDI input midi_in. --preset, --set and --chord as for\n"
    "        render, on top of the settings of the last run, which are kept for the next.\n"
    "  --connect              connects voice to the first capture port and the outputs to the\n"
    "                         first two playback ports (default: no connections)\n"
    "  --name NAME            the JACK client's name, which also keys the kept settings\n"
    "                         (default Talkforge)\n"
    "  --fresh                starts from the default settings instead of the last run's\n"
    "  --no-editor            runs without a window and without an X display\n"
    "\n"
    "--preset, --chord and --set apply in that order. A file named \"-\" is standard input\n"
    "(VOICE, --carrier, --midi) or standard output (-o, a WAV stream). All commands but\n"
    "presets take --plugin PATH (or TALKFORGE_PLUGIN) to load another Talkforge.so than\n"
    "the one installed or built with the tool.\n";

namespace {

enum class Arg { None, Value };

// The commands that set parameters.
const std::vector<std::string> kSettingCommands = {"render", "params", "screenshot", "live"};

// Longer renders than this (a year) are typing mistakes.
constexpr int kMaxLengthSeconds = 365 * 24 * 3600;

struct OptionSpec {
    Arg arg;
    std::vector<std::string> commands;
    std::function<void(CommandLine&, const std::string&)> apply;
};

[[noreturn]] void badValue(const std::string& option, const std::string& value, const std::string& expected) {
    throw ToolError("option " + option + ": '" + value + "' is not " + expected);
}

double parseNumber(const std::string& option, const std::string& value, const std::string& expected) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) badValue(option, value, expected);
    return v;
}

// No value the options take starts with a dash, so a dash marks the next option.
bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

const std::map<std::string, OptionSpec>& optionTable() {
    static const std::map<std::string, OptionSpec> table = {
        {"--carrier", {Arg::Value, {"render"}, [](CommandLine& c, const std::string& v) { c.carrier = v; }}},
        {"--midi", {Arg::Value, {"render"}, [](CommandLine& c, const std::string& v) { c.midi = v; }}},
        {"--chord", {Arg::Value, kSettingCommands, [](CommandLine& c, const std::string& v) { c.chord = v; }}},
        {"--set", {Arg::Value, kSettingCommands, [](CommandLine& c, const std::string& v) { c.settings.push_back(v); }}},
        {"--preset", {Arg::Value, kSettingCommands, [](CommandLine& c, const std::string& v) {
             if (!c.preset.empty()) throw ToolError("--preset given twice: one preset is the starting point");
             c.preset = v;
         }}},
        {"--save", {Arg::Value, {"params"}, [](CommandLine& c, const std::string& v) {
             if (!isProgramFileName(v))
                 throw ToolError("--save '" + v + "': a program file's name ends in .fxp");
             c.save = v;
         }}},
        {"--rate", {Arg::Value, {"render"}, [](CommandLine& c, const std::string& v) {
             c.rate = parseNumber("--rate", v, "a sample rate in Hz");
         }}},
        {"--length", {Arg::Value, {"render"}, [](CommandLine& c, const std::string& v) {
             const std::string expected = "a length in seconds up to " + std::to_string(kMaxLengthSeconds);
             const double seconds = parseNumber("--length", v, expected);
             if (!(seconds > 0.0 && seconds <= kMaxLengthSeconds)) badValue("--length", v, expected);
             c.length = seconds;
         }}},
        {"--block", {Arg::Value, {"render"}, [](CommandLine& c, const std::string& v) {
             const std::string expected = "a block size from 1 to " + std::to_string(kMaxBlockFrames);
             const double n = parseNumber("--block", v, expected);
             if (n < 1 || n > kMaxBlockFrames || n != std::floor(n)) badValue("--block", v, expected);
             c.blockSize = static_cast<int>(n);
         }}},
        {"--compensate-latency", {Arg::None, {"render"}, [](CommandLine& c, const std::string&) { c.compensateLatency = true; }}},
        {"--mix", {Arg::None, {"render"}, [](CommandLine& c, const std::string&) { c.mix = true; }}},
        {"--float", {Arg::None, {"render", "demo"}, [](CommandLine& c, const std::string&) { c.floatOutput = true; }}},
        {"--quiet", {Arg::None, {"render", "demo"}, [](CommandLine& c, const std::string&) { c.quiet = true; }}},
        {"--output", {Arg::Value, {"render", "demo", "screenshot"}, [](CommandLine& c, const std::string& v) { c.output = v; }}},
        {"--plugin", {Arg::Value, {"render", "params", "demo", "screenshot", "live"}, [](CommandLine& c, const std::string& v) { c.plugin = v; }}},
        {"--connect", {Arg::None, {"live"}, [](CommandLine& c, const std::string&) { c.connect = true; }}},
        {"--name", {Arg::Value, {"live"}, [](CommandLine& c, const std::string& v) { c.clientName = v; }}},
        {"--fresh", {Arg::None, {"live"}, [](CommandLine& c, const std::string&) { c.fresh = true; }}},
        {"--no-editor", {Arg::None, {"live"}, [](CommandLine& c, const std::string&) { c.noEditor = true; }}},
    };
    return table;
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv) {
    CommandLine cl;
    if (argc < 2) throw ToolError("no command given\n" + std::string(kUsage));
    const std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        cl.command = "help";
        return cl;
    }
    if (command == "--version" || command == "version") {
        cl.command = "version";
        return cl;
    }
    if (command != "render" && command != "params" && command != "presets" && command != "demo" &&
        command != "screenshot" && command != "live")
        throw ToolError("unknown command '" + command +
                        "' (commands: render, params, presets, demo, screenshot, live; see talkforge --help)");
    cl.command = command;

    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            cl.command = "help";
            return cl;
        }
        if (!isOption(arg)) {
            cl.files.push_back(arg);
            continue;
        }
        std::optional<std::string> inlineValue;
        if (arg == "-o") arg = "--output";
        else if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const auto option = optionTable().find(arg);
        if (option == optionTable().end())
            throw ToolError("unknown option '" + arg + "' (see talkforge --help)");
        const auto& commands = option->second.commands;
        if (std::find(commands.begin(), commands.end(), command) == commands.end())
            throw ToolError("option " + arg + " does not apply to '" + command + "'");
        std::string value;
        if (option->second.arg == Arg::Value) {
            if (inlineValue) value = *inlineValue;
            else if (i + 1 < argc && !isOption(argv[i + 1])) value = argv[++i];
            else throw ToolError("option " + arg + " needs a value");
        } else if (inlineValue) {
            throw ToolError("option " + arg + " takes no value");
        }
        option->second.apply(cl, value);
    }

    if (command == "render") {
        if (cl.files.empty()) throw ToolError("render: no voice file given");
        if (cl.files.size() > 1) throw ToolError("render: one voice file expected, got '" + cl.files[1] + "' as well");
        if (cl.output.empty()) throw ToolError("render: no output file given (-o OUT.wav)");
    } else if (command == "screenshot") {
        if (cl.files.size() > 1) throw ToolError("screenshot: one voice file expected, got '" + cl.files[1] + "' as well");
        if (cl.output.empty() || cl.output == "-") throw ToolError("screenshot: no output file given (-o OUT.png)");
    } else if (!cl.files.empty()) {
        throw ToolError(command + ": unexpected argument '" + cl.files[0] + "'");
    }
    return cl;
}
