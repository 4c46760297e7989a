#include <gtest/gtest.h>

#include "SimOptions.h"

using crawlersim::SimOptions;

namespace {

bool parse(const std::vector<std::string>& args, SimOptions& options)
{
    std::string error;
    return crawlersim::parseOptions(args, options, error);
}

} // namespace

TEST(SimOptions, DefaultsMatchTheAgreedCommandLine)
{
    SimOptions options;
    ASSERT_TRUE(parse({}, options));
    EXPECT_EQ(options.host, "127.0.0.1");
    EXPECT_EQ(options.port, 20108);
    EXPECT_DOUBLE_EQ(options.rate, 20.0);
    EXPECT_FALSE(options.verbose);
    EXPECT_LT(options.dropAfter, 0);
    EXPECT_LT(options.stallAfter, 0);
}

TEST(SimOptions, ParsesEveryOption)
{
    SimOptions options;
    ASSERT_TRUE(parse({"--port", "0", "-v", "--rate", "50", "--drop-after", "1.5", "--stall-after",
                       "0.25", "--garbage", "--truncate", "--nrf", "0,255,7", "--set",
                       "Car_Pressure=999", "--set", "Angle_Pitch=-1.25"},
                      options));
    EXPECT_EQ(options.port, 0);
    EXPECT_TRUE(options.verbose);
    EXPECT_DOUBLE_EQ(options.rate, 50.0);
    EXPECT_DOUBLE_EQ(options.dropAfter, 1.5);
    EXPECT_DOUBLE_EQ(options.stallAfter, 0.25);
    EXPECT_TRUE(options.garbage);
    EXPECT_TRUE(options.truncate);
    EXPECT_EQ(options.nrf, (std::vector<uint8_t>{0, 255, 7}));
    ASSERT_EQ(options.overrides.size(), 2u);
    EXPECT_STREQ(options.overrides[0].field->name, "Car_Pressure");
    EXPECT_DOUBLE_EQ(options.overrides[1].value, -1.25);
}

TEST(SimOptions, RejectsBadValuesAndUnknownOptions)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "70000"},
        {"--port", "x"},
        {"--rate", "-1"},
        {"--nrf", "0,256"},
        {"--nrf", ""},
        {"--set", "NoSuchField=1"},
        {"--set", "Car_Pressure"},
        {"--set", "Car_Pressure=abc"},
        {"--drop-after"},
        {"--frobnicate", "1"},
    };
    for (const auto& args : bad) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(crawlersim::parseOptions(args, options, error)) << args.front();
        EXPECT_FALSE(error.empty());
    }
}
