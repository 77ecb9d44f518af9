// The Linux library's dynamic symbol table: the module's three entry points
// and nothing else.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/process.h"
#include "tests/vst3/host.h"

namespace {

TEST(Bundle, LibraryExportsOnlyTheEntryPoints) {
    const std::set<std::string> symbols =
        testprocess::exportedSymbols(vst3test::bundleLibrary(vst3test::bundlePath()));
    EXPECT_EQ(symbols, (std::set<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
}

}  // namespace
