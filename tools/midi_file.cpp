#include "tools/midi_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "tools/cli_args.h"
#include "tools/error.h"

namespace {

constexpr std::uint32_t kHeaderLength = 6;
constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000;  // 120 beats per minute
constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kSysEx = 0xF0;
constexpr std::uint8_t kSysExContinuation = 0xF7;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kVlqPayload = 0x7F;       // the seven value bits of each length byte
constexpr std::uint32_t kSmpteDivision = 0x8000;  // the division counts SMPTE frames
constexpr std::uint32_t kTicksPerFrameMask = 0xFF;
constexpr int kMaxVlqBytes = 4;
constexpr double kMicros = 1e6;
constexpr int kSmpteDropFrameCode = 29;  // 29.97 frames per second
constexpr double kDropFrameRate = 30000.0 / 1001.0;

// Bytes taken by a channel message's data, by the high nibble of its status.
int dataBytes(std::uint8_t status) {
    const int kind = status >> 4;
    return (kind == 0xC || kind == 0xD) ? 1 : 2;
}

std::string hexByte(std::uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

struct RawEvent {
    std::uint64_t tick;
    std::size_t order;  // track, then position in the track, for a stable merge
    std::uint8_t bytes[3];
    bool isTempo;
    std::uint32_t microsPerQuarter;
};

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, std::string errorName)
        : data(bytes), name(std::move(errorName)) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw ToolError("MIDI file " + name + ": " + what);
    }
    bool atEnd(std::size_t end) const { return pos >= end; }
    std::uint8_t byte(std::size_t end) {
        if (pos >= end) fail("truncated data at byte " + std::to_string(pos));
        return data[pos++];
    }
    std::uint32_t bigEndian(int count, std::size_t end) {
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) v = (v << 8) | byte(end);
        return v;
    }
    std::uint32_t vlq(std::size_t end) {
        std::uint32_t v = 0;
        for (int i = 0; i < kMaxVlqBytes; ++i) {
            const std::uint8_t b = byte(end);
            v = (v << 7) | (b & kVlqPayload);
            if (!(b & kStatusBit)) return v;
        }
        fail("variable-length number longer than four bytes at byte " + std::to_string(pos));
    }
    bool tag(const char* fourCC) {
        if (data.size() - pos < 4 || std::memcmp(&data[pos], fourCC, 4) != 0) return false;
        pos += 4;
        return true;
    }
    void skip(std::size_t count, std::size_t end) {
        if (end - pos < count) fail("truncated data at byte " + std::to_string(pos));
        pos += count;
    }

    const std::vector<std::uint8_t>& data;
    std::string name;
    std::size_t pos = 0;
};

void readTrack(Reader& r, std::size_t end, std::size_t trackIndex, std::vector<RawEvent>& out) {
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    std::size_t index = 0;
    const auto orderOf = [&] { return (trackIndex << 32) | index++; };
    while (!r.atEnd(end)) {
        tick += r.vlq(end);
        std::uint8_t status = r.byte(end);
        if (status == kMetaEvent) {
            const std::uint8_t type = r.byte(end);
            const std::uint32_t length = r.vlq(end);
            if (type == kMetaTempo && length == 3) {
                const std::uint32_t micros = r.bigEndian(3, end);
                if (micros == 0) r.fail("tempo of zero microseconds per quarter note at byte " + std::to_string(r.pos));
                out.push_back({tick, orderOf(), {}, true, micros});
            } else {
                r.skip(length, end);
                out.push_back({tick, orderOf(), {}, false, 0});  // counts toward the song's length
            }
            continue;
        }
        if (status == kSysEx || status == kSysExContinuation) {
            r.skip(r.vlq(end), end);
            continue;
        }
        if (!(status & kStatusBit)) {
            if (!running) r.fail("data byte without a status byte at byte " + std::to_string(r.pos - 1));
            status = running;
            --r.pos;  // the byte was the first data byte
        }
        if (status >= kSysEx) r.fail("unexpected system message " + hexByte(status) + " at byte " + std::to_string(r.pos - 1));
        running = status;
        RawEvent e{tick, orderOf(), {status, 0, 0}, false, 0};
        for (int i = 0; i < dataBytes(status); ++i) {
            const std::uint8_t d = r.byte(end);
            if (d & kStatusBit) r.fail("status byte where data was expected at byte " + std::to_string(r.pos - 1));
            e.bytes[1 + i] = d;
        }
        out.push_back(e);
    }
}

}  // namespace

