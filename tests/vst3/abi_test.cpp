// The interface declarations against the published facts the compiler cannot
// check by static_assert: each method's vtable slot, and each id's bytes in
// the platform's order.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/abi/factory.h"
#include "plugin/vst3/abi/processor.h"
#include "tests/vst3/host.h"

namespace {

using namespace vst3;

// The vtable slot of a virtual method: GCC (on Linux and MinGW alike) keeps
// a pointer to a virtual member as 1 + its byte offset in the vtable.
template <class C, class F>
long slot(F C::*method) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adjust;
    } rep;
    static_assert(sizeof method == sizeof rep);
    std::memcpy(&rep, &method, sizeof rep);
    return static_cast<long>((rep.ptr - 1) / sizeof(void*));
}

TEST(Abi, MethodsSitInTheirSlots) {
    EXPECT_EQ(slot(&FUnknown::queryInterface), 0);
    EXPECT_EQ(slot(&FUnknown::release), 2);
    EXPECT_EQ(slot(&IPluginBase::terminate), 4);
    EXPECT_EQ(slot(&IBStream::tell), 6);

    EXPECT_EQ(slot(&IPluginFactory::createInstance), 6);
    EXPECT_EQ(slot(&IPluginFactory2::getClassInfo2), 7);
    EXPECT_EQ(slot(&IPluginFactory3::getClassInfoUnicode), 8);
    EXPECT_EQ(slot(&IPluginFactory3::setHostContext), 9);

    EXPECT_EQ(slot(&IComponent::getControllerClassId), 5);
    EXPECT_EQ(slot(&IComponent::getBusInfo), 8);
    EXPECT_EQ(slot(&IComponent::activateBus), 10);
    EXPECT_EQ(slot(&IComponent::setActive), 11);
    EXPECT_EQ(slot(&IComponent::getState), 13);
    EXPECT_EQ(slot(&IAudioProcessor::setBusArrangements), 3);
    EXPECT_EQ(slot(&IAudioProcessor::getLatencySamples), 6);
    EXPECT_EQ(slot(&IAudioProcessor::process), 9);
    EXPECT_EQ(slot(&IAudioProcessor::getTailSamples), 10);
    EXPECT_EQ(slot(&IProcessContextRequirements::getProcessContextRequirements), 3);
    EXPECT_EQ(slot(&IEventList::addEvent), 5);
    EXPECT_EQ(slot(&IParameterChanges::addParameterData), 5);
    EXPECT_EQ(slot(&IParamValueQueue::addPoint), 6);

    EXPECT_EQ(slot(&IEditController::setComponentState), 5);
    EXPECT_EQ(slot(&IEditController::getParameterInfo), 9);
    EXPECT_EQ(slot(&IEditController::getParamValueByString), 11);
    EXPECT_EQ(slot(&IEditController::setParamNormalized), 15);
    EXPECT_EQ(slot(&IEditController::createView), 17);
    EXPECT_EQ(slot(&IEditController2::openAboutBox), 5);
    EXPECT_EQ(slot(&IMidiMapping::getMidiControllerAssignment), 3);
    EXPECT_EQ(slot(&IComponentHandler::restartComponent), 6);
    EXPECT_EQ(slot(&IComponentHandler2::finishGroupEdit), 6);
    EXPECT_EQ(slot(&IHostApplication::createInstance), 4);

    EXPECT_EQ(slot(&IConnectionPoint::notify), 5);
    EXPECT_EQ(slot(&IMessage::getAttributes), 5);
    EXPECT_EQ(slot(&IAttributeList::getString), 8);
    EXPECT_EQ(slot(&IAttributeList::getBinary), 10);

    EXPECT_EQ(slot(&IPlugView::attached), 4);
    EXPECT_EQ(slot(&IPlugView::onKeyUp), 8);
    EXPECT_EQ(slot(&IPlugView::getSize), 9);
    EXPECT_EQ(slot(&IPlugView::setFrame), 12);
    EXPECT_EQ(slot(&IPlugView::checkSizeConstraint), 14);
    EXPECT_EQ(slot(&IPlugFrame::resizeView), 3);
    EXPECT_EQ(slot(&IPlugViewContentScaleSupport::setContentScaleFactor), 3);
}

std::string hex(const Uid& id) {
    std::string s;
    char two[3];
    for (char b : id.bytes) {
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(b));
        s += two;
    }
    return s;
}

// Ids in both columns of the published table: the platform's bytes, and the
// text form, which is the same everywhere.
TEST(Abi, IdsAreStoredInThePlatformsByteOrder) {
    struct Row {
        const Uid& id;
        const char* linuxBytes;
        const char* windowsBytes;
    };
    const Row rows[] = {
        {FUnknown::iid, "0000000000000000C000000000000046", "0000000000000000C000000000000046"},
        {IPluginFactory3::iid, "4555A2ABC1234E579B12291036878931", "ABA2554523C1574E9B12291036878931"},
        {IComponent::iid, "E831FF31F2D54301928EBBEE25697802", "31FF31E8D5F20143928EBBEE25697802"},
        {IEditController::iid, "DCD7BBE37742448DA874AACC979C759E", "E3BBD7DC42778D44A874AACC979C759E"},
        {IPlugView::iid, "5BC32507D06049EAA6151B522B755B29", "0725C35B60D0EA49A6151B522B755B29"},
        {IAttributeList::iid, "1E5F0AEBCC7F4533A254401138AD5EE4", "EB0A5F1E7FCC3345A254401138AD5EE4"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(hex(r.id), kComGuidByteOrder ? r.windowsBytes : r.linuxBytes);
        EXPECT_EQ(vst3test::uidText(r.id.bytes), r.linuxBytes);
    }
}

}  // namespace
