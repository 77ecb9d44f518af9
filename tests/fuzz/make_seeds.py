#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into tests/fuzz/corpus/<target>/.

The host-actions inputs are programs for host_actions_fuzz.cpp: one byte per
action (the instance in the top bit, the action below it) and then the
action's arguments, in the order that file reads them. Instance 0 exists when
a program starts. Run this again after
changing that order; inputs the fuzzers found (regression-*) are kept as they
are.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Actions, and the table positions host_actions_fuzz.cpp picks values from.
CREATE, CLOSE, OPEN_MAINS, RATE, BLOCK, BLOCK_RATE, SET_PARAM = 0, 1, 2, 3, 4, 5, 6
SET_PROGRAM, PROGRAM_NAME, TEXT, COPY_PROGRAM, PIN, CAN_DO, EVENTS = 8, 9, 10, 12, 13, 14, 15
PROCESS, PROCESS_ACC, EDIT_RECT, EDIT_OPEN, EDIT_CLOSE, EDIT_IDLE, EDIT_KEY, QUIET = 16, 17, 18, 19, 20, 21, 22, 23
RATES = {44100: 0, 48000: 1, 96000: 2, 22050: 3, 8000: 4, 192000: 5, "96000.001": 6, 0: 8, 1: 9, "nan": 11,
         "inf": 12, "1e-30": 14}
FRAMES = {0: 0, 1: 1, 3: 3, 63: 6, 64: 7, 511: 13, 512: 14, 513: 15, 4096: 19, "max": 22, "max+1": 23, -1: 24}
VALUES = {0.0: 0, 1.0: 1, 0.5: 2, -1.0: 8, 2.0: 9, "nan": 10, "inf": 12, "-inf": 13, "1e6": 14, "1e30": 16}
AMPS = {1.0: 0, 0.5: 1, 0.01: 2, "1e6": 4, "1e30": 7, "nan": 9, "inf": 10}
TEXT_OPCODES = {"label": 0, "display": 1, "name": 2, "program": 3, "indexed": 4, "effect": 5, "vendor": 6,
                "product": 7, "error": 8}
# Parameter indices (vocoder/talkforge.h).
MOD_LEVEL, FORMANT, FREEZE, FLAT, TUNE, WAVEFORM, O1_FREQ, O1_LEVEL = 0, 3, 4, 5, 6, 7, 8, 9
SYNTH_VOL, OCTAVE, FREEZE_KEY, FLAT_KEY, PLAYBACK, SOURCE, BAND1 = 20, 21, 22, 23, 24, 25, 26


def op(action, instance=0):
    return bytes([(instance << 7) | action])


def create(instance=0):
    return op(CREATE, instance) + b"\x00"


def rate(r, instance=0):
    return op(RATE, instance) + bytes([RATES[r]])


def param(index, value, instance=0):
    if value in VALUES:
        return op(SET_PARAM, instance) + bytes([index, VALUES[value]])
    return op(SET_PARAM, instance) + bytes([index, 0xFF]) + struct.pack("<f", value)


def fill(mode, amp, seed=12345):
    return bytes([mode, AMPS[amp]]) + struct.pack("<I", seed)


TONE, NOISE, SILENCE = 2, 3, 0


def process(frames, voice=fill(TONE, 0.5), carrier=fill(NOISE, 0.5), instance=0, in_place=False):
    return op(PROCESS, instance) + bytes([FRAMES[frames], 1 if in_place else 0]) + voice + carrier


def midi(status, data1, data2, frame_pick=0):
    # kind 0: a MIDI event with the usual byteSize; frame from the fuzzer's table
    return bytes([0, frame_pick, status, data1, data2, 0])


def events(*evs):
    return op(EVENTS) + bytes([len(evs), 0]) + b"".join(evs)


def text(which, index=0, value=0):
    return op(TEXT) + bytes([TEXT_OPCODES[which], index]) + struct.pack("<i", value)


def string(s):
    b = s.encode()
    return bytes([len(b)]) + b


