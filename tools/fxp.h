// VST 2 preset files: a program file (.fxp) holds one program, a bank file
// (.fxb) the plug-in's sixteen, each as a name and the 76 parameter values.
// Both are the big-endian parameter-list formats hosts read and write:
//
//   program ('CcnK' ... 'FxCk'), 56 + 4 x 76 bytes:
//      0 'CcnK'   4 size of what follows   8 'FxCk'   12 format version (1)
//     16 plug-in ID '467v'   20 plug-in version   24 parameter count (76)
//     28 name, 28 bytes, zero-terminated   56 the values, 4-byte floats
//   bank ('CcnK' ... 'FxBk'), 156 bytes and then 16 programs as above:
//      0 'CcnK'   4 size of what follows   8 'FxBk'   12 format version (2)
//     16 plug-in ID   20 plug-in version   24 program count (16)
//     28 current program (format version 2)   32 124 reserved zero bytes
//
// Programs kept as an opaque chunk ('FPCh', 'FBCh') belong to plug-ins that
// save their own data; Talkforge's programs are parameter lists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "vocoder/talkforge.h"

namespace tf::fxp {

// The plug-in's unique ID and the version its effect record shows.
inline constexpr std::uint32_t kTalkforgeId = kTalkforgeUniqueId;  // '467v'
inline constexpr std::uint32_t kPluginVersion = 1;

inline constexpr std::size_t kProgramHeaderBytes = 56;
inline constexpr std::size_t kProgramBytes = kProgramHeaderBytes + 4 * kNumParams;
inline constexpr std::size_t kBankHeaderBytes = 156;
inline constexpr std::size_t kBankBytes = kBankHeaderBytes + kNumPrograms * kProgramBytes;
// The name field holds 28 bytes; a program name as the plug-in keeps it, 23
// characters and the terminator.
inline constexpr std::size_t kNameFieldBytes = 28;
inline constexpr std::size_t kProgramNameChars = 23;

struct Program {
    std::string name;
    std::array<float, kNumParams> values{};  // by parameter index
};

struct PresetFile {
    bool bank = false;
    std::vector<Program> programs;  // one for a program file, sixteen for a bank
    int currentProgram = 0;         // the bank's current program; 0 for a program file
};

// What is wrong with a file and the byte at which it was found.
class FormatError : public std::runtime_error {
public:
    FormatError(const std::string& what, std::size_t offset);
    std::size_t offset() const { return at; }

private:
    std::size_t at;
};

// A program file. Names longer than a program name holds are cut.
std::vector<std::uint8_t> writeProgram(const Program& program);
// A bank file of exactly kNumPrograms programs (std::invalid_argument otherwise).
std::vector<std::uint8_t> writeBank(std::span<const Program> programs, int currentProgram = 0);

// Reads a program or a bank file. Throws FormatError for anything but
// Talkforge's own parameter-list formats, complete, with every value finite
// and within 0 to 1. Reads nothing outside `bytes`, whatever they hold.
PresetFile read(std::span<const std::uint8_t> bytes);

}  // namespace tf::fxp
