// Talkforge's two VST 3 classes and their permanent ids. Hosts save projects
// by these ids: they never change.
#pragma once

#include <string_view>

#include "plugin/vst3/abi/base.h"
#include "vocoder/talkforge.h"

namespace tf::vst3plugin {

// The VST 2 module's unique id, "467v" as a four-character code.
inline constexpr vst3::uint32 kVst2UniqueId = kTalkforgeUniqueId;
inline constexpr std::string_view kVst2Name = "Talkforge";

// The id of a VST 3 class that replaces a VST 2 plug-in, as hosts that move
// VST 2 projects to VST 3 derive it: the text id is `prefix` (six hex digits),
// the unique id as eight, then the first nine bytes of the lower-case name as
// two each (00 past its end).
constexpr vst3::Uid vst2SuccessorUid(vst3::uint32 prefix, vst3::uint32 uniqueId, std::string_view name) {
    auto byte = [name](std::size_t i) -> vst3::uint32 {
        if (i >= name.size()) return 0;
        const char c = name[i];
        return static_cast<vst3::uint8>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    const vst3::uint32 l1 = (prefix << 8) | (uniqueId >> 24);
    const vst3::uint32 l2 = (uniqueId << 8) | byte(0);
    const vst3::uint32 l3 = (byte(1) << 24) | (byte(2) << 16) | (byte(3) << 8) | byte(4);
    const vst3::uint32 l4 = (byte(5) << 24) | (byte(6) << 16) | (byte(7) << 8) | byte(8);
    return vst3::makeUid(l1, l2, l3, l4);
}

inline constexpr vst3::uint32 kProcessorPrefix = 0x565354;   // "VST"
inline constexpr vst3::uint32 kControllerPrefix = 0x565345;  // "VSE"

// Text ids 5653543436377674616C6B666F726765 and 5653453436377674616C6B666F726765.
inline constexpr vst3::Uid kProcessorUid = vst2SuccessorUid(kProcessorPrefix, kVst2UniqueId, kVst2Name);
inline constexpr vst3::Uid kControllerUid = vst2SuccessorUid(kControllerPrefix, kVst2UniqueId, kVst2Name);

inline constexpr const char* kProcessorCategory = "Audio Module Class";
inline constexpr const char* kControllerCategory = "Component Controller Class";
// A vocoder is an effect for voices; hosts that read "Instrument" in the text
// would list it with the synths, so it says only this.
inline constexpr const char* kSubCategories = "Fx|Vocals";
inline constexpr const char* kSdkVersion = "VST 3.7.0";

}  // namespace tf::vst3plugin