SEEDS = {
    "render": rate(44100) + op(BLOCK) + bytes([FRAMES[512]]) + op(OPEN_MAINS) + b"\x00\x01"
    + param(O1_LEVEL, 1.0) + param(FORMANT, 0.5) + process(512) * 4 + op(CLOSE),
    "playback": rate(48000) + param(PLAYBACK, 1.0) + param(SYNTH_VOL, 0.5)
    + events(midi(0x90, 60, 100), midi(0x90, 64, 90, 2), midi(0xE0, 0, 80, 3), midi(0xB0, 1, 70, 1))
    + process(512) + events(midi(0x80, 60, 0, 4), midi(0xB0, 126, 0)) + process(513) + process(64),
    "editor": op(EDIT_RECT) + op(EDIT_OPEN) + process(512) + op(EDIT_IDLE) + param(MOD_LEVEL, 0.9)
    + param(BAND1 + 10, 0.0) + op(EDIT_IDLE) + op(EDIT_KEY) + b"\x01" + struct.pack("<ii", 65, 0) + b"\x00\x02"
    + op(EDIT_IDLE) + op(EDIT_CLOSE) + op(EDIT_OPEN) + op(EDIT_IDLE) + op(CLOSE),
    "texts": text("label", 0) + text("display", 0) + text("name", 10) + text("display", WAVEFORM)
    + text("display", O1_FREQ) + text("name", 75) + text("name", 76) + text("program") + text("indexed", 3)
    + text("indexed", 16) + text("effect") + text("vendor") + text("product") + text("error")
    + op(PROGRAM_NAME) + string("A program name far longer than twenty-three characters")
    + text("program") + op(PIN) + b"\x01\x00" + op(PIN) + b"\x00\x02"
    + op(CAN_DO) + string("receiveVstMidiEvent") + b"\x00\x00" + op(CAN_DO) + string("0.5") + b"\x01\x03",
    "sizes": rate(96000) + process("max") + rate(0) + process(1) + rate("nan") + process(3)
    + rate(44100) + process("max+1") + process(-1) + process(0) + op(BLOCK_RATE) + bytes([FRAMES[63], RATES[8000]])
    + process(63, in_place=True),
    "two-rates": create(1) + rate(44100, 0) + rate(96000, 1) + param(O1_LEVEL, 1.0, 0)
    + param(O1_LEVEL, 1.0, 1) + process(512, instance=0) + process(512, instance=1) + process(64, instance=1)
    + op(CLOSE, 0) + process(64, instance=1),
    "odd-values": param(MOD_LEVEL, "nan") + param(FORMANT, "inf") + param(TUNE, "-inf")
    + param(OCTAVE, "1e30") + param(WAVEFORM, -1.0) + param(FREEZE_KEY, 2.0) + process(512)
    + param(MOD_LEVEL, 0.5) + param(FORMANT, 0.5) + param(TUNE, 0.5) + param(OCTAVE, 0.5) + param(WAVEFORM, 0.0)
    + param(FREEZE_KEY, 0.0) + process(512, voice=fill(TONE, "nan")) + process(512) + process(512),
    "programs": param(MOD_LEVEL, 0.25) + op(SET_PROGRAM) + b"\x01" + op(COPY_PROGRAM) + b"\x04"
    + op(SET_PROGRAM) + b"\x03" + op(SET_PROGRAM) + b"\x04" + op(PROGRAM_NAME) + string("Init") + text("program")
    + op(SET_PROGRAM) + b"\xff" + struct.pack("<i", -5) + process(64),
    "quiet": b"".join(op(QUIET) + bytes([k]) + struct.pack("<iif", 1, 0, 0.0) for k in range(36))
    + op(QUIET) + b"\xc0" + struct.pack("<iiif", 999, 0, 0, 0.0),
    "refused": op(CLOSE) + op(CREATE) + b"\xfe" + create() + process(64),
    "pedal": param(FREEZE_KEY, 0.9) + param(FLAT_KEY, 0.9) + param(PLAYBACK, 1.0)
    + events(midi(0xB0, 64, 127), midi(0x90, 48, 100)) + process(512) + events(midi(0xB0, 64, 0, 6))
    + process(512),
}


def smf(fmt, division, tracks):
    chunks = [b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division)]
    chunks += [b"MTrk" + struct.pack(">I", len(t)) + t for t in tracks]
    return b"".join(chunks)


END = b"\x00\xff\x2f\x00"
MIDI_SEEDS = {
    "type0.mid": smf(0, 96, [b"\x00\xff\x51\x03\x07\xa1\x20\x00\x90\x3c\x64\x60\x80\x3c\x00" + END]),
    "type1-running-status.mid": smf(1, 480, [
        b"\x00\xff\x51\x03\x0f\x42\x40\x83\x60\xff\x51\x03\x07\xa1\x20" + END,
        b"\x00\x90\x3c\x64\x10\x40\x50\x10\x3c\x00\x00\x40\x00\x00\xe0\x00\x40\x00\xc0\x05\x00\xd0\x30" + END]),
    "smpte.mid": smf(0, 0xE728, [b"\x00\x90\x40\x7f\x81\x00\x80\x40\x00" + END]),
    "sysex-and-unknown-chunk.mid": smf(0, 96, [b"\x00\xf0\x03\x7e\x7f\xf7\x00\xf7\x01\x00\x00\x90\x30\x40" + END])
    + b"XFIH" + struct.pack(">I", 3) + b"abc",
}


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


for name, data in SEEDS.items():
    write(os.path.join(HERE, "corpus", "host_actions"), name, data)
for name, data in MIDI_SEEDS.items():
    write(os.path.join(HERE, "corpus", "midi_file"), name, data)
