// VST 2 preset files: the library round-trips, files made byte by byte in the
// published layout read as they should (and are what the writer writes), bad
// files are refused with what is wrong and where, and no input makes the
// reader read outside it.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "resources/presets.h"
#include "tools/fxp.h"

namespace {

using namespace tf::fxp;
using Bytes = std::vector<std::uint8_t>;

// --- Files made by hand -----------------------------------------------------------

void put(Bytes& b, const char (&text)[5]) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(text[i]));
}

void put(Bytes& b, std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(word >> shift));
}

void putFloat(Bytes& b, float v) { put(b, std::bit_cast<std::uint32_t>(v)); }

void putName(Bytes& b, const std::string& name) {
    for (std::size_t i = 0; i < 28; ++i) b.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
}

float handValue(int program, int parameter) { return static_cast<float>((program * 7 + parameter) % 101) / 100.0f; }

// A program file, field by field as the VST 2 format lays it out.
Bytes handMadeProgram(int number, const std::string& name) {
    Bytes b;
    put(b, "CcnK");
    put(b, 4 * 5 + 28 + 4 * 76);  // what follows the size: 352 bytes
    put(b, "FxCk");
    put(b, 1);                     // format version
    put(b, "467v");                // the plug-in's ID
    put(b, 1);                     // the plug-in's version
    put(b, 76);
    putName(b, name);
    for (int i = 0; i < 76; ++i) putFloat(b, handValue(number, i));
    return b;
}

Bytes handMadeBank(std::uint32_t version, std::uint32_t current) {
    Bytes b;
    put(b, "CcnK");
    put(b, 4 * 6 + 124 + 16 * 360);
    put(b, "FxBk");
    put(b, version);
    put(b, "467v");
    put(b, 1);
    put(b, 16);
    put(b, current);
    b.resize(b.size() + 124, 0);
    for (int p = 0; p < 16; ++p) {
        const Bytes program = handMadeProgram(p, "Program " + std::to_string(p + 1));
        b.insert(b.end(), program.begin(), program.end());
    }
    return b;
}

Program handProgram(int number, const std::string& name) {
    Program p{name, {}};
    for (int i = 0; i < 76; ++i) p.values[static_cast<std::size_t>(i)] = handValue(number, i);
    return p;
}

TEST(PresetFiles, AProgramMadeByHandReadsAndIsWhatTheWriterWrites) {
    const Bytes file = handMadeProgram(3, "Hand Made");
    ASSERT_EQ(file.size(), kProgramBytes);
    const PresetFile read = tf::fxp::read(file);
    EXPECT_FALSE(read.bank);
    ASSERT_EQ(read.programs.size(), 1u);
    EXPECT_EQ(read.programs[0].name, "Hand Made");
    EXPECT_EQ(read.programs[0].values, handProgram(3, "").values);
    EXPECT_EQ(writeProgram(handProgram(3, "Hand Made")), file);
}

TEST(PresetFiles, ABankMadeByHandReadsAndIsWhatTheWriterWrites) {
    const Bytes file = handMadeBank(2, 5);
    ASSERT_EQ(file.size(), kBankBytes);
    const PresetFile read = tf::fxp::read(file);
    EXPECT_TRUE(read.bank);
    EXPECT_EQ(read.currentProgram, 5);
    ASSERT_EQ(read.programs.size(), 16u);
    std::vector<Program> programs;
    for (int p = 0; p < 16; ++p) {
        programs.push_back(handProgram(p, "Program " + std::to_string(p + 1)));
        EXPECT_EQ(read.programs[std::size_t(p)].name, programs.back().name);
        EXPECT_EQ(read.programs[std::size_t(p)].values, programs.back().values);
    }
    EXPECT_EQ(writeBank(programs, 5), file);
    // A version 1 bank has no current program: its first is current.
    EXPECT_EQ(tf::fxp::read(handMadeBank(1, 0)).currentProgram, 0);
}

TEST(PresetFiles, TheLibraryRoundTripsAsProgramsAndAsABank) {
    std::vector<Program> bank;
    for (const tf::presets::Preset& preset : tf::presets::presets()) {
        const Program program{std::string(preset.name), preset.values};
        const PresetFile back = tf::fxp::read(writeProgram(program));
        ASSERT_EQ(back.programs.size(), 1u);
        EXPECT_EQ(back.programs[0].name, program.name);
        EXPECT_EQ(back.programs[0].values, program.values) << program.name;
        bank.push_back(program);
    }
    const PresetFile back = tf::fxp::read(writeBank(bank, 2));
    EXPECT_EQ(back.currentProgram, 2);
    ASSERT_EQ(back.programs.size(), bank.size());
    for (std::size_t p = 0; p < bank.size(); ++p) {
        EXPECT_EQ(back.programs[p].name, bank[p].name);
        EXPECT_EQ(back.programs[p].values, bank[p].values);
    }
}

TEST(PresetFiles, NamesAreCutToWhatAProgramHolds) {
    const Bytes file = writeProgram({"A Name Of Far More Than Twenty-Three Characters", {}});
    EXPECT_EQ(tf::fxp::read(file).programs[0].name, "A Name Of Far More Than");
    EXPECT_THROW(writeBank(std::vector<Program>(15), 0), std::invalid_argument);
    EXPECT_THROW(writeBank(std::vector<Program>(16), 16), std::invalid_argument);
}

