// Talkforge.clap as a host sees it before and around creating instances:
// the entry record, the factory, the descriptor, and the creation of
// instances by hosts that offer every extension or none.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/clap/clap_host.h"

namespace {

using namespace claphost;

TEST(Entry, IsACompatibleRecordWithAFactoryForTheKnownIdOnly) {
    ClapModule& m = ClapModule::get();
    ASSERT_TRUE(m.ok()) << m.error;
    EXPECT_EQ(m.entry->version.major, 1u);
    EXPECT_GE(m.entry->version.minor, 2u);
    EXPECT_EQ(m.entry->get_factory("clap.plugin-factory"), m.factory);
    EXPECT_EQ(m.entry->get_factory("clap.preset-discovery-factory/2"), nullptr);
    EXPECT_EQ(m.entry->get_factory("clap.plugin-factory/2"), nullptr);
    // Scanners init and deinit again, or init twice.
    EXPECT_TRUE(m.entry->init(m.path.c_str()));
    m.entry->deinit();
    EXPECT_TRUE(m.entry->init(m.path.c_str()));
    EXPECT_TRUE(m.entry->init(m.path.c_str()));
    m.entry->deinit();
    m.entry->deinit();
    EXPECT_EQ(m.entry->get_factory("clap.plugin-factory"), m.factory);
}

TEST(Factory, DescribesOneAudioEffectWithAPermanentId) {
    ClapModule& m = ClapModule::get();
    ASSERT_TRUE(m.ok()) << m.error;
    ASSERT_EQ(m.factory->get_plugin_count(m.factory), 1u);
    EXPECT_EQ(m.factory->get_plugin_descriptor(m.factory, 1), nullptr);
    EXPECT_EQ(m.factory->get_plugin_descriptor(m.factory, 0xFFFFFFFFu), nullptr);
    const clap_plugin_descriptor* d = m.factory->get_plugin_descriptor(m.factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(versionIsCompatible(d->version));
    EXPECT_STREQ(d->id, "com.harrowgate-sounds.talkforge");
    EXPECT_STREQ(d->name, "Talkforge");
    EXPECT_STREQ(d->vendor, "Harrowgate Sounds");
    for (const char* text : {d->url, d->manual_url, d->support_url, d->description}) EXPECT_NE(text, nullptr);
    unsigned major = 0, minor = 0, revision = 0;
    EXPECT_EQ(std::sscanf(d->version_text, "%u.%u.%u", &major, &minor, &revision), 3) << d->version_text;
    ASSERT_NE(d->features, nullptr);
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f; ++f) features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "mono"}));
}

TEST(Factory, CreatesInstancesOnlyForItsIdAndACompatibleHost) {
    ClapModule& m = ClapModule::get();
    ASSERT_TRUE(m.ok()) << m.error;
    ClapHost host;
    EXPECT_EQ(m.factory->create_plugin(m.factory, host.host(), "com.harrowgate-sounds.other"), nullptr);
    EXPECT_EQ(m.factory->create_plugin(m.factory, host.host(), nullptr), nullptr);
    EXPECT_EQ(m.factory->create_plugin(m.factory, nullptr, "com.harrowgate-sounds.talkforge"), nullptr);
    clap_host old = *host.host();
    old.version = {0, 19, 0};
    EXPECT_EQ(m.factory->create_plugin(m.factory, &old, "com.harrowgate-sounds.talkforge"), nullptr);
    // Creation itself asks nothing of the host.
    const clap_plugin* p = m.factory->create_plugin(m.factory, host.host(), "com.harrowgate-sounds.talkforge");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(host.extensionQueries.empty());
    EXPECT_EQ(p->desc, m.factory->get_plugin_descriptor(m.factory, 0));
    p->destroy(p);  // destroyed without init, as a host may
}

}  // namespace
