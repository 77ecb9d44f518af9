// The preset library as written: complete sets of values keyed by symbols
// the parameter table knows, names a host and a file system take, and the
// rules every preset keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include "resources/presets.h"

namespace {

using namespace tf::presets;

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The message resolvePreset gives, or "" when it accepts the source.
std::string problemOf(const PresetSource& source) {
    try {
        resolvePreset(source);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return {};
}

TEST(PresetLibrary, EverySourceNamesEachParameterSymbolOnce) {
    ASSERT_EQ(presetSources().size(), static_cast<std::size_t>(kNumPresets));
    for (const PresetSource& source : presetSources()) {
        std::multiset<int> indices;
        for (const PresetValue& v : source.values) {
            const ParameterInfo* p = parameterBySymbol(v.symbol);
            ASSERT_NE(p, nullptr) << source.name << ": unknown symbol '" << v.symbol << "'";
            indices.insert(p->index);
        }
        for (const ParameterInfo& p : kParameters)
            EXPECT_EQ(indices.count(p.index), 1u) << source.name << ": " << p.symbol;
        EXPECT_EQ(problemOf(source), "") << source.name;
    }
}

TEST(PresetLibrary, ResolvedValuesAreTheSourcesByIndex) {
    ASSERT_EQ(presets().size(), presetSources().size());
    for (std::size_t i = 0; i < presets().size(); ++i) {
        const Preset& preset = presets()[i];
        EXPECT_EQ(preset.name, presetSources()[i].name);
        for (const PresetValue& v : presetSources()[i].values)
            EXPECT_EQ(preset.values[static_cast<std::size_t>(parameterBySymbol(v.symbol)->index)], v.value)
                << preset.name << ": " << v.symbol;
    }
}

TEST(PresetLibrary, NamesFitAProgramAFileAndAListing) {
    std::set<std::string> seen;
    for (const Preset& p : presets()) {
        EXPECT_GE(p.name.size(), 1u);
        EXPECT_LE(p.name.size(), kNameChars) << p.name;
        EXPECT_TRUE(std::all_of(p.name.begin(), p.name.end(),
                                [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-'; }))
            << p.name;
        EXPECT_TRUE(seen.insert(lowered(p.name)).second) << p.name << " twice";
        // `talkforge presets` shows the name and the description in 80 columns.
        EXPECT_LE(kNameChars + 2 + p.description.size(), 80u) << p.name;
    }
}

TEST(PresetLibrary, FindsPresetsByNameInAnyCase) {
    const Preset& first = presets().front();
    EXPECT_EQ(findPreset(first.name), &first);
    EXPECT_EQ(findPreset(lowered(first.name)), &first);
    EXPECT_EQ(findPreset("No Such Preset"), nullptr);
    EXPECT_EQ(findPreset(""), nullptr);
}

// Presets start unfrozen and with their band curve, and each has a drone: a
// MIDI or input-2 preset still sounds when played as a drone.
TEST(PresetLibrary, EveryPresetStartsPlayableAsADrone) {
    for (const Preset& p : presets()) {
        EXPECT_EQ(p.values[kFreeze], 0.0f) << p.name;
        EXPECT_EQ(p.values[kFlat], 0.0f) << p.name;
        EXPECT_TRUE(std::any_of(kOscLevelParams.begin(), kOscLevelParams.end(),
                                [&](std::int32_t i) { return p.values[static_cast<std::size_t>(i)] > 0.0f; }))
            << p.name;
    }
}

TEST(PresetLibrary, BrokenSourcesAreRefusedWithWhatIsWrong) {
    const PresetSource good = presetSources().front();
    auto changed = [&](auto change) {
        PresetSource s = good;
        change(s);
        return problemOf(s);
    };
    auto entry = [](PresetSource& s, std::string_view symbol) -> PresetValue& {
        return *std::find_if(s.values.begin(), s.values.end(), [&](const PresetValue& v) { return v.symbol == symbol; });
    };
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "formant").symbol = "formnat"; }).find("no parameter has the symbol 'formnat'"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "band_50").symbol = "band_49"; }).find("'band_49' is given twice"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "band_50") = {}; }).find("no value for 'band_50'"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "tune").symbol = {}; }).find("no value for 'tune'"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "out_level").value = 1.5f; }).find("'out_level' is 1.5, outside 0 to 1"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "o1_level").value = -0.1f; }).find("outside 0 to 1"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { entry(s, "formant").value = 0.52f; }).find("not one of its 21 steps"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { s.name = "A Name Of Twenty-Four Ch"; }).find("1 to 23 characters"),
              std::string::npos);
    EXPECT_NE(changed([&](PresetSource& s) { s.description = "two\nlines"; }).find("one line"), std::string::npos);
}

// docs/presets.md shows every preset with its picture, and has nothing else.
TEST(PresetLibrary, TheDocumentShowsEveryPresetWithItsPicture) {
    const std::filesystem::path docs = TALKFORGE_SOURCE_DIR "/docs";
    std::ifstream in(docs / "presets.md");
    std::stringstream text;
    text << in.rdbuf();
    std::size_t pictures = 0;
    for (const Preset& p : presets()) {
        std::string picture = "presets/" + lowered(p.name) + ".png";
        std::replace(picture.begin(), picture.end(), ' ', '-');
        EXPECT_NE(text.str().find("## " + std::string(p.name) + "\n"), std::string::npos) << p.name;
        EXPECT_NE(text.str().find("(" + picture + ")"), std::string::npos) << picture;
        EXPECT_TRUE(std::filesystem::exists(docs / picture)) << picture;
    }
    for (const auto& entry : std::filesystem::directory_iterator(docs / "presets")) {
        (void)entry;
        ++pictures;
    }
    EXPECT_EQ(pictures, presets().size()) << "a picture of a preset the library no longer has";
}

}  // namespace
