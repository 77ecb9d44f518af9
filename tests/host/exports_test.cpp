// The ELF library's dynamic symbol table: the entry points and nothing else.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/process.h"
#include "tests/testhost.h"

namespace {

TEST(Library, ExportsOnlyItsEntryPoints) {
    const std::set<std::string> symbols = testprocess::exportedSymbols(TALKFORGE_PLUGIN_PATH);
    EXPECT_EQ(symbols, (std::set<std::string>{"VSTPluginMain", "main"}));
}

}  // namespace
