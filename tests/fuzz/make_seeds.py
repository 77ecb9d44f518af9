#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into tests/fuzz/corpus/<target>/.

The host-actions inputs are programs for host_actions_fuzz.cpp: one byte per
action (the instance in the top bit, the action below it) and then the
action's arguments, in the order that file reads them. Instance 0 exists when
a program starts. The LV2-module inputs are programs for lv2_module_fuzz.cpp
in the same way. Run this again after changing the order in either file;
inputs the fuzzers found (regression-*) are kept as they are.
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


# VST 2 preset files (tools/fxp.h): big-endian, a program of 76 values.
NUM_PARAMS, NUM_PROGRAMS = 76, 16


def fxp_program(name, values, kind=b"FxCk", version=1, plugin=b"467v", count=NUM_PARAMS):
    body = kind + struct.pack(">I", version) + plugin + struct.pack(">II", 1, count)
    body += name.encode()[:27].ljust(28, b"\0") + struct.pack(">%df" % len(values), *values)
    return b"CcnK" + struct.pack(">I", len(body)) + body


def fxb_bank(programs, current=0, version=2):
    body = b"FxBk" + struct.pack(">I", version) + b"467v" + struct.pack(">III", 1, len(programs), current)
    body += bytes(124) + b"".join(programs)
    return b"CcnK" + struct.pack(">I", len(body)) + body


def values(seed):
    return [((seed * 7 + i * 13) % 101) / 100.0 for i in range(NUM_PARAMS)]


BANK = [fxp_program("Program %d" % (p + 1), values(p)) for p in range(NUM_PROGRAMS)]
PRESET_SEEDS = {
    "program.fxp": fxp_program("Old Radio", values(1)),
    "bank.fxb": fxb_bank(BANK, current=5),
    "bank-version-1.fxb": fxb_bank(BANK, version=1),
    "long-name.fxp": fxp_program("A name of all twenty-seven", [0.0] * 38 + [1.0] * 38),
    "chunk.fxp": b"CcnK" + struct.pack(">I", 24) + b"FPCh" + struct.pack(">I", 1) + b"467v"
    + struct.pack(">II", 1, 4) + b"abcd",
    "other-plugin.fxp": fxp_program("Other", values(2), plugin=b"Abcd"),
    "out-of-range.fxp": fxp_program("Hot", [1.5] + values(3)[1:]),
    "truncated.fxb": fxb_bank(BANK)[:1000],
}

# Saved-state texts: as the plug-in writes them, and as people and other
# programs may leave them.
STATE_SEEDS = {
    "state.txt": "talkforge-state 1\nmod_level 0.5\nformant 0.65\nband_1 0\nband_50 1\nwaveform 0.25\n",
    "tolerant.txt": "talkforge-state 1\r\n# a comment\r\nmod_level\t 0.75  \r\nunknown_key 0.3\r\n"
    "formant 2\r\ntune -1\r\nflat nan\r\noctave inf\r\nfreeze 1e-45\r\n\r\nsynth_vol 0x1p-2\r\n",
    "other-version.txt": "talkforge-state 2\nmod_level 0.1\n",
    "not-state.txt": "talkforge-stat 1\nmod_level 0.1\n",
}

# Programs for lv2_module_fuzz.cpp: one byte per action and then its
# arguments, in the order that file reads them. An instance at 44.1 kHz with
# the host's urid:map, every port connected, exists when a program starts.
L_INSTANTIATE, L_CONNECT, L_CONTROL, L_MIDI, L_ACTIVATE, L_RUN = 0, 1, 2, 4, 5, 6
L_RATES = {44100: 0, 48000: 1, 96000: 2, 8000: 4, 0: 6, -48000: 7, "1e-300": 9, "nan": 11, "inf": 12}
L_FRAMES = {0: 0, 1: 1, 63: 3, 64: 4, 512: 9, 513: 10, 4096: 12, "max": 14, "max+1": 15, "3max": 16}
L_VALUES = {0.0: 0, 1.0: 1, 0.5: 2, -1.0: 3, 2.0: 4, 10.0: 5, 25.0: 7, 3.0: 8, "nan": 12, "inf": 13,
            "1e30": 17, 0.49: 18}
L_AMPS = {1.0: 0, 0.5: 1, 0.0: 3, "1e6": 4, "1e30": 6, "nan": 7}
L_CAPACITY = {8: 0, 16: 1, 40: 4, 256: 7, 4096: 8}
L_EVENT_FRAMES = {0: 0, 1: 1, 63: 2, 64: 3, 511: 4, -1: 6, "far": 8}
VOICE_PORT, CARRIER_PORT, OUT1_PORT, OUT2_PORT, MIDI_PORT, NOTIFY_PORT, LATENCY_PORT, ENABLED_PORT = range(76, 84)
NONE, OWN, SHARED = 0, 1, 2
SILENT, TONE_L, NOISE_L, CLICKS = 0, 1, 2, 3


