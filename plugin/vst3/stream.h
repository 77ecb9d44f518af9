// Saved state through the host's byte streams.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "plugin/vst3/abi/base.h"

namespace tf::vst3plugin {

// A saved state longer than this is not Talkforge's.
inline constexpr std::size_t kMaxStateBytes = 1 << 16;

// Everything from the stream's position on; false when the stream holds more
// than kMaxStateBytes.
inline bool readStream(vst3::IBStream* stream, std::string& text) {
    char chunk[4096];
    for (;;) {
        vst3::int32 n = 0;
        if (stream->read(chunk, static_cast<vst3::int32>(sizeof chunk), &n) != vst3::kResultOk || n <= 0) return true;
        text.append(chunk, static_cast<std::size_t>(std::min<vst3::int32>(n, sizeof chunk)));
        if (text.size() > kMaxStateBytes) return false;
    }
}

// Writes all of `text`; false when the stream took less.
inline bool writeStream(vst3::IBStream* stream, std::string text) {
    vst3::int32 written = 0;
    const auto size = static_cast<vst3::int32>(text.size());
    return stream->write(text.data(), size, &written) == vst3::kResultOk && written == size;
}

}  // namespace tf::vst3plugin
