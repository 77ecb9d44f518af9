// The VST 3 binary interface: the plug-in factory and its records.
#pragma once

#include "base.h"

namespace vst3 {

inline constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PFactoryInfo {
    enum FactoryFlags : int32 {
        kNoFlags = 0,
        kClassesDiscardable = 1 << 0,
        kLicenseCheck = 1 << 1,
        kComponentNonDiscardable = 1 << 3,
        kUnicode = 1 << 4,
    };
    static constexpr int kNameSize = 64;
    static constexpr int kURLSize = 256;
    static constexpr int kEmailSize = 128;

    char vendor[kNameSize];
    char url[kURLSize];
    char email[kEmailSize];
    int32 flags;
};
static_assert(sizeof(PFactoryInfo) == 452);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320 &&
              offsetof(PFactoryInfo, flags) == 448);

inline constexpr int kCategorySize = 32;
inline constexpr int kClassNameSize = 64;
inline constexpr int kSubCategoriesSize = 128;
inline constexpr int kVendorSize = 64;
inline constexpr int kVersionSize = 64;

struct PClassInfo {
    char cid[kUidBytes];
    int32 cardinality;
    char category[kCategorySize];
    char name[kClassNameSize];
};
static_assert(sizeof(PClassInfo) == 116);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20 &&
              offsetof(PClassInfo, name) == 52);

// Class flags of a processor class.
inline constexpr uint32 kDistributable = 1 << 0;  // processor and controller may run apart
inline constexpr uint32 kSimpleModeSupported = 1 << 1;

struct PClassInfo2 {
    char cid[kUidBytes];
    int32 cardinality;
    char category[kCategorySize];
    char name[kClassNameSize];
    uint32 classFlags;
    char subCategories[kSubCategoriesSize];
    char vendor[kVendorSize];
    char version[kVersionSize];
    char sdkVersion[kVersionSize];
};
static_assert(sizeof(PClassInfo2) == 440);
static_assert(offsetof(PClassInfo2, cardinality) == 16 && offsetof(PClassInfo2, category) == 20 &&
              offsetof(PClassInfo2, name) == 52 && offsetof(PClassInfo2, classFlags) == 116 &&
              offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, vendor) == 248 &&
              offsetof(PClassInfo2, version) == 312 && offsetof(PClassInfo2, sdkVersion) == 376);

struct PClassInfoW {
    char cid[kUidBytes];
    int32 cardinality;
    char category[kCategorySize];
    char16 name[kClassNameSize];
    uint32 classFlags;
    char subCategories[kSubCategoriesSize];
    char16 vendor[kVendorSize];
    char16 version[kVersionSize];
    char16 sdkVersion[kVersionSize];
};
static_assert(sizeof(PClassInfoW) == 696);
static_assert(offsetof(PClassInfoW, cardinality) == 16 && offsetof(PClassInfoW, category) == 20 &&
              offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312 &&
              offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);

class IPluginFactory : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;                       // 3
    virtual int32 countClasses() = 0;                                             // 4
    virtual tresult getClassInfo(int32 index, PClassInfo* info) = 0;              // 5
    virtual tresult createInstance(FIDString cid, FIDString id, void** obj) = 0;  // 6
};

class IPluginFactory2 : public IPluginFactory {
public:
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
    virtual tresult getClassInfo2(int32 index, PClassInfo2* info) = 0;  // 7
};

class IPluginFactory3 : public IPluginFactory2 {
public:
    static constexpr Uid iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
    virtual tresult getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;  // 8
    virtual tresult setHostContext(FUnknown* context) = 0;                    // 9
};

// The module's exported entry (both platforms).
using GetFactoryProc = IPluginFactory* (*)();
inline constexpr const char* kGetFactoryProcName = "GetPluginFactory";

}  // namespace vst3
