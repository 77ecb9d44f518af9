#include "tools/fxp.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

namespace tf::fxp {

namespace {

constexpr std::uint32_t fourCc(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16 |
           std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

constexpr std::uint32_t kChunkMagic = fourCc("CcnK");
constexpr std::uint32_t kProgramMagic = fourCc("FxCk");
constexpr std::uint32_t kBankMagic = fourCc("FxBk");
constexpr std::uint32_t kProgramChunkMagic = fourCc("FPCh");
constexpr std::uint32_t kBankChunkMagic = fourCc("FBCh");
constexpr std::uint32_t kProgramFormatVersion = 1;
constexpr std::uint32_t kBankFormatVersion = 2;  // with the current program
constexpr std::uint32_t kNewestFormatVersion = 2;
constexpr std::size_t kHeaderCountFields = 8;    // magic and size: not counted in the size field

// Field offsets, from the start of a program or a bank.
constexpr std::size_t kSizeAt = 4, kKindAt = 8, kVersionAt = 12, kIdAt = 16, kPluginVersionAt = 20, kCountAt = 24;
constexpr std::size_t kNameAt = 28;        // program
constexpr std::size_t kCurrentAt = 28;     // bank

static_assert(kNameAt + kNameFieldBytes == kProgramHeaderBytes);

void putWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) out[at + std::size_t(i)] = std::uint8_t(word >> (24 - 8 * i));
}

// A program at `at` of `out`, which has room for it.
void putProgram(std::vector<std::uint8_t>& out, std::size_t at, const Program& program) {
    putWord(out, at, kChunkMagic);
    putWord(out, at + kSizeAt, std::uint32_t(kProgramBytes - kHeaderCountFields));
    putWord(out, at + kKindAt, kProgramMagic);
    putWord(out, at + kVersionAt, kProgramFormatVersion);
    putWord(out, at + kIdAt, kTalkforgeId);
    putWord(out, at + kPluginVersionAt, kPluginVersion);
    putWord(out, at + kCountAt, kNumParams);
    const std::size_t nameLength = std::min(program.name.size(), kProgramNameChars);
    std::copy_n(program.name.begin(), nameLength, out.begin() + std::ptrdiff_t(at + kNameAt));
    for (std::size_t i = 0; i < kNumParams; ++i)
        putWord(out, at + kProgramHeaderBytes + 4 * i, std::bit_cast<std::uint32_t>(program.values[i]));
}

std::string codeText(std::uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char(code >> shift);
        text += c >= ' ' && c <= '~' ? c : '?';
    }
    return "'" + text + "'";
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// Reads big-endian fields of `bytes`, each after checking that it lies inside.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> b) : bytes(b) {}

    // Fails unless `count` bytes from `at` are there; `needed` says for what.
    void require(std::size_t at, std::size_t count, const std::string& needed) const {
        if (at > bytes.size() || count > bytes.size() - at)
            throw FormatError("truncated: the file ends after " + std::to_string(bytes.size()) + " bytes, " + needed,
                              bytes.size());
    }
    std::uint32_t word(std::size_t at) const {
        require(at, 4, "inside a header");
        return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
               std::uint32_t(bytes[at + 2]) << 8 | std::uint32_t(bytes[at + 3]);
    }
    std::uint8_t byte(std::size_t at) const {
        require(at, 1, "inside a header");
        return bytes[at];
    }

private:
    std::span<const std::uint8_t> bytes;
};

// Checks the fields a program and a bank share (the outer magic, the kind,
// the format version and the plug-in's ID) and returns the kind.
std::uint32_t readHeader(const Reader& in, std::size_t at, const std::string& what) {
    const std::uint32_t magic = in.word(at);
    if (magic != kChunkMagic)
        throw FormatError(what + " is not a VST 2 preset: it begins with " + codeText(magic) + ", not 'CcnK'", at);
    const std::uint32_t kind = in.word(at + kKindAt);
    if (kind == kProgramChunkMagic || kind == kBankChunkMagic)
        throw FormatError(what + " keeps its data as an opaque chunk (" + codeText(kind) +
                              "), as plug-ins with formats of their own do; Talkforge's programs are parameter lists",
                          at + kKindAt);
    if (kind != kProgramMagic && kind != kBankMagic)
        throw FormatError(what + " is of an unknown kind " + codeText(kind) + " ('FxCk' is a program, 'FxBk' a bank)",
                          at + kKindAt);
    const std::uint32_t version = in.word(at + kVersionAt);
    if (version < 1 || version > kNewestFormatVersion)
        throw FormatError(what + " has format version " + std::to_string(version) + "; versions 1 and 2 are known",
                          at + kVersionAt);
    const std::uint32_t id = in.word(at + kIdAt);
    if (id != kTalkforgeId)
        throw FormatError(what + " belongs to another plug-in: its ID is " + codeText(id) + ", Talkforge's is " +
                              codeText(kTalkforgeId),
                          at + kIdAt);
    return kind;
}

