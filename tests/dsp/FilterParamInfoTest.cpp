#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <stdexcept>
#include <string>

#include "dsp/Butterworth.h"
#include "dsp/ParamInfo.h"
#include "tests/dsp/FilterTestSupport.h"

namespace
{

using Dsp::ParamInfo;

struct ExpectedRecord
{
    Dsp::ParamTag tag;
    const char* shortLabel;
    const char* displayName;
    double lowest;
    double highest;
    double defaultValue;
    ParamInfo::Conversion toUnit;
    ParamInfo::Conversion fromUnit;
    ParamInfo::Formatter formatText;
};

const ExpectedRecord expectedRecords[] = {
    {Dsp::tagFs, "Fs", "Sample Rate", 11025, 192000, 44100, &ParamInfo::linearToUnit, &ParamInfo::unitToLinear,
        &ParamInfo::formatHertz},
    {Dsp::tagOrder, "Order", "Order", 1, 1, 2, &ParamInfo::linearToUnit, &ParamInfo::unitToInteger,
        &ParamInfo::formatPlain},
    {Dsp::tagFc, "Fc", "Center Frequency", 10, 22040, 2000, &ParamInfo::logToUnit, &ParamInfo::unitToLog,
        &ParamInfo::formatHertz},
    {Dsp::tagBwHz, "BW", "Bandwidth (Hz)", 10, 22040, 1720, &ParamInfo::logToUnit, &ParamInfo::unitToLog,
        &ParamInfo::formatHertz},
    {Dsp::tagGain, "Gain", "Gain", -24, 24, -6, &ParamInfo::linearToUnit, &ParamInfo::unitToLinear,
        &ParamInfo::formatDecibels},
};

TEST(FilterParamInfo, RecordsMatchTheTable)
{
    EXPECT_EQ(Dsp::tagFs, 0);
    EXPECT_EQ(Dsp::tagFc, 1);
    EXPECT_EQ(Dsp::tagBwHz, 4);
    EXPECT_EQ(Dsp::tagGain, 5);
    EXPECT_EQ(Dsp::tagOrder, 7);

    FilterTest::SmoothedFilter filter;
    for (int index = 0; index < 5; ++index)
    {
        SCOPED_TRACE(index);
        const ExpectedRecord& e = expectedRecords[index];
        const ParamInfo info = filter.paramInfo(index);
        EXPECT_EQ(info.tag, e.tag);
        EXPECT_STREQ(info.shortLabel, e.shortLabel);
        EXPECT_STREQ(info.displayName, e.displayName);
        EXPECT_EQ(info.lowest, e.lowest);
        EXPECT_EQ(info.highest, e.highest);
        EXPECT_EQ(info.defaultValue, e.defaultValue);
        EXPECT_TRUE(info.toUnit == e.toUnit);
        EXPECT_TRUE(info.fromUnit == e.fromUnit);
        EXPECT_TRUE(info.formatText == e.formatText);
    }
}

TEST(FilterParamInfo, IndexOutsideTheRecordsThrows)
{
    FilterTest::SmoothedFilter filter;
    for (int index : {5, 6, 7, -1, 100, std::numeric_limits<int>::min()})
    {
        SCOPED_TRACE(index);
        try
        {
            filter.paramInfo(index);
            FAIL() << "no exception";
        }
        catch (const std::logic_error& e)
        {
            EXPECT_STREQ(e.what(), "invalid usage of ParamInfo");
        }
    }
    EXPECT_THROW(Dsp::throwBadParamUsage(), std::logic_error);
}

TEST(FilterParamInfo, ConversionsUseTheRecordsRange)
{
    const ParamInfo fs = Dsp::Butterworth::Design::bandShelfParamInfo(0);
    const ParamInfo order = Dsp::Butterworth::Design::bandShelfParamInfo(1);
    const ParamInfo fc = Dsp::Butterworth::Design::bandShelfParamInfo(2);
    const ParamInfo bw = Dsp::Butterworth::Design::bandShelfParamInfo(3);
    const ParamInfo gain = Dsp::Butterworth::Design::bandShelfParamInfo(4);

    EXPECT_NEAR(fc.unitToValue(0.0), 10.0, 1e-9);
    EXPECT_NEAR(fc.unitToValue(1.0), 22040.0, 1e-8);
    EXPECT_NEAR(fc.unitToValue(0.5), std::sqrt(10.0 * 22040.0), 1e-9);
    EXPECT_NEAR(fc.unitToValue(0.5), 469.47, 0.005);
    EXPECT_NEAR(fc.valueToUnit(2000.0), std::log(200.0) / std::log(2204.0), 1e-12);
    EXPECT_NEAR(fc.valueToUnit(2000.0), 0.688, 0.0005);
    EXPECT_NEAR(bw.valueToUnit(1720.0), 0.669, 0.0005);
    EXPECT_NEAR(fc.valueToUnit(fc.unitToValue(0.3)), 0.3, 1e-12);

    EXPECT_DOUBLE_EQ(fs.valueToUnit(44100.0), (44100.0 - 11025.0) / (192000.0 - 11025.0));
    EXPECT_NEAR(fs.valueToUnit(44100.0), 0.183, 0.0005);
    EXPECT_EQ(fs.valueToUnit(192000.0), 1.0);

    // No clamping.
    EXPECT_EQ(gain.valueToUnit(48.0), 1.5);
    EXPECT_EQ(gain.unitToValue(0.25), -12.0);
    EXPECT_EQ(gain.unitToValue(-1.0), -72.0);

    for (double u : {-3.0, 0.0, 0.4, 0.5, 1.0, 7.0})
        EXPECT_EQ(order.unitToValue(u), 1.0) << u;
    EXPECT_TRUE(std::isnan(order.valueToUnit(1.0)));
    EXPECT_EQ(order.valueToUnit(2.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(order.valueToUnit(0.0), -std::numeric_limits<double>::infinity());

    EXPECT_EQ(fc.valueToUnit(0.0), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(fc.valueToUnit(-5.0)));

    // unitToInteger rounds half up on a wider range.
    ParamInfo wide = order;
    wide.lowest = 0.0;
    wide.highest = 10.0;
    EXPECT_EQ(wide.unitToInteger(0.25), 3.0);
    EXPECT_EQ(wide.unitToInteger(0.24), 2.0);
}

TEST(FilterParamInfo, FormattedTexts)
{
    const ParamInfo info = Dsp::Butterworth::Design::bandShelfParamInfo(0);
    struct Case
    {
        ParamInfo::Formatter formatter;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {&ParamInfo::formatHertz, 99.9, "99 Hz"},
        {&ParamInfo::formatHertz, -0.5, "0 Hz"},
        {&ParamInfo::formatHertz, 44100.0, "44100 Hz"},
        {&ParamInfo::formatHertz, -20.7, "-20 Hz"},
        {&ParamInfo::formatPlain, 2.0, "2"},
        {&ParamInfo::formatPlain, 1.99, "1"},
        {&ParamInfo::formatPlain, 123456.0, "123456"},
        {&ParamInfo::formatDecibels, -6.0, "-6.00 dB"},
        {&ParamInfo::formatDecibels, 0.5, "0.500 dB"},
        {&ParamInfo::formatDecibels, -0.9996, "-1.000 dB"},
        {&ParamInfo::formatDecibels, 24.0, "24.0 dB"},
        {&ParamInfo::formatDecibels, 10.0, "10.0 dB"},
        {&ParamInfo::formatDecibels, 9.999, "10.00 dB"},
        {&ParamInfo::formatDecibels, -12345.678, "-12345.7 dB"},
        {&ParamInfo::formatDecibels, std::nan(""), "nan dB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ((info.*c.formatter)(c.value), c.text) << c.value;

    // Through the record's own pointer.
    EXPECT_EQ(Dsp::Butterworth::Design::bandShelfParamInfo(4).valueToText(-6.0), "-6.00 dB");
    EXPECT_EQ(Dsp::Butterworth::Design::bandShelfParamInfo(2).valueToText(2000.4), "2000 Hz");
}

TEST(FilterParamInfo, TextsIgnoreTheGlobalLocale)
{
    struct Grouping : std::numpunct<char>
    {
        char do_thousands_sep() const override { return ','; }
        char do_decimal_point() const override { return '#'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Grouping));
    const ParamInfo info = Dsp::Butterworth::Design::bandShelfParamInfo(0);
    const std::string hertz = info.formatHertz(44100.0);
    const std::string decibels = info.formatDecibels(-1234.5);
    std::locale::global(previous);
    EXPECT_EQ(hertz, "44100 Hz");
    EXPECT_EQ(decibels, "-1234.5 dB");
}

TEST(FilterParamInfo, OutOfRangeValuesFormatWithoutUndefinedCasts)
{
    const ParamInfo info = Dsp::Butterworth::Design::bandShelfParamInfo(0);
    EXPECT_EQ(info.formatHertz(std::nan("")), "0 Hz");
    EXPECT_EQ(info.formatPlain(1e300), "2147483647");
    EXPECT_EQ(info.formatPlain(-1e300), "-2147483648");
}

} // namespace
