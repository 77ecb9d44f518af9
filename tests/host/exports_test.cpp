// The ELF library's dynamic symbol table: the entry points and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "tests/testhost.h"

namespace {

TEST(Library, ExportsOnlyItsEntryPoints) {
    const std::string command = std::string(NM_PROGRAM) + " -D --defined-only " + TALKFORGE_PLUGIN_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) symbols.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    // Version-node names are not symbols of the project.
    std::erase_if(symbols, [](const std::string& s) { return s.starts_with("VERS") || s.starts_with("LIBTF"); });
    EXPECT_EQ(symbols, (std::set<std::string>{"VSTPluginMain", "main"}));
}

}  // namespace