Program readProgram(const Reader& in, std::size_t at, const std::string& what) {
    if (readHeader(in, at, what) != kProgramMagic)
        throw FormatError(what + " is a bank ('FxBk') where a program ('FxCk') belongs", at + kKindAt);
    const std::uint32_t count = in.word(at + kCountAt);
    if (count != kNumParams)
        throw FormatError(what + " holds " + std::to_string(count) + " parameter values; Talkforge has " +
                              std::to_string(kNumParams),
                          at + kCountAt);
    in.require(at, kProgramBytes,
               "inside " + what + ", which needs " + std::to_string(kProgramBytes) + " bytes from byte " +
                   std::to_string(at));
    Program program;
    for (std::size_t i = 0; i < kNameFieldBytes; ++i) {
        const auto c = char(in.byte(at + kNameAt + i));
        if (c == '\0') break;
        program.name += c >= ' ' && c != '\x7f' ? c : '?';
    }
    for (std::size_t i = 0; i < kNumParams; ++i) {
        const std::size_t valueAt = at + kProgramHeaderBytes + 4 * i;
        const float v = std::bit_cast<float>(in.word(valueAt));
        if (!(v >= 0.0f && v <= 1.0f))
            throw FormatError(what + ": parameter " + std::to_string(i) + " (" + kParameters[i].name + ") is " +
                                  number(v) + (std::isfinite(v) ? ", outside 0 to 1" : ", not a number"),
                              valueAt);
        program.values[i] = v;
    }
    return program;
}

}  // namespace

FormatError::FormatError(const std::string& what, std::size_t offset)
    : std::runtime_error(what + " (byte " + std::to_string(offset) + ")"), at(offset) {}

std::vector<std::uint8_t> writeProgram(const Program& program) {
    std::vector<std::uint8_t> out(kProgramBytes, 0);
    putProgram(out, 0, program);
    return out;
}

std::vector<std::uint8_t> writeBank(std::span<const Program> programs, int currentProgram) {
    if (programs.size() != kNumPrograms)
        throw std::invalid_argument("a bank holds " + std::to_string(kNumPrograms) + " programs, not " +
                                    std::to_string(programs.size()));
    if (currentProgram < 0 || currentProgram >= kNumPrograms)
        throw std::invalid_argument("current program " + std::to_string(currentProgram) + " is not in the bank");
    std::vector<std::uint8_t> out(kBankBytes, 0);
    putWord(out, 0, kChunkMagic);
    putWord(out, kSizeAt, std::uint32_t(kBankBytes - kHeaderCountFields));
    putWord(out, kKindAt, kBankMagic);
    putWord(out, kVersionAt, kBankFormatVersion);
    putWord(out, kIdAt, kTalkforgeId);
    putWord(out, kPluginVersionAt, kPluginVersion);
    putWord(out, kCountAt, kNumPrograms);
    putWord(out, kCurrentAt, std::uint32_t(currentProgram));
    for (std::size_t p = 0; p < programs.size(); ++p) putProgram(out, kBankHeaderBytes + p * kProgramBytes, programs[p]);
    return out;
}

PresetFile read(std::span<const std::uint8_t> bytes) {
    const Reader in(bytes);
    // The size field is not relied on: writers disagree on what it counts.
    // The counts give every length.
    PresetFile file;
    if (readHeader(in, 0, "the file") == kProgramMagic) {
        file.programs.push_back(readProgram(in, 0, "the program"));
        return file;
    }
    file.bank = true;
    const std::uint32_t count = in.word(kCountAt);
    if (count != kNumPrograms)
        throw FormatError("the bank holds " + std::to_string(count) + " programs; Talkforge's bank has " +
                              std::to_string(kNumPrograms),
                          kCountAt);
    if (in.word(kVersionAt) >= kBankFormatVersion) {
        const std::uint32_t current = in.word(kCurrentAt);
        if (current >= kNumPrograms)
            throw FormatError("the bank's current program " + std::to_string(current) + " is not one of its " +
                                  std::to_string(kNumPrograms),
                              kCurrentAt);
        file.currentProgram = int(current);
    }
    for (std::size_t p = 0; p < kNumPrograms; ++p)
        file.programs.push_back(
            readProgram(in, kBankHeaderBytes + p * kProgramBytes, "program " + std::to_string(p + 1) + " of the bank"));
    return file;
}

}  // namespace tf::fxp
