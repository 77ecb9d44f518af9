// The plug-in factory: class infos in all three versions hosts read, and the
// creation of Talkforge's processor and controller.
#include "plugin/vst3/factory.h"

#include <atomic>
#include <type_traits>

#include "base/convert.h"
#include "host/version.h"
#include "plugin/vst3/classes.h"
#include "plugin/vst3/ids.h"
#include "plugin/vst3/object.h"
#include "plugin/vst3/text16.h"
#include "vocoder/talkforge.h"

namespace tf::vst3plugin {

namespace {

using namespace vst3;

struct ClassEntry {
    const Uid& cid;
    const char* category;
    const char* name;
    uint32 classFlags;
    const char* subCategories;
    FUnknown* (*create)();
};

// Processor and controller share nothing but messages: the processor class
// says so (kDistributable).
const ClassEntry kClasses[] = {
    {kProcessorUid, kProcessorCategory, kTalkforgeName, kDistributable, kSubCategories, createProcessor},
    {kControllerUid, kControllerCategory, "Talkforge Controller", 0, "", createController},
};
constexpr int32 kNumClasses = static_cast<int32>(std::size(kClasses));

// A text into a record's field, 8-bit or UTF-16, zero-filled after it.
template <std::size_t N>
void put(char (&field)[N], const char* text) {
    copyText(field, text, N);
}
template <std::size_t N>
void put(char16 (&field)[N], const char* text) {
    copyText16(field, text);
}

// Class record `index` in any of the three versions.
template <class Info>
tresult describe(int32 index, Info* info) {
    if (!info || index < 0 || index >= kNumClasses) return kInvalidArgument;
    const ClassEntry& c = kClasses[index];
    *info = Info{};
    c.cid.copyTo(info->cid);
    info->cardinality = kManyInstances;
    put(info->category, c.category);
    put(info->name, c.name);
    if constexpr (!std::is_same_v<Info, PClassInfo>) {
        info->classFlags = c.classFlags;
        put(info->subCategories, c.subCategories);
        put(info->vendor, kTalkforgeVendor);
        put(info->version, kTalkforgeVersion);
        put(info->sdkVersion, kSdkVersion);
    }
    return kResultOk;
}

// One factory for the module, never deleted: hosts may ask for it again
// after releasing it. The host context is dropped with the last reference.
class Factory final : public IPluginFactory3 {
public:
    tresult queryInterface(const char* id, void** obj) override {
        if (!obj) return kInvalidArgument;
        if (FUnknown::iid.matches(id) || IPluginFactory::iid.matches(id) || IPluginFactory2::iid.matches(id) ||
            IPluginFactory3::iid.matches(id)) {
            *obj = static_cast<IPluginFactory3*>(this);
            addRef();
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32 release() override {
        uint32 n = refs.load(std::memory_order_relaxed);
        while (n > 0 && !refs.compare_exchange_weak(n, n - 1, std::memory_order_acq_rel)) {
        }
        if (n == 1) hostContext.reset();
        return n > 0 ? n - 1 : 0;
    }

    tresult getFactoryInfo(PFactoryInfo* info) override {
        if (!info) return kInvalidArgument;
        *info = PFactoryInfo{};
        put(info->vendor, kTalkforgeVendor);
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }

    int32 countClasses() override { return kNumClasses; }

    tresult getClassInfo(int32 index, PClassInfo* info) override { return describe(index, info); }
    tresult getClassInfo2(int32 index, PClassInfo2* info) override { return describe(index, info); }
    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override { return describe(index, info); }

    tresult createInstance(FIDString cid, FIDString id, void** obj) override {
        if (!obj) return kInvalidArgument;
        *obj = nullptr;
        for (const ClassEntry& c : kClasses) {
            if (!c.cid.matches(cid)) continue;
            FUnknown* instance = c.create();
            if (!instance) return kOutOfMemory;
            const tresult r = instance->queryInterface(id, obj);
            instance->release();  // the creation reference: the caller holds the queried one
            return r;
        }
        return kNoInterface;
    }

    tresult setHostContext(FUnknown* context) override {
        hostContext = Ref<FUnknown>::share(context);
        return kResultOk;
    }

    FUnknown* context() const { return hostContext.get(); }

private:
    std::atomic<uint32> refs{0};
    Ref<FUnknown> hostContext;
};

Factory& theFactory() {
    static Factory factory;
    return factory;
}

}  // namespace

vst3::IPluginFactory* pluginFactory() {
    Factory& f = theFactory();
    f.addRef();
    return &f;
}

vst3::FUnknown* factoryHostContext() { return theFactory().context(); }

}  // namespace tf::vst3plugin
