// The VST 3 binary interface, its base: basic types, ids, FUnknown, the plug-in
// base and the byte stream. Written from the published layout (there is no
// SDK here); every record's size and offsets are pinned below each record,
// and the interfaces' slot numbers by the ABI test. Offsets are those of
// 64-bit Linux and Windows, where every record has natural alignment.
//
// An interface is an abstract class of pure virtual methods in slot order: no
// data, no destructor, no overloads. Each carries its id as `iid`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "vst3_platform.h"  // abi/linux or abi/windows, chosen by the build

namespace vst3 {

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;

using TBool = uint8;
using char16 = char16_t;
using TChar = char16;
using FIDString = const char*;  // ASCII ids: view types, message ids, attribute keys
using ParamID = uint32;
using ParamValue = double;
using SampleRate = double;
using TSamples = int64;
using SpeakerArrangement = uint64;
using CtrlNumber = int16;
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;

inline constexpr int kString128Length = 128;
using String128 = char16[kString128Length];  // NUL-terminated UTF-16

inline constexpr ParamID kNoParamId = 0xFFFFFFFFu;

// ---- Ids ----------------------------------------------------------------
// An interface or class id: four 32-bit words stored as 16 bytes in the
// platform's order. In calls an id travels as `const char*` to its bytes.
inline constexpr int kUidBytes = 16;

struct Uid {
    char bytes[kUidBytes];

    // Ids compare as raw bytes.
    bool matches(const char* other) const { return other && std::memcmp(bytes, other, kUidBytes) == 0; }
    void copyTo(char* out) const { std::memcpy(out, bytes, kUidBytes); }
};
static_assert(sizeof(Uid) == kUidBytes);

constexpr Uid makeUid(uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
    Uid id{};
    auto put = [&id](int at, uint32 word, int count, bool little) {
        for (int i = 0; i < count; ++i) {
            const int shift = little ? 8 * i : 8 * (count - 1 - i);
            id.bytes[at + i] = static_cast<char>(static_cast<uint8>(word >> shift));
        }
    };
    put(0, l1, 4, kComGuidByteOrder);
    put(4, l2 >> 16, 2, kComGuidByteOrder);
    put(6, l2 & 0xFFFFu, 2, kComGuidByteOrder);
    put(8, l3, 4, false);
    put(12, l4, 4, false);
    return id;
}

// The four words of an id's bytes: the inverse of makeUid.
constexpr void uidWords(const char* bytes, uint32 words[4]) {
    auto get = [bytes](int at, int count, bool little) {
        uint32 w = 0;
        for (int i = 0; i < count; ++i) {
            const int shift = little ? 8 * i : 8 * (count - 1 - i);
            w |= static_cast<uint32>(static_cast<uint8>(bytes[at + i])) << shift;
        }
        return w;
    };
    words[0] = get(0, 4, kComGuidByteOrder);
    words[1] = (get(4, 2, kComGuidByteOrder) << 16) | get(6, 2, kComGuidByteOrder);
    words[2] = get(8, 4, false);
    words[3] = get(12, 4, false);
}

// ---- FUnknown -----------------------------------------------------------

class FUnknown {
public:
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
    // Slot 0. On success *obj holds one reference for the caller.
    virtual tresult queryInterface(const char* id, void** obj) = 0;
    virtual uint32 addRef() = 0;   // returns the new count
    virtual uint32 release() = 0;  // returns the new count; 0 deletes
};

class IPluginBase : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
    virtual tresult initialize(FUnknown* context) = 0;  // 3
    virtual tresult terminate() = 0;                    // 4
};

// ---- Byte stream (state) ------------------------------------------------

inline constexpr int32 kSeekSet = 0;
inline constexpr int32 kSeekCur = 1;
inline constexpr int32 kSeekEnd = 2;

class IBStream : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
    virtual tresult read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;      // 3
    virtual tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;  // 4
    virtual tresult seek(int64 pos, int32 mode, int64* result) = 0;                   // 5
    virtual tresult tell(int64* pos) = 0;                                             // 6
};

}  // namespace vst3
