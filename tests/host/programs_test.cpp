// The bank of 16 programs: selecting, naming, listing and copying.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/testhost.h"

namespace {

std::string indexedName(TestHost& host, VstInt32 index, VstIntPtr* answer = nullptr) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    buffer[31] = '\0';
    const VstIntPtr a = host.dispatch(effGetProgramNameIndexed, index, 0, buffer);
    if (answer) *answer = a;
    return buffer;
}

void setName(TestHost& host, const char* name) {
    host.dispatch(effSetProgramName, 0, 0, const_cast<char*>(name));
}

TEST(Programs, StartEmptyAtProgramZero) {
    TestHost host;
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    for (VstInt32 p = 0; p < 16; ++p) {
        host.dispatch(effSetProgram, 0, p);
        EXPECT_EQ(host.programName(), "Empty");
        EXPECT_EQ(indexedName(host, p), "Empty");
    }
}

TEST(Programs, SelectingAcceptsOnlyTheSixteen) {
    TestHost host;
    host.dispatch(effSetProgram, 0, 15);
    EXPECT_EQ(host.dispatch(effGetProgram), 15);
    for (VstIntPtr bad : {VstIntPtr(16), VstIntPtr(17), VstIntPtr(-1), VstIntPtr(-16), VstIntPtr(1) << 40}) {
        host.dispatch(effSetProgram, 0, bad);
        EXPECT_EQ(host.dispatch(effGetProgram), 15);
    }
}

TEST(Programs, ParameterChangesAreKeptInTheCurrentProgram) {
    TestHost host;
    host.dispatch(effSetProgram, 0, 1);
    host.setParameter(3, 0.8f);
    host.setParameter(6, 0.7f);
    host.setParameter(60, 0.1f);
    host.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(host.getParameter(3), 0.5f);
    EXPECT_EQ(host.getParameter(60), 0.5f);
    host.dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(host.getParameter(3), 0.8f);
    EXPECT_EQ(host.getParameter(6), 0.7f);
    EXPECT_EQ(host.getParameter(60), 0.1f);
}

TEST(Programs, EveryParameterKeepsItsOwnSlot) {
    TestHost host;
    host.dispatch(effSetProgram, 0, 2);
    for (VstInt32 i = 0; i < 76; ++i) host.setParameter(i, static_cast<float>(i) / 100.0f);
    host.dispatch(effSetProgram, 0, 3);
    host.dispatch(effSetProgram, 0, 2);
    for (VstInt32 i = 0; i < 76; ++i) EXPECT_EQ(host.getParameter(i), static_cast<float>(i) / 100.0f);
}

TEST(Programs, InitNamesShowTheirNumber) {
    TestHost host;
    host.dispatch(effSetProgram, 0, 3);
    setName(host, "Init");
    EXPECT_EQ(host.programName(), "Init 4");
    EXPECT_EQ(indexedName(host, 3), "Init");
    setName(host, "Initial");
    EXPECT_EQ(host.programName(), "Initial");
    setName(host, "init");
    EXPECT_EQ(host.programName(), "init");
    host.dispatch(effSetProgram, 0, 15);
    setName(host, "Init");
    EXPECT_EQ(host.programName(), "Init 16");
}

TEST(Programs, LongNamesAreCutToTwentyThreeCharacters) {
    TestHost host;
    setName(host, "A program name that is far too long for the bank");
    EXPECT_EQ(host.programName(), "A program name that is ");
    EXPECT_EQ(host.programName().size(), 23u);
    char exact[24];
    std::memset(exact, '#', sizeof exact);
    host.dispatch(effGetProgramName, 0, 0, exact);
    EXPECT_EQ(exact[23], '\0');
}

TEST(Programs, IndexedNamesAndCopiesStayInsideTheBank) {
    TestHost host;
    VstIntPtr answer = -1;
    for (VstInt32 bad : {16, -1, 1000}) {
        EXPECT_EQ(indexedName(host, bad, &answer)[0], 'x');
        EXPECT_EQ(answer, 0);
        EXPECT_EQ(host.dispatch(effCopyProgram, bad), 0);
    }
    for (VstInt32 p = 0; p < 16; ++p) EXPECT_EQ(indexedName(host, p), "Empty");
}

TEST(Programs, CopyingDuplicatesValuesAndName) {
    TestHost host;
    host.dispatch(effSetProgram, 0, 2);
    setName(host, "Robot choir");
    for (VstInt32 i = 0; i < 76; ++i) host.setParameter(i, 1.0f - static_cast<float>(i) / 80.0f);
    EXPECT_EQ(host.dispatch(effCopyProgram, 5), 1);
    EXPECT_EQ(host.dispatch(effGetProgram), 2);
    EXPECT_EQ(indexedName(host, 5), "Robot choir");
    host.dispatch(effSetProgram, 0, 5);
    for (VstInt32 i = 0; i < 76; ++i) EXPECT_EQ(host.getParameter(i), 1.0f - static_cast<float>(i) / 80.0f);
    EXPECT_EQ(host.programName(), "Robot choir");
}

}  // namespace
