// The value-to-text helpers, digit for digit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "host/audioeffect.h"
#include "base/log10.h"

namespace {

struct TextEffect : AudioEffect {
    TextEffect() : AudioEffect(nullptr, 1, 1) {}
    void process(float**, float**, VstInt32) override {}

    // Each helper writes into a buffer of exactly 9 bytes followed by a canary.
    template <typename F>
    std::string run(F write) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        write(buffer);
        EXPECT_EQ(buffer[9], '#') << "wrote past the 9-byte field";
        return std::string(buffer, strnlen(buffer, 9));
    }
    std::string f(float v) { return run([&](char* t) { float2string(v, t); }); }
    std::string dB(float v) { return run([&](char* t) { dB2string(v, t); }); }
    std::string l(VstInt32 v) { return run([&](char* t) { long2string(v, t); }); }
    std::string hz(float v) { return run([&](char* t) { Hz2string(v, t); }); }
    std::string ms(float v) { return run([&](char* t) { ms2string(v, t); }); }
};

TEST(Float2String, FillsEightCharactersAndCutsTheFraction) {
    TextEffect e;
    EXPECT_EQ(e.f(0.0f), "0.000000");
    EXPECT_EQ(e.f(0.5f), "0.500000");
    EXPECT_EQ(e.f(0.7f), "0.699999");
    EXPECT_EQ(e.f(12.0f), "12.00000");
    EXPECT_EQ(e.f(1234.5678f), "1234.567");
    EXPECT_EQ(e.f(-3.25f), "-3.25000");
    EXPECT_EQ(e.f(-0.5f), "-0.50000");
}

TEST(Float2String, FullFieldsEndInThePointAndLargeValuesAreHuge) {
    TextEffect e;
    EXPECT_EQ(e.f(9999999.0f), "9999999.");
    EXPECT_EQ(e.f(1234567.5f), "1234567.");
    EXPECT_EQ(e.f(-123456.0f), "-123456.");
    EXPECT_EQ(e.f(-999999.0f), "-999999.");
    EXPECT_EQ(e.f(-10000000.0f), " Huge!  ");
    EXPECT_EQ(e.f(100000000.0f), " Huge!  ");
    EXPECT_EQ(e.f(std::numeric_limits<float>::infinity()), " Huge!  ");
    EXPECT_EQ(e.f(-std::numeric_limits<float>::infinity()), " Huge!  ");
    EXPECT_EQ(e.f(std::numeric_limits<float>::quiet_NaN()), "0.000000");
}

TEST(DB2String, TakesTheLogarithmInDoublePrecision) {
    TextEffect e;
    EXPECT_EQ(e.dB(1.0f), "0.000000");
    EXPECT_EQ(e.dB(10.0f), "20.00000");
    EXPECT_EQ(e.dB(0.5f), "-6.02059");
    EXPECT_EQ(e.dB(2.0f), "6.020599");
    EXPECT_EQ(e.dB(0.001f), "-60.0000");
    EXPECT_EQ(e.dB(0.0f), "  -oo   ");
    EXPECT_EQ(e.dB(-1.0f), "  -oo   ");
    EXPECT_EQ(e.dB(std::numeric_limits<float>::quiet_NaN()), "  -oo   ");
    // Every finite float stays inside the field.
    EXPECT_EQ(e.dB(std::numeric_limits<float>::max()).substr(0, 4), "770.");
    EXPECT_EQ(e.dB(std::numeric_limits<float>::denorm_min()).substr(0, 4), "-897");
}

// The decibel texts take their logarithm from log10Reproducible, so that they
// come out the same on every platform; on this one they must be the texts the
// math library's log10 gives.
TEST(Log10Reproducible, IsExactWhereItCanBeAndAgreesWithTheMathLibrary) {
    double power = 1.0;
    for (int k = 0; k <= 22; ++k, power *= 10.0) EXPECT_EQ(tf::log10Reproducible(power), k);
    EXPECT_EQ(tf::log10Reproducible(0.0), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(tf::log10Reproducible(-1.0)));
    EXPECT_TRUE(std::isnan(tf::log10Reproducible(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(tf::log10Reproducible(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());

    // Every float a dB display sees, by a stride through their bit patterns
    // (subnormals, 0..1 and beyond).
    for (std::uint32_t bits = 1; bits < 0x7f800000u; bits += 49999u) {
        float v = 0.0f;
        std::memcpy(&v, &bits, sizeof v);
        const double mine = tf::log10Reproducible(v), theirs = std::log10(static_cast<double>(v));
        ASSERT_LE(std::fabs(mine - theirs), std::fabs(theirs) * 0x1p-52) << v;
        ASSERT_EQ(static_cast<float>(20.0 * mine), static_cast<float>(20.0 * theirs)) << v;
    }
}

TEST(Long2String, RightAlignsInSevenAndCutsAtEight) {
    TextEffect e;
    EXPECT_EQ(e.l(5), "      5");
    EXPECT_EQ(e.l(-5), "     -5");
    EXPECT_EQ(e.l(12345678), "12345678");
    EXPECT_EQ(e.l(100000000), " Huge!  ");
    EXPECT_EQ(e.l(-123456789), "-1234567");
}

TEST(Hz2StringAndMs2String, UseTheCurrentSampleRate) {
    TextEffect e;
    EXPECT_EQ(e.hz(0.0f), "0.000000");
    EXPECT_EQ(e.hz(44100.0f), "1.000000");
    EXPECT_EQ(e.ms(44.1f), "0.999999");
    e.setSampleRate(0.0f);
    EXPECT_EQ(e.ms(1.0f), " Huge!  ");
}

}  // namespace
