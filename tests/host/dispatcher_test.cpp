// The dispatcher's answers, its argument conversions and the orders real hosts use.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "tests/testhost.h"

namespace {

TEST(Dispatcher, AnswersTheFixedQuestions) {
    TestHost host;
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2200);
    EXPECT_EQ(host.dispatch(effKeysRequired), 1);
    EXPECT_EQ(host.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(host.dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(host.dispatch(effGetVu), 0);
    EXPECT_EQ(host.dispatch(effGetChunk), 0);
    EXPECT_EQ(host.dispatch(effSetChunk), 0);
    for (VstInt32 index : {-1, 0, 75, 76, 1000}) EXPECT_EQ(host.dispatch(effCanBeAutomated, index), 1);
    for (VstIntPtr value : {0, 1, -7})
        for (VstInt32 index : {0, 1, 99}) {
            EXPECT_EQ(host.dispatch(effConnectInput, index, value), 1);
            EXPECT_EQ(host.dispatch(effConnectOutput, index, value), 1);
        }
}

TEST(Dispatcher, UnknownAndInertOpcodesAnswerZero) {
    TestHost host;
    for (VstInt32 op : {16, 17, 18, 20, 21, 27, 36, 37, 38, 39, 40, 41, 42, 44, 46, 50, 52, 53, 54, 55, 56, 62, 64,
                        65, 66, 67, 68, 69, 70, 1000, -1, -100})
        EXPECT_EQ(host.dispatch(op, 1, 1, nullptr, 1.0f), 0) << "opcode " << op;
}

TEST(Dispatcher, EditorOpcodesReachTheEditorWithoutAWindow) {
    TestHost host;
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 385);
    EXPECT_EQ(rect->right, 640);
    // Idle and close before any open, an open in no window: nothing happens.
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 0, nullptr, 1.0f), -1);  // keys are not used
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'a', 0, nullptr, 1.0f), -1);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 2), 1);
    host.dispatch(effSetEditKnobMode, 0, 0);  // the mode is shared by the process: back to the default
    EXPECT_EQ(host.dispatch(effEditClose), 0);
}

TEST(Dispatcher, IdentityAndCapabilities) {
    TestHost host;
    char text[64];
    std::memset(text, 0, sizeof text);
    EXPECT_EQ(host.dispatch(effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "Talkforge");
    EXPECT_EQ(host.dispatch(effGetVendorString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Harrowgate Sounds");
    EXPECT_EQ(host.dispatch(effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Talkforge");
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstEvents")), -1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>("ReceiveVstMidiEvent")), -1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>("")), -1);
}

TEST(Dispatcher, PinPropertiesForTheTwoPins) {
    TestHost host;
    VstPinProperties pin;
    std::memset(&pin, 0x5A, sizeof pin);
    EXPECT_EQ(host.dispatch(effGetInputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Talkforge 2 In");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(pin.shortLabel[0], 0x5A);  // other fields stay as the host passed them
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Talkforge 1 Out");
    for (VstInt32 index : {2, -1, 1000}) {
        VstPinProperties untouched;
        std::memset(&untouched, 0x33, sizeof untouched);
        EXPECT_EQ(host.dispatch(effGetInputProperties, index, 0, &untouched), 0);
        EXPECT_EQ(host.dispatch(effGetOutputProperties, index, 0, &untouched), 0);
        EXPECT_EQ(untouched.label[0], 0x33);
        EXPECT_EQ(untouched.flags, 0x33333333);
    }
}

TEST(Dispatcher, NullTextPointersAreIgnored) {
    TestHost host;
    for (VstInt32 op : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
                        effGetProgramNameIndexed, effGetEffectName, effGetVendorString, effGetProductString,
                        effGetErrorText, effString2Parameter, effCanDo, effGetInputProperties,
                        effGetOutputProperties, effProcessEvents, effEditGetRect})
        EXPECT_EQ(host.dispatch(op, 0, 0, nullptr), 0) << "opcode " << op;
    EXPECT_EQ(host.programName(), "Empty");
}

TEST(Dispatcher, MainsChangedAsksForMidiEveryTime) {
    TestHost host;
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effMainsChanged, 0, -3);
    auto requests = host.callsOf(audioMasterWantMidi);
    ASSERT_EQ(requests.size(), 3u);
    for (const HostCall& c : requests) {
        EXPECT_EQ(c.effect, host.effect);
        EXPECT_EQ(c.index, 0);
        EXPECT_EQ(c.value, 1);
        EXPECT_EQ(c.ptr, nullptr);
    }
}

TEST(Dispatcher, HostsThatSkipOrRepeatStepsStillWork) {
    // Rate and block size before effOpen, identify first, resume twice,
    // the rate changed while resumed, close without suspend.
    TestHost host;
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.dispatch(effSetBlockSize, 0, 128);
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effOpen);
    host.dispatch(effMainsChanged, 0, 1);
    std::vector<float> in(128, 0.25f), o1, o2;
    host.process(in, in, o1, o2);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    host.process(in, in, o1, o2);
    host.dispatch(effSetBlockSizeAndSampleRate, 0, 64, nullptr, 44100.0f);
    in.resize(64);
    host.process(in, in, o1, o2);
    EXPECT_EQ(o1, o2);
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(host.getParameter(0), 0.5f);
}

TEST(Dispatcher, KeyAndVuConversionsStayDefinedForAnyValue) {
    TestHost host;
    for (float opt : {0.0f, 1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(host.dispatch(effEditKeyDown, 65, 0x1FF, nullptr, opt), -1);
        EXPECT_EQ(host.dispatch(effEditKeyUp, 65, -1, nullptr, opt), -1);
    }
}

}  // namespace
