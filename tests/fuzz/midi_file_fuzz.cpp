// Fuzzes the renderer's Standard MIDI File reader with any bytes. A file is
// either refused with the tool's error (and nothing else) or read into a song
// the renderer can trust: channel messages only, with their data bytes, in
// time order, at finite times within the song's length.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/error.h"
#include "tools/midi_file.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t event) {
    std::fprintf(stderr, "MIDI file reader: event %zu: %s\n", event, what);
    std::abort();
}

void check(const MidiSong& song) {
    if (!std::isfinite(song.lengthSeconds) || song.lengthSeconds < 0.0) fail("the song's length is not a time", 0);
    double previous = 0.0;
    for (std::size_t i = 0; i < song.events.size(); ++i) {
        const MidiFileEvent& e = song.events[i];
        if (!std::isfinite(e.seconds) || e.seconds < previous) fail("out of time order", i);
        if (e.seconds > song.lengthSeconds) fail("after the end of the song", i);
        previous = e.seconds;
        const std::uint8_t status = e.bytes[0];
        if (status < 0x80 || status >= 0xF0) fail("not a channel message", i);
        const int kind = status >> 4;
        if (e.bytes[1] >= 0x80 || e.bytes[2] >= 0x80) fail("a data byte with the status bit", i);
        if ((kind == 0xC || kind == 0xD) && e.bytes[2] != 0) fail("a one-byte message with a second data byte", i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    try {
        check(parseMidi(bytes, "fuzz"));
    } catch (const ToolError&) {
        // Refused, with a message for the user: what the reader must do with a bad file.
    }
    return 0;
}
