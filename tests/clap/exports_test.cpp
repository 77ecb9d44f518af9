// The ELF module's dynamic symbol table: the entry record and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

TEST(Module, ExportsOnlyItsEntryRecordAsData) {
    const std::string command = std::string(NM_PROGRAM) + " -D --defined-only " + TALKFORGE_CLAP_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::string, std::string> symbols;  // name, type
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) symbols[name] = type;
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, (std::map<std::string, std::string>{{"clap_entry", "D"}}));
}

}  // namespace
