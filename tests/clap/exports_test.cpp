// The ELF module's dynamic symbol table: the entry record and nothing else
// (that it is a record, not a function, the entry's own test reads).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/process.h"

namespace {

TEST(Module, ExportsOnlyItsEntryRecord) {
    EXPECT_EQ(testprocess::exportedSymbols(TALKFORGE_CLAP_PATH), (std::set<std::string>{"clap_entry"}));
}

}  // namespace
