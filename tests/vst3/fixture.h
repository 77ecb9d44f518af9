// What the bundle's test suites share: the bundle loaded once per suite, as
// a host keeps a module loaded, and a host application per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/vst3/host.h"
#include "vocoder/talkforge.h"

namespace vst3test {

class BundleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module = new Module; }
    static void TearDownTestSuite() {
        delete module;
        module = nullptr;
    }
    void SetUp() override { ASSERT_NE(module->factory(), nullptr) << module->error; }

    // A processor and its controller, created, initialized and connected.
    std::unique_ptr<Instance> newInstance() {
        auto i = std::make_unique<Instance>(module->factory(), *host);
        EXPECT_TRUE(i->ok());
        return i;
    }

    static inline Module* module = nullptr;
    Ref<HostApplication> host = Ref<HostApplication>::adopt(new HostApplication);
};

inline constexpr int kViewWidth = 640;
inline constexpr int kViewHeight = 385;

// The controller's view attached to `parent` in the host's order:
// createView, the platform type, the frame, the size, attached. Empty when
// it could not be.
inline Ref<IPlugView> attachView(IEditController* controller, IPlugFrame* frame, void* parent, FIDString type) {
    auto view = Ref<IPlugView>::adopt(controller->createView(kEditorViewName));
    if (!view) return view;
    EXPECT_EQ(view->isPlatformTypeSupported(type), kResultTrue);
    EXPECT_EQ(view->setFrame(frame), kResultOk);
    ViewRect size{};
    EXPECT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.width(), kViewWidth);
    EXPECT_EQ(size.height(), kViewHeight);
    if (view->attached(parent, type) != kResultOk) view.reset();
    return view;
}

// removed, the frame taken away, the host's reference released.
inline void detachView(Ref<IPlugView>& view) {
    if (!view) return;
    view->removed();
    view->setFrame(nullptr);
    view.reset();
}

// The 76 values as the editor holds them.
inline std::vector<float> editorValues(IEditController* controller) {
    std::vector<float> v;
    for (int i = 0; i < kNumParams; ++i)
        v.push_back(static_cast<float>(controller->getParamNormalized(static_cast<ParamID>(i))));
    return v;
}

}  // namespace vst3test
