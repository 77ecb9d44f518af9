// A compact Standard MIDI File reader: types 0 and 1, metrical or SMPTE time,
// the tempo map applied across all tracks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MidiFileEvent {
    double seconds = 0.0;
    std::uint8_t bytes[3] = {};  // a channel message; unused data bytes are 0
};

struct MidiSong {
    std::vector<MidiFileEvent> events;  // channel messages in time order
    double lengthSeconds = 0.0;          // time of the last event of any kind
};

// Parses the bytes of a file; `name` leads every error message.
MidiSong parseMidi(const std::vector<std::uint8_t>& data, const std::string& name);

// Reads and parses a file; errors name the path.
MidiSong readMidiFile(const std::string& path);
