// The Linux library's dynamic symbol table: the module's three entry points
// and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "tests/vst3/host.h"

namespace {

TEST(Bundle, LibraryExportsOnlyTheEntryPoints) {
    const std::string command =
        std::string(NM_PROGRAM) + " -D --defined-only " + vst3test::bundleLibrary(vst3test::bundlePath());
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) symbols.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, (std::set<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
}

}  // namespace
