#include "tools/commands.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "resources/presets.h"
#include "tools/audio_output.h"
#include "tools/audio_source.h"
#include "tools/chord.h"
#include "tools/error.h"
#include "tools/midi_file.h"
#include "tools/param_lookup.h"
#include "tools/plugin_host.h"
#include "tools/preset_option.h"
#include "tools/render.h"
#include "tools/text.h"
#include "vocoder/talkforge.h"

namespace {

constexpr double kMinRate = 8000.0;
constexpr double kMaxRate = 192000.0;
constexpr float kOn = 1.0f;
constexpr float kOff = 0.0f;

// The drone that plays when nothing else is chosen, and in the demo: a spread
// C major chord. The demo lifts the output by 2.9 dB ("Out.level" 0.6).
constexpr const char* kDefaultChord = "C2,G2,E3,G3,C4";
constexpr const char* kDemoOutLevel = "Out.level=0.6";
constexpr const char* kDemoOutput = "talkforge-demo.wav";
constexpr const char* kPluginFile = "Talkforge.so";
constexpr const char* kDemoVoiceFile = "demo-voice.flac";

// A MIDI song may run on past the end of the audio inputs by this much: its
// last notes and their release, not a length that would fill the disk.
constexpr double kMidiOverrunSeconds = 60.0;

namespace fs = std::filesystem;

// The folder of this program. Its files are found from there, so that the tool
// works wherever the build tree or the installation is.
fs::path programFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path(".") : self.parent_path();
}

}  // namespace

std::string pluginPath(const CommandLine& cl) {
    if (!cl.plugin.empty()) return cl.plugin;
    if (const char* env = std::getenv("TALKFORGE_PLUGIN"); env && *env) return env;
    const fs::path folder = programFolder();
    const fs::path installed = (folder / TALKFORGE_PLUGIN_FROM_PROGRAM / kPluginFile).lexically_normal();
    std::error_code ec;
    for (const fs::path& candidate : {installed, (folder / ".." / kPluginFile).lexically_normal(), folder / kPluginFile})
        if (fs::exists(candidate, ec)) return candidate.string();
    return installed.string();
}

std::string demoVoicePath() {
    return (programFolder() / TALKFORGE_DATA_FROM_PROGRAM / kDemoVoiceFile).lexically_normal().string();
}

namespace {

// Frames at a time in seconds; times beyond any render are capped so that the
// count cannot overflow.
std::int64_t framesAt(double seconds, double rate) {
    constexpr double kNever = 0x1p62;
    const double frames = seconds * rate;
    return frames < kNever ? std::llround(frames) : static_cast<std::int64_t>(kNever);
}

bool hasNotes(const MidiSong& song) {
    constexpr std::uint8_t kNoteOn = 0x90, kKindMask = 0xF0;
    return std::any_of(song.events.begin(), song.events.end(),
                       [](const MidiFileEvent& e) { return (e.bytes[0] & kKindMask) == kNoteOn && e.bytes[2] > 0; });
}

std::string rateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%g Hz", rate);
    return text;
}

double decibels(double level) { return 20.0 * std::log10(level); }

std::string dbfsText(double level) {
    if (!(level > 0.0)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", decibels(level));
    return text;
}

bool touchesOscillators(const ParameterPlan& settings) {
    return std::any_of(settings.begin(), settings.end(),
                       [](const auto& s) { return s.first >= kO1Freq && s.first <= kO6Level; });
}

}  // namespace