// --- Bad files -----------------------------------------------------------------------

void setWord(Bytes& b, std::size_t at, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = static_cast<std::uint8_t>(word >> (24 - 8 * i));
}

constexpr std::uint32_t code(const char (&text)[5]) {
    return std::uint32_t(std::uint8_t(text[0])) << 24 | std::uint32_t(std::uint8_t(text[1])) << 16 |
           std::uint32_t(std::uint8_t(text[2])) << 8 | std::uint32_t(std::uint8_t(text[3]));
}

struct BadFile {
    const char* what;
    Bytes bytes;
    const char* message;
    std::size_t offset;
};

TEST(PresetFiles, BadFilesAreRefusedSayingWhatAndWhere) {
    const Bytes program = handMadeProgram(0, "Good");
    const Bytes bank = handMadeBank(2, 0);
    auto with = [](Bytes b, std::size_t at, std::uint32_t word) {
        setWord(b, at, word);
        return b;
    };
    auto cut = [](Bytes b, std::size_t size) {
        b.resize(size);
        return b;
    };
    const std::size_t value3 = 56 + 3 * 4;
    const std::size_t bankProgram3 = 156 + 2 * 360;
    const std::vector<BadFile> cases = {
        {"empty", {}, "truncated: the file ends after 0 bytes", 0},
        {"header cut", cut(program, 20), "truncated", 20},
        {"values cut", cut(program, kProgramBytes - 1), "which needs 360 bytes", kProgramBytes - 1},
        {"not a preset", with(program, 0, code("RIFF")), "not a VST 2 preset: it begins with 'RIFF'", 0},
        {"program chunk", with(program, 8, code("FPCh")), "opaque chunk ('FPCh')", 8},
        {"bank chunk", with(bank, 8, code("FBCh")), "opaque chunk ('FBCh')", 8},
        {"unknown kind", with(program, 8, code("FxZz")), "unknown kind 'FxZz'", 8},
        {"format version 3", with(program, 12, 3), "format version 3", 12},
        {"another plug-in", with(program, 16, code("AbCd")), "another plug-in: its ID is 'AbCd'", 16},
        {"75 parameters", with(program, 24, 75), "holds 75 parameter values; Talkforge has 76", 24},
        {"not a number", with(program, value3, std::bit_cast<std::uint32_t>(std::numeric_limits<float>::quiet_NaN())),
         "parameter 3 (Formant) is nan, not a number", value3},
        {"infinite", with(program, value3, std::bit_cast<std::uint32_t>(std::numeric_limits<float>::infinity())),
         "is inf, not a number", value3},
        {"above 1", with(program, value3, std::bit_cast<std::uint32_t>(1.5f)), "is 1.5, outside 0 to 1", value3},
        {"below 0", with(program, value3, std::bit_cast<std::uint32_t>(-0.25f)), "is -0.25, outside 0 to 1", value3},
        {"15 programs", with(bank, 24, 15), "the bank holds 15 programs; Talkforge's bank has 16", 24},
        {"current program 16", with(bank, 28, 16), "current program 16", 28},
        {"bank cut", cut(bank, bankProgram3 + 100), "inside program 3 of the bank", bankProgram3 + 100},
        {"bank of another plug-in", with(bank, 16, code("AbCd")), "the file belongs to another plug-in", 16},
        {"program of another plug-in in a bank", with(bank, bankProgram3 + 16, code("AbCd")),
         "program 3 of the bank belongs to another plug-in", bankProgram3 + 16},
        {"bank in a bank", with(bank, bankProgram3 + 8, code("FxBk")), "program 3 of the bank is a bank", bankProgram3 + 8},
        {"bad value in a bank", with(bank, bankProgram3 + value3, std::bit_cast<std::uint32_t>(2.0f)),
         "program 3 of the bank: parameter 3 (Formant) is 2", bankProgram3 + value3},
    };
    for (const BadFile& c : cases) {
        try {
            tf::fxp::read(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("(byte " + std::to_string(c.offset) + ")"), std::string::npos)
                << c.what << ": " << e.what();
            EXPECT_EQ(e.offset(), c.offset) << c.what;
        }
    }
}

// Every prefix of a bank, and files with bytes changed at random: each is read
// or refused, and the sanitizer build sees no read outside the bytes.
TEST(PresetFiles, NoInputMakesTheReaderReadOutsideIt) {
    const Bytes bank = handMadeBank(2, 0);
    for (std::size_t size = 0; size < bank.size(); ++size) {
        const Bytes prefix(bank.begin(), bank.begin() + std::ptrdiff_t(size));
        EXPECT_THROW(tf::fxp::read(prefix), FormatError) << size;
    }
    std::mt19937 random(17);
    const std::vector<Bytes> seeds = {handMadeProgram(1, "Seed"), bank};
    int refused = 0, read = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes b = seeds[std::size_t(round % 2)];
        const int changes = 1 + int(random() % 4);
        for (int c = 0; c < changes; ++c) {
            // Mostly the headers, where the reader decides what to read.
            const std::size_t at = random() % 2 ? random() % 64 : random() % b.size();
            b[at] = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 == 0) b.resize(random() % (b.size() + 1));
        try {
            tf::fxp::read(b);
            ++read;
        } catch (const FormatError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}

}  // namespace
