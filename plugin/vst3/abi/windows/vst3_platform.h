// What the VST 3 interface looks like on 64-bit Windows: its result codes are
// COM's HRESULTs and its ids are COM GUIDs. The build picks this header or
// the Linux one by include path.
#pragma once

#include <cstdint>

namespace vst3 {

using tresult = std::int32_t;

inline constexpr tresult kResultOk = 0;  // S_OK
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;                                      // S_FALSE
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);      // E_NOINTERFACE
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);  // E_INVALIDARG
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);   // E_NOTIMPL
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);    // E_FAIL
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);   // E_UNEXPECTED
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);      // E_OUTOFMEMORY

// Ids are COM GUIDs: the first word and both halves of the second little-endian.
inline constexpr bool kComGuidByteOrder = true;

// The module's optional entry points besides GetPluginFactory: after
// LoadLibrary and before FreeLibrary.
using InitDllProc = bool (*)();
using ExitDllProc = bool (*)();
inline constexpr const char* kInitDllName = "InitDll";
inline constexpr const char* kExitDllName = "ExitDll";

}  // namespace vst3