ParameterPlan planParameters(PluginHost& plugin, const CommandLine& cl, std::optional<InputSwitches> inputs,
                             bool defaultChord) {
    const ParamLookup params(plugin);
    ParameterPlan settings;
    for (const std::string& s : cl.settings) settings.push_back(parseSetting(params, s));

    ParameterPlan plan;
    if (!cl.preset.empty()) {
        const tf::fxp::Program preset = loadPreset(cl.preset);
        for (int i = 0; i < kNumParams; ++i) plan.emplace_back(i, preset.values[static_cast<std::size_t>(i)]);
    }
    if (inputs) {
        plan.emplace_back(kSource, inputs->externalCarrier ? kOn : kOff);
        plan.emplace_back(kPlayback, inputs->playback ? kOn : kOff);
    }
    std::string chordText = cl.chord;
    if (chordText.empty() && defaultChord && cl.preset.empty() && !touchesOscillators(settings))
        chordText = kDefaultChord;
    if (!chordText.empty()) {
        // The keyboard's range follows "Octave" as it will be once the plan is applied.
        float octave = plugin.parameter(kOctave);
        for (const auto& [index, value] : plan)
            if (index == kOctave) octave = value;
        for (const auto& [index, value] : settings)
            if (index == kOctave) octave = value;
        const Chord chord = parseChord(chordText, octave);
        // Each note at 1/n of full level: any chord then peaks like a single note.
        const auto values = chordParameters(chord, 1.0f / static_cast<float>(chord.keys.size()));
        plan.insert(plan.end(), values.begin(), values.end());
    }
    plan.insert(plan.end(), settings.begin(), settings.end());
    return plan;
}

void applyPlan(PluginHost& plugin, const ParameterPlan& plan) {
    for (const auto& [index, value] : plan) plugin.setParameter(index, value);
}

namespace {

bool supportedRate(double rate) { return rate >= kMinRate && rate <= kMaxRate; }

std::string supportedRange() { return rateText(kMinRate) + " to " + rateText(kMaxRate); }

}  // namespace

int runRender(const CommandLine& cl) {
    const std::string& voicePath = cl.files[0];
    if ((voicePath == kStandardStream) + (cl.carrier == kStandardStream) + (cl.midi == kStandardStream) > 1)
        throw ToolError("only one input can come from standard input (\"-\")");
    // Every input is opened and checked before the output file is created.
    AudioSource voice(voicePath, "voice file", cl.mix);
    std::optional<AudioSource> carrier;
    if (!cl.carrier.empty()) carrier.emplace(cl.carrier, "carrier file", cl.mix);
    std::optional<MidiSong> song;
    if (!cl.midi.empty()) song = readMidiFile(cl.midi);
    if (carrier && (song || !cl.chord.empty()))
        throw ToolError("--carrier replaces the synthesizer; it cannot be combined with --chord or --midi");
    if (song && !cl.chord.empty())
        throw ToolError("--chord and --midi both play the synthesizer; give only one");
    for (const std::string& input : {voicePath, cl.carrier, cl.midi})
        if (!input.empty() && input != kStandardStream && sameFile(input, cl.output))
            throw ToolError("output '" + cl.output + "' is the input file '" + input + "'");

    const double rate = cl.rate.value_or(voice.fileRate());
    if (cl.rate && !supportedRate(rate))
        throw ToolError("--rate " + rateText(rate) + " is not supported (the renderer runs at " + supportedRange() + ")");
    if (!supportedRate(rate))
        throw ToolError("voice file '" + voicePath + "' is at " + rateText(rate) +
                        ", which the renderer does not run at (" + supportedRange() + "); choose a rate with --rate");

    PluginHost plugin(pluginPath(cl));
    const ParameterPlan plan =
        planParameters(plugin, cl, InputSwitches{carrier.has_value(), song.has_value()}, !carrier && !song);

    RenderJob job;
    voice.convertTo(rate);
    job.voice = &voice;
    if (carrier) {
        carrier->convertTo(rate);
        job.carrier = &*carrier;
    }
    if (song) {
        for (const MidiFileEvent& e : song->events)
            job.midi.push_back({framesAt(e.seconds, rate), {e.bytes[0], e.bytes[1], e.bytes[2]}});
        job.midiFrames = framesAt(song->lengthSeconds, rate) + 1;
        job.midiOverrun = framesAt(kMidiOverrunSeconds, rate);
        if (!hasNotes(*song))
            std::fprintf(stderr, "talkforge: warning: MIDI file '%s' holds no notes; the synthesizer stays silent\n",
                         cl.midi.c_str());
    }
    if (cl.length) job.length = framesAt(*cl.length, rate);
    job.blockSize = cl.blockSize;
    job.compensateLatency = cl.compensateLatency;
    job.showProgress = !cl.quiet && isatty(STDERR_FILENO);

    plugin.start(rate, cl.blockSize);
    applyPlan(plugin, plan);
    WavWriter out(cl.output, rate, cl.floatOutput);
    const RenderResult r = render(plugin, job, out);
    out.commit();

    // With the audio on standard output, the summary goes with the messages.
    FILE* summary = out.toStandardOutput() ? stderr : stdout;
    const std::string written = out.toStandardOutput() ? "standard output" : cl.output;
    const double seconds = static_cast<double>(r.frames) / rate;
    std::fprintf(summary, "talkforge: wrote %s: %.2f s at %s, peak %s, RMS %s, %.1fx real time\n", written.c_str(),
                 seconds, rateText(rate).c_str(), dbfsText(r.peak).c_str(), dbfsText(r.rms).c_str(),
                 r.wallSeconds > 0.0 ? seconds / r.wallSeconds : 0.0);
    if (r.midiCut)
        std::fprintf(stderr, "talkforge: warning: MIDI file '%s' runs to %.0f s; the render stopped %.0f s after the end "
                     "of the audio (give --length to render more)\n", cl.midi.c_str(), song->lengthSeconds, kMidiOverrunSeconds);
    if (!cl.floatOutput && out.clippedSamples() > 0)
        std::fprintf(stderr, "talkforge: warning: %lld samples beyond full scale were clipped; lower \"Out.level\" or use --float\n",
                     static_cast<long long>(out.clippedSamples()));
    return 0;
}

