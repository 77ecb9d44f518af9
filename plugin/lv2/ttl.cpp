// Writes the bundle's descriptions from the parameter table at build time:
// manifest.ttl, talkforge.ttl with the plug-in, its ports and its UI, and
// presets.ttl with the preset library as LV2 presets.
//
// usage: tf_lv2_ttl BUNDLE_DIR
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/layout.h"
#include "plugin/lv2/ports.h"
#include "resources/presets.h"
#include "vocoder/paramtext.h"

namespace {

using namespace tf::lv2;

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A float as a Turtle literal that reads back as the same float.
std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(v));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The names of a stepped parameter's steps that hosts show in lists.
std::vector<std::string> stepLabels(std::int32_t index) {
    const PortRange r = portRange(index);
    std::vector<std::string> labels;
    for (int step = int(r.minimum); step <= int(r.maximum); ++step) {
        switch (index) {
        case kFreezeKey:
        case kFlatKey:
            labels.emplace_back(layout::kKeyEntries[std::size_t(step)]);
            break;
        case kPlayback:
            labels.emplace_back(step == 0 ? "Drone" : "MIDI");
            break;
        case kSource:
            labels.emplace_back(step == 0 ? "Synth" : "Input 2");
            break;
        default: {  // the display's own text of the step
            char text[kParamTextSize];
            parameterDisplay(index, parameterValueOf(index, float(step)), text);
            std::string label = text;
            label.erase(0, label.find_first_not_of(' '));  // the display pads numbers
            labels.push_back(label);
        }
        }
    }
    return labels;
}

bool listed(std::int32_t index) {
    return index == kOctave || index == kWaveform || index == kPlayback || index == kSource || index == kFreezeKey ||
           index == kFlatKey;
}

void parameterPort(std::ostream& out, const ParameterInfo& p) {
    const PortRange r = portRange(p.index);
    out << "[\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << p.index << " ;\n"
        << "        lv2:symbol " << quoted(p.symbol) << " ;\n"
        << "        lv2:name " << quoted(p.name) << " ;\n"
        << "        lv2:default " << number(r.defaultValue) << " ;\n"
        << "        lv2:minimum " << number(r.minimum) << " ;\n"
        << "        lv2:maximum " << number(r.maximum);
    if (p.index == kFreeze || p.index == kFlat) {
        out << " ;\n        lv2:portProperty lv2:toggled , lv2:integer";
    } else if (listed(p.index)) {
        out << " ;\n        lv2:portProperty lv2:integer , lv2:enumeration";
    } else if (r.stepped) {
        out << " ;\n        lv2:portProperty lv2:integer";
    }
    if (p.index == kOctave) out << " ;\n        units:unit units:oct";
    if (listed(p.index)) {
        const std::vector<std::string> labels = stepLabels(p.index);
        out << " ;\n        lv2:scalePoint ";
        for (std::size_t i = 0; i < labels.size(); ++i) {
            out << (i ? " , " : "") << "[ rdfs:label " << quoted(labels[i]) << " ; rdf:value "
                << number(r.minimum + float(i)) << " ]";
        }
    }
    out << "\n    ]";
}

void fixedPort(std::ostream& out, const FixedPort& f) {
    out << "[\n        ";
    switch (f.index) {
    case kVoicePort:
    case kCarrierPort: out << "a lv2:InputPort , lv2:AudioPort"; break;
    case kOutput1Port:
    case kOutput2Port: out << "a lv2:OutputPort , lv2:AudioPort"; break;
    case kMidiPort: out << "a lv2:InputPort , atom:AtomPort"; break;
    case kNotifyPort: out << "a lv2:OutputPort , atom:AtomPort"; break;
    case kLatencyPort: out << "a lv2:OutputPort , lv2:ControlPort"; break;
    case kEnabledPort: out << "a lv2:InputPort , lv2:ControlPort"; break;
    default: break;
    }
    out << " ;\n        lv2:index " << int(f.index) << " ;\n"
        << "        lv2:symbol " << quoted(f.symbol) << " ;\n"
        << "        lv2:name " << quoted(f.name);
    switch (f.index) {
    case kCarrierPort: out << " ;\n        lv2:portProperty lv2:isSideChain"; break;
    case kMidiPort:
        out << " ;\n        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent ;\n"
            << "        lv2:designation lv2:control ;\n        lv2:portProperty lv2:connectionOptional";
        break;
    case kNotifyPort:
        out << " ;\n        atom:bufferType atom:Sequence ;\n        rsz:minimumSize " << kNotifyMinimumBytes
            << " ;\n        lv2:portProperty lv2:connectionOptional";
        break;
    case kLatencyPort:
        out << " ;\n        lv2:designation lv2:latency ;\n"
            << "        lv2:portProperty lv2:reportsLatency , lv2:integer , pprops:notOnGUI ;\n"
            << "        lv2:minimum 0 ;\n        lv2:maximum " << latencyFrames(kHalfRateHostRate)
            << " ;\n        units:unit units:frame";
        break;
    case kEnabledPort:
        out << " ;\n        lv2:designation lv2:enabled ;\n"
            << "        lv2:portProperty lv2:toggled , lv2:integer , pprops:notOnGUI ;\n"
            << "        lv2:default 1 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1";
        break;
    default: break;
    }
    out << "\n    ]";
}

