// The module as a host's scanner sees it: the bundle, the entry points, the
// factory in its three versions and the class records, and the creation of
// the two classes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/version.h"
#include "plugin/vst3/text16.h"
#include "tests/vst3/fixture.h"

namespace {

using namespace vst3;
using namespace vst3test;

// Hosts save projects by these ids; they never change.
constexpr const char* kProcessorText = "5653543436377674616C6B666F726765";
constexpr const char* kControllerText = "5653453436377674616C6B666F726765";

// Every byte after a text's terminator is zero.
template <std::size_t N, class C>
bool zeroFilled(const C (&text)[N]) {
    std::size_t i = 0;
    while (i < N && text[i]) ++i;
    for (; i < N; ++i)
        if (text[i]) return false;
    return true;
}

using ModuleTest = BundleTest;

TEST_F(ModuleTest, FactoryAnswersItsThreeVersionsAndNothingElse) {
    IPluginFactory* f = module->factory();
    for (const Uid* id : {&FUnknown::iid, &IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid}) {
        void* obj = nullptr;
        ASSERT_EQ(f->queryInterface(id->bytes, &obj), kResultOk);
        ASSERT_NE(obj, nullptr);
        static_cast<FUnknown*>(obj)->release();
    }
    void* obj = &obj;
    EXPECT_EQ(f->queryInterface(IComponent::iid.bytes, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    PFactoryInfo info;
    std::memset(&info, 0x55, sizeof info);
    ASSERT_EQ(f->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Harrowgate Sounds");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_TRUE(zeroFilled(info.vendor) && zeroFilled(info.url) && zeroFilled(info.email));
    EXPECT_EQ(f->getFactoryInfo(nullptr), kInvalidArgument);
}

TEST_F(ModuleTest, ClassRecordsAgreeInAllThreeVersions) {
    auto f3 = module->factoryAs<IPluginFactory3>();
    ASSERT_TRUE(f3);
    ASSERT_EQ(f3->countClasses(), 2);
    struct Expected {
        const char* id;
        const char* category;
        const char* name;
        uint32 flags;
        const char* subCategories;
    };
    const Expected expected[] = {
        {kProcessorText, "Audio Module Class", "Talkforge", kDistributable, "Fx|Vocals"},
        {kControllerText, "Component Controller Class", "Talkforge Controller", 0, ""},
    };
    for (int32 i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Expected& e = expected[i];
        PClassInfo c1;
        PClassInfo2 c2;
        PClassInfoW cw;
        std::memset(&c1, 0x55, sizeof c1);
        std::memset(&c2, 0x55, sizeof c2);
        std::memset(&cw, 0x55, sizeof cw);
        ASSERT_EQ(f3->getClassInfo(i, &c1), kResultOk);
        ASSERT_EQ(f3->getClassInfo2(i, &c2), kResultOk);
        ASSERT_EQ(f3->getClassInfoUnicode(i, &cw), kResultOk);

        EXPECT_EQ(uidText(c1.cid), e.id);
        EXPECT_EQ(std::memcmp(c1.cid, c2.cid, kUidBytes), 0);
        EXPECT_EQ(std::memcmp(c1.cid, cw.cid, kUidBytes), 0);
        for (int32 cardinality : {c1.cardinality, c2.cardinality, cw.cardinality})
            EXPECT_EQ(cardinality, kManyInstances);
        for (const char* category : {c1.category, c2.category, cw.category}) EXPECT_STREQ(category, e.category);
        EXPECT_STREQ(c1.name, e.name);
        EXPECT_STREQ(c2.name, e.name);
        EXPECT_EQ(text8(cw.name), e.name);
        EXPECT_EQ(c2.classFlags, e.flags);
        EXPECT_EQ(cw.classFlags, e.flags);
        EXPECT_STREQ(c2.subCategories, e.subCategories);
        EXPECT_STREQ(cw.subCategories, e.subCategories);
        EXPECT_STREQ(c2.vendor, "Harrowgate Sounds");
        EXPECT_EQ(text8(cw.vendor), "Harrowgate Sounds");
        EXPECT_STREQ(c2.version, kTalkforgeVersion);
        EXPECT_EQ(text8(cw.version), kTalkforgeVersion);
        EXPECT_EQ(std::strncmp(c2.sdkVersion, "VST 3.7", 7), 0) << c2.sdkVersion;
        EXPECT_EQ(text8(cw.sdkVersion), c2.sdkVersion);

        EXPECT_TRUE(zeroFilled(c1.category) && zeroFilled(c1.name));
        EXPECT_TRUE(zeroFilled(c2.subCategories) && zeroFilled(c2.vendor) && zeroFilled(c2.version) &&
                    zeroFilled(c2.sdkVersion));
        EXPECT_TRUE(zeroFilled(cw.name) && zeroFilled(cw.vendor) && zeroFilled(cw.sdkVersion));
    }
    PClassInfo2 c2{};
    EXPECT_EQ(f3->getClassInfo(-1, reinterpret_cast<PClassInfo*>(&c2)), kInvalidArgument);
    EXPECT_EQ(f3->getClassInfo2(2, &c2), kInvalidArgument);
    EXPECT_EQ(f3->getClassInfoUnicode(2, nullptr), kInvalidArgument);
}

TEST_F(ModuleTest, CreatesEachClassForTheInterfacesItHas) {
    IPluginFactory* f = module->factory();
    PClassInfo processor{}, controller{};
    ASSERT_EQ(f->getClassInfo(0, &processor), kResultOk);
    ASSERT_EQ(f->getClassInfo(1, &controller), kResultOk);

    struct Case {
        const char* cid;
        const Uid& iid;
        bool has;
    };
    const Case cases[] = {
        {processor.cid, IComponent::iid, true},       {processor.cid, IAudioProcessor::iid, true},
        {processor.cid, IPluginBase::iid, true},      {processor.cid, FUnknown::iid, true},
        {processor.cid, IConnectionPoint::iid, true}, {processor.cid, IPlugView::iid, false},
        {controller.cid, IEditController::iid, true}, {controller.cid, IEditController2::iid, true},
        {controller.cid, IMidiMapping::iid, true},    {controller.cid, IConnectionPoint::iid, true},
        {controller.cid, IComponent::iid, false},     {controller.cid, IAudioProcessor::iid, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(uidText(c.cid) + " for " + uidText(c.iid.bytes));
        void* obj = &obj;
        const tresult r = f->createInstance(c.cid, c.iid.bytes, &obj);
        if (!c.has) {
            EXPECT_EQ(r, kNoInterface);
            EXPECT_EQ(obj, nullptr);
            continue;
        }
        ASSERT_EQ(r, kResultOk);
        ASSERT_NE(obj, nullptr);
        // The reference the caller got is the only one.
        auto* unknown = static_cast<FUnknown*>(obj);
        EXPECT_EQ(unknown->addRef(), 2u);
        EXPECT_EQ(unknown->release(), 1u);
        EXPECT_EQ(unknown->release(), 0u);
    }

    char unknownClass[kUidBytes] = {1, 2, 3};
    void* obj = &obj;
    EXPECT_EQ(f->createInstance(unknownClass, IComponent::iid.bytes, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(f->createInstance(processor.cid, IComponent::iid.bytes, nullptr), kInvalidArgument);
}

TEST_F(ModuleTest, FactoryKeepsTheHostContextUntilItsLastRelease) {
    auto f3 = module->factoryAs<IPluginFactory3>();
    ASSERT_TRUE(f3);
    ASSERT_EQ(f3->setHostContext(host.get()), kResultOk);
    EXPECT_EQ(host->addRef(), 3u);  // ours, the factory's, this one
    host->release();
    ASSERT_EQ(f3->setHostContext(nullptr), kResultOk);
    EXPECT_EQ(host->addRef(), 2u);
    host->release();
}

// A second load of the module while the first is loaded, as hosts that scan
// and run at once do: each entry has its exit, and the factory is the same.
TEST(Module, LoadsTwiceAndExitsOncePerEntry) {
    Module first, second;
    ASSERT_NE(first.factory(), nullptr) << first.error;
    ASSERT_NE(second.factory(), nullptr) << second.error;
    EXPECT_EQ(first.factory(), second.factory());
    EXPECT_TRUE(second.close());
    EXPECT_TRUE(first.close());
}

}  // namespace
