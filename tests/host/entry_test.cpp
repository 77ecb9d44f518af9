// Loading the library, creating instances, the record the host sees.
#include <gtest/gtest.h>

#include "tests/testhost.h"

namespace {

TEST(Library, BothEntryNamesAreTheSameFunction) {
    ASSERT_NE(PluginLibrary::entry("VSTPluginMain"), nullptr);
    EXPECT_EQ(PluginLibrary::entry("VSTPluginMain"), PluginLibrary::entry("main"));
}

TEST(Entry, AsksTheHostVersionFirstWithNoRecord) {
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    ASSERT_FALSE(host.calls.empty());
    const HostCall& first = host.calls.front();
    EXPECT_EQ(first.effect, nullptr);
    EXPECT_EQ(first.opcode, audioMasterVersion);
    EXPECT_EQ(first.index, 0);
    EXPECT_EQ(first.value, 0);
    EXPECT_EQ(first.ptr, nullptr);
    EXPECT_EQ(first.opt, 0.0f);
}

TEST(Entry, RefusesAHostThatAnswersVersionZero) {
    TestHost host(false);
    host.versionAnswer = 0;
    EXPECT_EQ(host.open(), nullptr);
    EXPECT_EQ(PluginLibrary::entry()(nullptr), nullptr);
}

TEST(Record, ShowsTheEffectAsAHostExpectsIt) {
    TestHost host;
    const AEffect& e = *host.effect;
    EXPECT_EQ(e.magic, 0x56737450);
    EXPECT_NE(e.dispatcher, nullptr);
    EXPECT_NE(e.process, nullptr);
    EXPECT_NE(e.processReplacing, nullptr);
    EXPECT_NE(e.setParameter, nullptr);
    EXPECT_NE(e.getParameter, nullptr);
    EXPECT_EQ(e.numPrograms, 16);
    EXPECT_EQ(e.numParams, 76);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.flags, effFlagsHasEditor | effFlagsCanReplacing);
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.realQualities, 0);
    EXPECT_EQ(e.offQualities, 0);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_NE(e.object, nullptr);
    EXPECT_EQ(e.uniqueID, 0x34363776);
    EXPECT_EQ(e.version, 1);
    for (char c : e.future) EXPECT_EQ(c, 0);
}

TEST(Record, EachEntryCallMakesAnIndependentInstance) {
    TestHost a, b;
    ASSERT_NE(a.effect, b.effect);
    a.setParameter(3, 0.9f);
    EXPECT_EQ(b.getParameter(3), 0.5f);
    a.setSampleRate(96000.0f);
    b.setSampleRate(44100.0f);
    EXPECT_EQ(a.getParameter(3), 0.9f);
}

TEST(Record, CloseAnswersOneAndReleasesTheInstance) {
    TestHost host;
    EXPECT_EQ(host.dispatch(effClose), 1);
    host.effect = nullptr;  // gone; the sanitizer run checks that nothing leaked
}

}  // namespace