using tf::presets::Preset;

// A preset's URI: its name in lower case, other characters as '_'.
std::string presetUri(std::string_view name) {
    std::string fragment;
    for (char c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        fragment += keep ? c : (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : '_';
    }
    return std::string(kPresetUriBase) + fragment;
}

std::string manifest(std::span<const Preset> presets) {
    std::ostringstream out;
    out << kPrefixes << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << kDspBinary
        << "> ;\n    rdfs:seeAlso <talkforge.ttl> .\n\n"
        << "<" << kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << kUiBinary
        << "> ;\n    rdfs:seeAlso <talkforge.ttl> .\n";
    for (const Preset& p : presets)
        out << "\n<" << presetUri(p.name) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri
            << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
    return out.str();
}

// Each preset sets every parameter's port, as a port value.
std::string presetDescriptions(std::span<const Preset> presets) {
    std::ostringstream out;
    out << kPrefixes;
    for (const Preset& p : presets) {
        out << "<" << presetUri(p.name) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label " << quoted(std::string(p.name)) << " ;\n"
            << "    rdfs:comment " << quoted(std::string(p.description)) << " ;\n    lv2:port ";
        for (const ParameterInfo& info : kParameters)
            out << (info.index ? " ,\n        " : "") << "[ lv2:symbol " << quoted(info.symbol) << " ; pset:value "
                << number(portValueOf(info.index, p.values[std::size_t(info.index)])) << " ]";
        out << " .\n\n";
    }
    return out.str();
}

std::string plugin() {
    std::ostringstream out;
    out << kPrefixes << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin , lv2:SpectralPlugin , doap:Project ;\n"
        << "    doap:name " << quoted(kTalkforgeName) << " ;\n"
        << "    doap:maintainer [ foaf:name " << quoted(kTalkforgeVendor)
        << " ; foaf:homepage <https://harrowgate-sounds.com/> ] ;\n"
        << "    rdfs:comment \"A vocoder: the voice on the first input shapes the carrier on the side-chain input "
           "or the built-in synthesizer.\" ;\n"
        << "    lv2:minorVersion " << TF_VERSION_MINOR << " ;\n    lv2:microVersion " << TF_VERSION_MICRO << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port ";
    bool first = true;
    for (const ParameterInfo& p : kParameters) {
        out << (first ? "" : " , ");
        parameterPort(out, p);
        first = false;
    }
    for (const FixedPort& f : kFixedPorts) {
        out << " , ";
        fixedPort(out, f);
    }
    out << " .\n\n"
        << "<" << kUiUri << ">\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize , urid:map ;\n"
        << "    lv2:extensionData ui:idleInterface ;\n"
        << "    ui:portNotification [\n        ui:plugin <" << kPluginUri << "> ;\n"
        << "        lv2:symbol \"notify\" ;\n        ui:protocol atom:eventTransfer\n    ] .\n";
    return out.str();
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::cerr << "tf_lv2_ttl: cannot write " << path << "\n";
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tf_lv2_ttl BUNDLE_DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    // The library; the sixteen "Empty" programs of the VST 2 bank are not presets.
    const std::span<const Preset> presets = tf::presets::presets();
    return writeFile(dir + "/manifest.ttl", manifest(presets)) && writeFile(dir + "/talkforge.ttl", plugin()) &&
                   writeFile(dir + "/presets.ttl", presetDescriptions(presets))
               ? 0
               : 1;
}