MidiSong parseMidi(const std::vector<std::uint8_t>& data, const std::string& name) {
    Reader r(data, name);
    if (!r.tag("MThd")) r.fail("not a Standard MIDI File (no MThd header)");
    const std::uint32_t headerLength = r.bigEndian(4, data.size());
    if (headerLength < kHeaderLength) r.fail("header too short");
    const std::size_t headerEnd = r.pos + headerLength;
    if (headerEnd > data.size()) r.fail("truncated header");
    const std::uint32_t format = r.bigEndian(2, headerEnd);
    const std::uint32_t declaredTracks = r.bigEndian(2, headerEnd);
    const std::uint32_t division = r.bigEndian(2, headerEnd);
    r.pos = headerEnd;
    if (format > 1) r.fail("type " + std::to_string(format) + " files are not supported (only types 0 and 1)");
    if (format == 0 && declaredTracks != 1) r.fail("type 0 file declares " + std::to_string(declaredTracks) + " tracks");
    if (division == 0) r.fail("time division of zero");

    std::vector<RawEvent> events;
    std::size_t tracks = 0;
    while (data.size() - r.pos >= 8) {
        const bool isTrack = r.tag("MTrk");
        if (!isTrack) r.pos += 4;  // an unknown chunk: skipped by its length
        const std::uint32_t length = r.bigEndian(4, data.size());
        if (length > data.size() - r.pos)
            r.fail("chunk at byte " + std::to_string(r.pos - 8) + " is truncated (" + std::to_string(length) +
                   " bytes declared, " + std::to_string(data.size() - r.pos) + " present)");
        const std::size_t end = r.pos + length;
        if (isTrack) readTrack(r, end, tracks++, events);
        r.pos = end;
    }
    if (tracks != declaredTracks)
        r.fail("declares " + std::to_string(declaredTracks) + " tracks but holds " + std::to_string(tracks));

    std::stable_sort(events.begin(), events.end(), [](const RawEvent& a, const RawEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    // Ticks to seconds: SMPTE divisions are fixed; metrical ones follow the tempo map.
    const bool smpte = (division & kSmpteDivision) != 0;
    double secondsPerTick = 0.0;
    if (smpte) {
        const int framesCode = -static_cast<std::int8_t>(division >> 8);
        const std::uint32_t ticksPerFrame = division & kTicksPerFrameMask;
        if (framesCode <= 0 || ticksPerFrame == 0) r.fail("invalid SMPTE time division");
        const double fps = framesCode == kSmpteDropFrameCode ? kDropFrameRate : framesCode;
        secondsPerTick = 1.0 / (fps * ticksPerFrame);
    }
    const double ticksPerQuarter = smpte ? 1.0 : division;
    MidiSong song;
    std::uint64_t lastTick = 0;
    double lastSeconds = 0.0;
    std::uint32_t tempo = kDefaultMicrosPerQuarter;
    for (const RawEvent& e : events) {
        const double step = smpte ? secondsPerTick : tempo / kMicros / ticksPerQuarter;
        lastSeconds += static_cast<double>(e.tick - lastTick) * step;
        lastTick = e.tick;
        song.lengthSeconds = lastSeconds;
        if (e.isTempo) tempo = e.microsPerQuarter;
        else if (e.bytes[0]) song.events.push_back({lastSeconds, {e.bytes[0], e.bytes[1], e.bytes[2]}});
    }
    return song;
}

MidiSong readMidiFile(const std::string& path) {
    const bool standardInput = path == kStandardStream;
    const std::string name = standardInput ? "(standard input)" : "'" + path + "'";
    std::ifstream file;
    if (standardInput) {
        if (isatty(STDIN_FILENO)) throw ToolError("MIDI file " + name + " is a terminal; pipe a MIDI file into it");
    } else {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) throw ToolError("MIDI file " + name + ": " + std::strerror(errno));
        if (S_ISDIR(st.st_mode)) throw ToolError("MIDI file " + name + " is a directory");
        file.open(path, std::ios::binary);
        if (!file) throw ToolError("MIDI file " + name + ": " + std::strerror(errno));
    }
    std::istream& in = standardInput ? std::cin : file;
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ToolError("MIDI file " + name + ": read error");
    return parseMidi(data, name);
}