int runDemo(const CommandLine& cl) {
    CommandLine demo = cl;
    demo.files = {demoVoicePath()};
    demo.compensateLatency = true;
    if (demo.output.empty()) demo.output = kDemoOutput;
    demo.settings = {kDemoOutLevel};
    return runRender(demo);
}

int runParams(const CommandLine& cl) {
    PluginHost plugin(pluginPath(cl));
    applyPlan(plugin, planParameters(plugin, cl, std::nullopt, false));
    if (!cl.save.empty()) {
        // Named as a host shows a program: after the file, as long as a program name can be.
        tf::fxp::Program program;
        program.name = fs::path(cl.save).stem().string().substr(0, tf::fxp::kProgramNameChars);
        for (int i = 0; i < kNumParams; ++i) program.values[static_cast<std::size_t>(i)] = plugin.parameter(i);
        saveProgram(cl.save, program);
        std::printf("talkforge: wrote %s: program '%s', %d parameters\n", cl.save.c_str(), program.name.c_str(),
                    kNumParams);
        return 0;
    }
    // The plug-in pads its texts to a fixed width; the table aligns them itself.
    std::printf("%-5s  %-10s  %-8s  %-10s  %s\n", "index", "name", "value", "display", "label");
    for (int i = 0; i < plugin.numParams(); ++i)
        std::printf("%5d  %-10s  %8.6f  %-10s  %s\n", i, plugin.paramName(i).c_str(), plugin.parameter(i),
                    trimmed(plugin.paramDisplay(i)).c_str(), trimmed(plugin.paramLabel(i)).c_str());
    return 0;
}

int runPresets(const CommandLine&) {
    for (const tf::presets::Preset& p : tf::presets::presets())
        std::printf("%-*s  %s\n", static_cast<int>(tf::presets::kNameChars), std::string(p.name).c_str(),
                    std::string(p.description).c_str());
    return 0;
}
