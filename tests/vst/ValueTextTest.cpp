// float2string, int2string, dB2string, Hz2string and ms2string.
#include "tests/vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <vector>

using namespace vsttest;

namespace
{
using Render = std::function<void(PlainEffect&, char*, VstInt32)>;

// Renders into a buffer of maxLen + 1 bytes followed by guard bytes, checks
// that the result is zero-filled to text[maxLen] and that nothing beyond was
// written, and answers the text.
std::string render(PlainEffect& effect, const Render& fn, VstInt32 maxLen)
{
    constexpr int kGuard = 16;
    std::vector<char> buf(static_cast<std::size_t>(maxLen) + 1 + kGuard, '#');
    fn(effect, buf.data(), maxLen);

    const std::size_t len = strnlen(buf.data(), static_cast<std::size_t>(maxLen) + 1);
    EXPECT_LE(len, static_cast<std::size_t>(maxLen));
    for (std::size_t i = len; i <= static_cast<std::size_t>(maxLen); ++i)
        EXPECT_EQ(buf[i], 0) << "byte " << i << " not zeroed";
    for (std::size_t i = static_cast<std::size_t>(maxLen) + 1; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], '#') << "written beyond text[maxLen] at " << i;
    return std::string(buf.data(), len);
}

struct FloatCase
{
    float value;
    VstInt32 maxLen;
    const char* expected;
};

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
} // namespace

TEST(ValueText, Float2String)
{
    const FloatCase cases[] = {
        {0.0f, 8, "0.000000"},
        {1.5f, 8, "1.500000"},
        {-1.5f, 8, "-1.50000"},
        {0.7f, 8, "0.699999"}, // truncated, never rounded
        {3.14159f, 8, "3.141590"},
        {100.25f, 8, "100.2500"},
        {1e-7f, 8, "0.000000"},
        {-0.0f, 8, "0.000000"},
        {10.0f, 8, "10.00000"},
        {1234567.0f, 8, "1234567."},
        {-123456.0f, 8, "-123456."},
        {9999999.0f, 8, "9999999."},
        {-9999999.0f, 8, "-9999999"}, // seven digits and the sign fill the field
        {12345678.0f, 8, "12345678"}, // eight digits fill the field
        {99999992.0f, 8, "99999992"},
        {99999999.0f, 8, "Huge!"}, // single precision makes it 100000000
        {-10000000.0f, 8, "Huge!"},
        {kInf, 8, "Huge!"},
        {-kInf, 8, "Huge!"},
        {kNaN, 8, "NaN"},
        {1.5f, 4, "1.50"},
        {1e9f, 3, "Hug"},
        {-1.5f, 0, ""},
        {1.5f, 1, "1"},
        {1.5f, 20, "1.500000"},
    };
    PlainEffect effect;
    for (const FloatCase& c : cases)
    {
        const Render fn = [&](PlainEffect& e, char* t, VstInt32 n) { e.float2string(c.value, t, n); };
        EXPECT_EQ(render(effect, fn, c.maxLen), c.expected) << c.value << " maxLen " << c.maxLen;
    }
}

TEST(ValueText, Int2String)
{
    struct Case
    {
        VstInt32 value;
        VstInt32 maxLen;
        const char* expected;
    };
    const Case cases[] = {
        {0, 9, "0"},
        {7, 9, "7"},
        {-7, 9, "-7"},
        {1000, 9, "1000"},
        {99999999, 9, "99999999"},
        {100000000, 9, "Huge!"},
        {std::numeric_limits<VstInt32>::max(), 9, "Huge!"},
        {-99999999, 9, "-99999999"},
        {-999999999, 10, "-999999999"},
        {-1000000000, 10, "Huge!"},
        {std::numeric_limits<VstInt32>::min(), 10, "Huge!"},
        {12345, 3, "123"},
        {100000000, 2, "Hu"},
        {5, 0, ""},
    };
    PlainEffect effect;
    for (const Case& c : cases)
    {
        const Render fn = [&](PlainEffect& e, char* t, VstInt32 n) { e.int2string(c.value, t, n); };
        EXPECT_EQ(render(effect, fn, c.maxLen), c.expected) << c.value << " maxLen " << c.maxLen;
    }
}

TEST(ValueText, DB2String)
{
    const FloatCase cases[] = {
        {1.0f, 8, "0.000000"},
        {0.5f, 8, "-6.02060"}, // log10 narrowed to float: 20 * -0.30103001 = -6.0206003
        {2.0f, 8, "6.020600"},
        {10.0f, 8, "20.00000"},
        {0.0f, 8, "-oo"},
        {-1.0f, 8, "-oo"},
        {0.0f, 2, "-o"},
        {kNaN, 8, "NaN"},
    };
    PlainEffect effect;
    for (const FloatCase& c : cases)
    {
        const Render fn = [&](PlainEffect& e, char* t, VstInt32 n) { e.dB2string(c.value, t, n); };
        EXPECT_EQ(render(effect, fn, c.maxLen), c.expected) << c.value;
    }
}

TEST(ValueText, HzAndMsUseTheSampleRate)
{
    PlainEffect effect; // 44100 Hz
    const auto hz = [](float v) { return Render([v](PlainEffect& e, char* t, VstInt32 n) { e.Hz2string(v, t, n); }); };
    const auto ms = [](float v) { return Render([v](PlainEffect& e, char* t, VstInt32 n) { e.ms2string(v, t, n); }); };
    EXPECT_EQ(render(effect, hz(100.0f), 8), "441.0000");
    EXPECT_EQ(render(effect, hz(0.0f), 8), "0.000000");
    EXPECT_EQ(render(effect, ms(441.0f), 8), "10.00000");
    EXPECT_EQ(render(effect, ms(0.0f), 8), "0.000000");

    dispatch(effect.getAeffect(), effSetSampleRate, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(render(effect, ms(441.0f), 8), "Huge!");
    EXPECT_EQ(render(effect, hz(100.0f), 8), "0.000000");
}

namespace
{
// Overrides that dB2string, Hz2string and ms2string must go through.
struct Overriding : PlainEffect
{
    std::vector<float> rendered;
    float getSampleRate() override { return 1000.0f; }
    void float2string(float value, char* text, VstInt32 maxLen) override
    {
        rendered.push_back(value);
        PlainEffect::float2string(value, text, maxLen);
    }
};
} // namespace

TEST(ValueText, HelpersCallTheVirtualOperations)
{
    Overriding effect;
    char text[9];
    effect.Hz2string(10.0f, text, 8);
    effect.ms2string(500.0f, text, 8);
    effect.dB2string(10.0f, text, 8);
    const std::vector<float> expected = {100.0f, 500.0f, 20.0f};
    EXPECT_EQ(effect.rendered, expected);
}

TEST(ValueText, NoBufferOrNegativeLengthWritesNothing)
{
    PlainEffect effect;
    effect.float2string(1.0f, nullptr, 8);
    effect.int2string(1, nullptr, 8);
    char text[4] = {'#', '#', '#', '#'};
    effect.float2string(1.0f, text + 2, -1);
    effect.int2string(1, text + 2, -2);
    effect.dB2string(0.0f, text + 2, -1);
    EXPECT_EQ(std::string(text, 4), "####");
}
