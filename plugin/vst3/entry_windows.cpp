// The module's entry points on Windows: GetPluginFactory, and InitDll and
// ExitDll, which hosts may call after LoadLibrary and before FreeLibrary
// (exports.def lists them). The DLL's load notification is the toolkit's
// (gui/platform/win32/module.cpp).
#include <windows.h>

#include "plugin/vst3/abi/base.h"
#include "plugin/vst3/factory.h"

// The result codes the interface declares are COM's.
static_assert(vst3::kResultOk == S_OK && vst3::kResultFalse == S_FALSE && vst3::kNoInterface == E_NOINTERFACE &&
              vst3::kInvalidArgument == E_INVALIDARG && vst3::kNotImplemented == E_NOTIMPL &&
              vst3::kInternalError == E_FAIL && vst3::kNotInitialized == E_UNEXPECTED &&
              vst3::kOutOfMemory == E_OUTOFMEMORY);

extern "C" {

bool InitDll() { return true; }

bool ExitDll() { return true; }

vst3::IPluginFactory* GetPluginFactory() { return tf::vst3plugin::pluginFactory(); }

}  // extern "C"
