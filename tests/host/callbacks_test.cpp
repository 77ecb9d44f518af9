// The host-callback wrappers: what each sends and how it reads the answer.
#include <gtest/gtest.h>

#include <vector>

#include "host/audioeffectx.h"

namespace {

struct Call {
    AEffect* effect;
    VstInt32 opcode, index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

std::vector<Call> calls;
VstIntPtr answer = 0;

VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    calls.push_back({effect, opcode, index, value, ptr, opt});
    return answer;
}

struct Effect : AudioEffectX {
    explicit Effect(audioMasterCallback host) : AudioEffectX(host, 1, 8) {}
    void process(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        lastIndex = index;
        lastValue = value;
        callsBeforeSet = calls.size();
    }
    VstInt32 lastIndex = -1;
    float lastValue = 0.0f;
    std::size_t callsBeforeSet = 0;
};

class Callbacks : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        answer = 0;
    }
};

TEST_F(Callbacks, WithoutAHostEveryWrapperGivesItsNeutralAnswer) {
    Effect e(nullptr);
    EXPECT_EQ(e.getMasterVersion(), 1);
    EXPECT_EQ(e.getCurrentUniqueId(), 0);
    EXPECT_TRUE(e.isInputConnected(0));
    EXPECT_TRUE(e.isOutputConnected(5));
    EXPECT_DOUBLE_EQ(e.updateSampleRate(), 44100.0);
    EXPECT_EQ(e.updateBlockSize(), 1024);
    EXPECT_EQ(e.getTimeInfo(0), nullptr);
    EXPECT_EQ(e.getPreviousPlug(0), nullptr);
    EXPECT_FALSE(e.beginEdit(3));
    EXPECT_FALSE(e.endEdit(3));
    EXPECT_FALSE(e.sizeWindow(10, 10));
    EXPECT_EQ(e.canHostDo(const_cast<char*>("sizeWindow")), 0);
    e.masterIdle();
    e.wantEvents(1);
    e.setParameterAutomated(4, 1.0f);
    EXPECT_EQ(e.lastIndex, 4);
    EXPECT_EQ(e.lastValue, 1.0f);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Callbacks, SetParameterAutomatedAppliesFirstThenTellsTheHost) {
    Effect e(recordingHost);
    e.setParameterAutomated(4, 1.0f);
    EXPECT_EQ(e.callsBeforeSet, 0u);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, e.getAeffect());
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 4);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 1.0f);
}

TEST_F(Callbacks, AnswersAreReadAsEachRequestDefines) {
    Effect e(recordingHost);
    answer = 0;
    EXPECT_EQ(e.getMasterVersion(), 1);  // a host answering 0 still counts as version 1
    EXPECT_TRUE(e.isInputConnected(1));  // 0 means connected
    answer = 1;
    EXPECT_FALSE(e.isInputConnected(1));
    EXPECT_FALSE(e.isOutputConnected(1));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].opcode, audioMasterPinConnected);
    EXPECT_EQ(calls[3].index, 1);
    EXPECT_EQ(calls[3].value, 1);  // output pins are asked with value 1
    answer = 2400;
    EXPECT_EQ(e.getMasterVersion(), 2400);
    answer = 7;
    EXPECT_EQ(e.canHostDo(const_cast<char*>("sizeWindow")), 1);
    EXPECT_TRUE(e.beginEdit(9));
    EXPECT_EQ(calls.back().opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls.back().index, 9);
    EXPECT_TRUE(e.endEdit(9));
    EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
}

TEST_F(Callbacks, RequestsCarryTheirArguments) {
    Effect e(recordingHost);
    e.wantEvents(1);
    EXPECT_EQ(calls.back().opcode, audioMasterWantMidi);
    EXPECT_EQ(calls.back().value, 1);
    e.masterIdle();
    EXPECT_EQ(calls.back().opcode, audioMasterIdle);
    e.getNextPlug(3);
    EXPECT_EQ(calls.back().opcode, audioMasterGetNextPlug);
    EXPECT_EQ(calls.back().value, 0);  // the pin is not passed on
    e.sizeWindow(640, 385);
    EXPECT_EQ(calls.back().index, 640);
    EXPECT_EQ(calls.back().value, 385);
    e.setOutputSamplerate(48000.0f);
    EXPECT_EQ(calls.back().opt, 48000.0f);
    int task = 0;
    e.offlineRead(reinterpret_cast<VstOfflineTask*>(&task), 5, false);
    EXPECT_EQ(calls.back().opcode, audioMasterOfflineRead);
    EXPECT_EQ(calls.back().index, 0);
    EXPECT_EQ(calls.back().value, 5);
    EXPECT_EQ(calls.back().ptr, &task);
    const std::size_t before = calls.size();
    EXPECT_FALSE(e.openFileSelector(nullptr));
    EXPECT_EQ(calls.size(), before);
}

// A host that sets the rate through the dispatcher while answering.
VstIntPtr rateSettingHost(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterGetSampleRate) effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    return 22050;
}

TEST_F(Callbacks, UpdateSampleRateReportsTheMemberNotTheAnswer) {
    Effect e(rateSettingHost);
    EXPECT_DOUBLE_EQ(e.updateSampleRate(), 96000.0);
    EXPECT_EQ(e.updateBlockSize(), 1024);
}

TEST_F(Callbacks, TheDispatcherStoresRateAndBlockSize) {
    Effect e(nullptr);
    AEffect* record = e.getAeffect();
    EXPECT_EQ(record->dispatcher(record, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(e.getBlockSize(), 512);
    EXPECT_EQ(e.getSampleRate(), 48000.0f);
    record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    record->dispatcher(record, effSetBlockSize, 0, 64, nullptr, 0.0f);
    EXPECT_EQ(e.getBlockSize(), 64);
    EXPECT_EQ(e.getSampleRate(), 96000.0f);
}

}  // namespace
