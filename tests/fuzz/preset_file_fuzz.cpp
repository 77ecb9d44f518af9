// Fuzzes the reader of VST 2 preset files (.fxp, .fxb) with any bytes. A file
// is either refused with a FormatError at a byte inside the file, or read
// into what the plug-in can take as it stands: one program or a whole bank,
// names of printable characters within their field, every value within 0
// to 1, the current program one of the bank's. What was read, written again,
// reads back the same (names cut to what a program name holds).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "tools/fxp.h"

namespace {

using namespace tf::fxp;

[[noreturn]] void fail(const char* what, std::size_t program) {
    std::fprintf(stderr, "preset file reader: program %zu: %s\n", program, what);
    std::abort();
}

void check(const PresetFile& file) {
    if (file.programs.size() != (file.bank ? std::size_t(kNumPrograms) : 1u)) fail("a wrong number of programs", 0);
    if (file.currentProgram < 0 || file.currentProgram >= int(file.programs.size()))
        fail("the current program is not one of the file's", 0);
    for (std::size_t p = 0; p < file.programs.size(); ++p) {
        const Program& program = file.programs[p];
        if (program.name.size() > kNameFieldBytes) fail("a name longer than its field", p);
        for (char c : program.name)
            if (c < ' ' || c == '\x7f') fail("a control character in a name", p);
        for (float v : program.values)
            if (!(v >= 0.0f && v <= 1.0f)) fail("a value outside 0 to 1", p);
    }
}

// Written again, the file reads back as it was read.
void checkRoundTrip(const PresetFile& file) {
    const auto bytes = file.bank ? writeBank(file.programs, file.currentProgram) : writeProgram(file.programs[0]);
    const PresetFile again = read(bytes);
    if (again.bank != file.bank || again.currentProgram != file.currentProgram ||
        again.programs.size() != file.programs.size())
        fail("written again, the file reads back as another kind", 0);
    for (std::size_t p = 0; p < file.programs.size(); ++p) {
        if (again.programs[p].name != file.programs[p].name.substr(0, kProgramNameChars))
            fail("written again, a name reads back otherwise", p);
        if (again.programs[p].values != file.programs[p].values) fail("written again, a value reads back otherwise", p);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PresetFile file;
    try {
        file = read(std::span(data, size));
    } catch (const FormatError& e) {
        // Refused, saying where: a byte of the file, or its end for a short one.
        if (e.offset() > size) fail("refused at a place past the file's end", 0);
        return 0;
    }
    check(file);
    checkRoundTrip(file);
    return 0;
}
