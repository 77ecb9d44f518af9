// The VST 3 binary interface: the edit controller, its parameters,
// MIDI mapping, the host's component handler, messages between processor and
// controller, the host application, and the editor's view.
#pragma once

#include "base.h"

namespace vst3 {

// ---- Parameters -------------------------------------------------------------

struct ParameterInfo {
    enum ParameterFlags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;  // 0 continuous, 1 on/off, n: n + 1 values at k / n
    ParamValue defaultNormalizedValue;
    UnitID unitId;  // 0: the root unit
    int32 flags;
};
static_assert(sizeof(ParameterInfo) == 792);
static_assert(offsetof(ParameterInfo, title) == 4 && offsetof(ParameterInfo, shortTitle) == 260 &&
              offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, unitId) == 784 &&
              offsetof(ParameterInfo, flags) == 788);

inline constexpr UnitID kRootUnitId = 0;

// MIDI controller numbers as IMidiMapping takes them.
enum ControllerNumbers : CtrlNumber {
    kCtrlModWheel = 1,
    kCtrlVolume = 7,
    kCtrlSustainOnOff = 64,
    kCtrlResetAllCtrlers = 121,
    kCtrlAllNotesOff = 123,
    kAfterTouch = 128,
    kPitchBend = 129,
    kCountCtrlNumber = 130,
};

// restartComponent flags.
enum RestartFlags : int32 {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
    kMidiCCAssignmentChanged = 1 << 5,
};

enum KnobModes : int32 { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

// ---- Host side ----------------------------------------------------------------

class IComponentHandler : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    virtual tresult beginEdit(ParamID id) = 0;                                // 3
    virtual tresult performEdit(ParamID id, ParamValue valueNormalized) = 0;  // 4
    virtual tresult endEdit(ParamID id) = 0;                                  // 5
    virtual tresult restartComponent(int32 flags) = 0;                        // 6
};

class IComponentHandler2 : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);
    virtual tresult setDirty(TBool state) = 0;              // 3
    virtual tresult requestOpenEditor(FIDString name) = 0;  // 4
    virtual tresult startGroupEdit() = 0;                   // 5
    virtual tresult finishGroupEdit() = 0;                  // 6
};

class IHostApplication : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
    virtual tresult getName(char16* name) = 0;                            // 3: String128
    virtual tresult createInstance(char* cid, char* id, void** obj) = 0;  // 4
};

// ---- Messages ---------------------------------------------------------------

using AttrID = const char*;

class IAttributeList : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
    virtual tresult setInt(AttrID id, int64 value) = 0;                                // 3
    virtual tresult getInt(AttrID id, int64& value) = 0;                               // 4
    virtual tresult setFloat(AttrID id, double value) = 0;                             // 5
    virtual tresult getFloat(AttrID id, double& value) = 0;                            // 6
    virtual tresult setString(AttrID id, const TChar* string) = 0;                     // 7
    virtual tresult getString(AttrID id, TChar* string, uint32 sizeInBytes) = 0;       // 8
    virtual tresult setBinary(AttrID id, const void* data, uint32 sizeInBytes) = 0;    // 9
    virtual tresult getBinary(AttrID id, const void*& data, uint32& sizeInBytes) = 0;  // 10
};

class IMessage : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
    virtual FIDString getMessageID() = 0;         // 3
    virtual void setMessageID(FIDString id) = 0;  // 4
    virtual IAttributeList* getAttributes() = 0;  // 5: borrowed
};

class IConnectionPoint : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
    virtual tresult connect(IConnectionPoint* other) = 0;     // 3
    virtual tresult disconnect(IConnectionPoint* other) = 0;  // 4
    virtual tresult notify(IMessage* message) = 0;            // 5
};

// ---- Editor view --------------------------------------------------------------

struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
    int32 width() const { return right - left; }
    int32 height() const { return bottom - top; }
};
static_assert(sizeof(ViewRect) == 16 && offsetof(ViewRect, top) == 4 && offsetof(ViewRect, right) == 8 &&
              offsetof(ViewRect, bottom) == 12);

inline constexpr FIDString kEditorViewName = "editor";
inline constexpr FIDString kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
inline constexpr FIDString kPlatformTypeHWND = "HWND";

// onKeyDown / onKeyUp modifiers.
enum KeyModifier : int16 { kShiftKey = 1 << 0, kAlternateKey = 1 << 1, kCommandKey = 1 << 2, kControlKey = 1 << 3 };

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
    virtual tresult isPlatformTypeSupported(FIDString type) = 0;                // 3
    virtual tresult attached(void* parent, FIDString type) = 0;                 // 4
    virtual tresult removed() = 0;                                              // 5
    virtual tresult onWheel(float distance) = 0;                                // 6
    virtual tresult onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;  // 7
    virtual tresult onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;    // 8
    virtual tresult getSize(ViewRect* size) = 0;                                // 9
    virtual tresult onSize(ViewRect* newSize) = 0;                              // 10
    virtual tresult onFocus(TBool state) = 0;                                   // 11
    virtual tresult setFrame(IPlugFrame* frame) = 0;                            // 12
    virtual tresult canResize() = 0;                                            // 13
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;                    // 14
};

class IPlugFrame : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
    virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;  // 3
};

class IPlugViewContentScaleSupport : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
    virtual tresult setContentScaleFactor(float factor) = 0;  // 3
};

// ---- Edit controller ------------------------------------------------------------

class IEditController : public IPluginBase {
public:
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
    virtual tresult setComponentState(IBStream* state) = 0;                                             // 5
    virtual tresult setState(IBStream* state) = 0;                                                      // 6
    virtual tresult getState(IBStream* state) = 0;                                                      // 7
    virtual int32 getParameterCount() = 0;                                                              // 8
    virtual tresult getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;                        // 9
    virtual tresult getParamStringByValue(ParamID id, ParamValue valueNormalized, char16* string) = 0;  // 10: String128
    virtual tresult getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;  // 11
    virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;              // 12
    virtual ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;                   // 13
    virtual ParamValue getParamNormalized(ParamID id) = 0;                                              // 14
    virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;                               // 15
    virtual tresult setComponentHandler(IComponentHandler* handler) = 0;                                // 16
    virtual IPlugView* createView(FIDString name) = 0;                                                  // 17
};

class IEditController2 : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
    virtual tresult setKnobMode(int32 mode) = 0;        // 3
    virtual tresult openHelp(TBool onlyCheck) = 0;      // 4
    virtual tresult openAboutBox(TBool onlyCheck) = 0;  // 5
};

class IMidiMapping : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
    virtual tresult getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber midiControllerNumber,
                                                ParamID& id) = 0;  // 3
};

}  // namespace vst3
