// What the VST 3 interface looks like on 64-bit Linux: its result codes, the
// byte order of its ids, and the run-loop interfaces only Linux hosts offer.
// The build picks this header or the Windows one by include path.
#pragma once

#include <cstdint>

namespace vst3 {

using tresult = std::int32_t;

inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;

// Ids are stored as the 32 hex digits of their four words, in order.
inline constexpr bool kComGuidByteOrder = false;

// The module's entry points besides GetPluginFactory: after dlopen (with the
// library's handle) and before dlclose.
using ModuleEntryProc = bool (*)(void* libraryHandle);
using ModuleExitProc = bool (*)();
inline constexpr const char* kModuleEntryName = "ModuleEntry";
inline constexpr const char* kModuleExitName = "ModuleExit";

}  // namespace vst3