def l_fill(mode, amp, seed=777):
    return bytes([mode, L_AMPS[amp]]) + struct.pack("<I", seed)


def l_run(frames, capacity=4096, voice=l_fill(TONE_L, 0.5), carrier=l_fill(NOISE_L, 0.5), placement=0):
    return bytes([L_RUN, L_FRAMES[frames], L_CAPACITY[capacity]]) + voice + carrier + bytes([placement])


def l_control(port, value):
    return bytes([L_CONTROL, port if port < 76 else 0xFE, L_VALUES[value]])


def l_connect(port, link):
    return bytes([L_CONNECT, port, link])


def l_event(frame, status, *data):
    return bytes([0, L_EVENT_FRAMES[frame], len(data) + 1, status]) + bytes(data)


def l_midi(*events):
    return bytes([L_MIDI, 0, len(events)]) + b"".join(events)


METER_REQUEST = bytes([6, 0])
LV2_SEEDS = {
    "render": l_control(O1_LEVEL, 1.0) + l_control(FORMANT, 0.5) + bytes([L_ACTIVATE]) + l_run(512) * 4,
    "midi": l_control(PLAYBACK, 1.0) + l_control(SYNTH_VOL, 0.5)
    + l_midi(l_event(0, 0x90, 60, 100), l_event(63, 0x90, 64, 90), l_event(1, 0xE0, 0, 80), METER_REQUEST)
    + l_run(512) + l_midi(l_event(511, 0x80, 60), l_event(-1, 0xB0, 64, 127), l_event("far", 0xF8),
                          l_event(0, 0xC0, 5), METER_REQUEST) + l_run(513) + l_run(0) + l_run(64, capacity=40),
    "connections": l_connect(VOICE_PORT, NONE) + l_run(64) + l_connect(VOICE_PORT, OWN)
    + l_connect(OUT1_PORT, SHARED) + l_connect(OUT2_PORT, SHARED) + l_run(512, placement=1)
    + l_connect(FORMANT, NONE) + l_connect(LATENCY_PORT, NONE) + l_connect(NOTIFY_PORT, NONE)
    + l_connect(ENABLED_PORT, NONE) + bytes([L_CONNECT, 0xFF]) + struct.pack("<I", 1 << 31) + bytes([OWN])
    + l_run(64) + l_connect(OUT2_PORT, NONE) + l_run(64),
    "rates": bytes([L_INSTANTIATE, L_RATES[96000], 0]) + l_run(512) + bytes([L_INSTANTIATE, L_RATES[0], 0])
    + l_run(64) + bytes([L_INSTANTIATE, L_RATES["nan"], 0]) + bytes([L_INSTANTIATE, L_RATES[8000], 0xFE])
    + l_midi(l_event(0, 0x90, 60, 100), METER_REQUEST) + l_run(512) + bytes([L_ACTIVATE]) + l_run(64),
    "controls": l_control(MOD_LEVEL, "nan") + l_control(FORMANT, 25.0) + l_control(TUNE, "inf")
    + l_control(OCTAVE, "1e30") + l_control(WAVEFORM, -1.0) + l_control(FREEZE_KEY, 10.0)
    + l_control(ENABLED_PORT, 0.0) + l_run(512) + l_control(ENABLED_PORT, 0.49) + l_control(MOD_LEVEL, 0.5)
    + l_run(512, voice=l_fill(TONE_L, "nan")) + l_control(ENABLED_PORT, 1.0) + l_run(512),
    "long-runs": l_run("max+1") + l_run("3max", voice=l_fill(CLICKS, 1.0)) + bytes([L_ACTIVATE]) + l_run(1)
    + l_run(4096, capacity=8),
}


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


for name, data in SEEDS.items():
    write(os.path.join(HERE, "corpus", "host_actions"), name, data)
for name, data in MIDI_SEEDS.items():
    write(os.path.join(HERE, "corpus", "midi_file"), name, data)
for name, data in PRESET_SEEDS.items():
    write(os.path.join(HERE, "corpus", "preset_file"), name, data)
for name, data in STATE_SEEDS.items():
    write(os.path.join(HERE, "corpus", "saved_state"), name, data.encode())
for name, data in LV2_SEEDS.items():
    write(os.path.join(HERE, "corpus", "lv2_module"), name, data)
