// A VstEvents list of MIDI messages laid out as hosts lay it out, built once
// and kept (so it can be reused where allocating is not allowed).
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "host/vst2.h"

struct MidiMessage {
    int status, data1, data2, deltaFrames;
};

class MidiList {
public:
    MidiList(std::initializer_list<MidiMessage> messages) : MidiList(std::vector<MidiMessage>(messages)) {}
    explicit MidiList(const std::vector<MidiMessage>& messages) : events(messages.size()) {
        for (std::size_t i = 0; i < messages.size(); ++i) {
            VstMidiEvent& e = events[i];
            e = VstMidiEvent{};
            e.type = kVstMidiType;
            e.byteSize = sizeof e;
            e.deltaFrames = messages[i].deltaFrames;
            e.midiData[0] = static_cast<char>(messages[i].status);
            e.midiData[1] = static_cast<char>(messages[i].data1);
            e.midiData[2] = static_cast<char>(messages[i].data2);
        }
        // numEvents, reserved, then one pointer per event.
        storage.assign(2 + events.size(), nullptr);
        list()->numEvents = static_cast<VstInt32>(events.size());
        for (std::size_t i = 0; i < events.size(); ++i) storage[2 + i] = reinterpret_cast<VstEvent*>(&events[i]);
    }
    MidiList(const MidiList&) = delete;
    MidiList& operator=(const MidiList&) = delete;

    VstEvents* list() { return reinterpret_cast<VstEvents*>(storage.data()); }

private:
    std::vector<VstMidiEvent> events;
    std::vector<VstEvent*> storage;
};
static_assert(sizeof(VstEvent*) == sizeof(VstIntPtr) && sizeof(VstInt32) <= sizeof(VstEvent*));
