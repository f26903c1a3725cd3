// The number parse behind VIEWING_GAMMA, which the web build needs because its standard
// library has no std::from_chars for double: held against std::from_chars (this build's has
// one) over a table of texts, and under a locale whose decimal point is a comma.
#include <gtest/gtest.h>

#include <unistd.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "timeline/png_decode.h"

namespace {

// What std::from_chars makes of the whole text: false unless it reads all of it in range.
bool fromChars(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && next == end;
}

const char* const kTexts[] = {
    // Numbers, in every form the default format reads.
    "2.2",
    "0",
    "-0",
    "1",
    "007",
    "1.",
    ".5",
    "-.5",
    "1e3",
    "1E+3",
    "2.5e-3",
    "1.e5",
    "-1e-1",
    "0.1000000000000000055511151231257827",
    "123456789012345678901234567890",
    "4.9406564584124654e-324",
    "2.2250738585072011e-308",
    "1.7976931348623157e308",
    "0e999999",
    "-0.0e-999",
    // Out of range: rounds to infinity or to zero.
    "1e309",
    "-1.7976931348623159e308",
    "1e-400",
    "2.4703282292062327e-324",
    "1e99999999999",
    // Spelled.
    "inf",
    "-INF",
    "Infinity",
    "nan",
    "-NaN",
    "nan(0x_1F)",
    "NAN()",
    // Not numbers, or not only a number.
    "",
    "-",
    "+1",
    " 1",
    "1 ",
    ".",
    "-.",
    "e5",
    "1e",
    "1e+",
    "1e-x",
    "1.2.3",
    "1,5",
    "0x10",
    "1_0",
    "infinit",
    "infinityy",
    "nan(",
    "nan(a-b)",
    "nanx",
    "--1",
    "1e5.5",
    "٣",
};

TEST(ParseDouble, ReadsWhatFromCharsReads) {
    for (const char* text : kTexts) {
        double fromCharsValue = -7.0;
        double value = -7.0;
        const bool expected = fromChars(text, fromCharsValue);
        ASSERT_EQ(parseDouble(text, value), expected) << '"' << text << '"';
        if (!expected) {
            EXPECT_EQ(value, -7.0) << '"' << text << '"';
        } else if (std::isnan(fromCharsValue)) {
            EXPECT_TRUE(std::isnan(value)) << text;
            EXPECT_EQ(std::signbit(value), std::signbit(fromCharsValue)) << text;
        } else {
            EXPECT_EQ(std::memcmp(&value, &fromCharsValue, sizeof value), 0)
                << text << ": " << value << " against " << fromCharsValue;
        }
    }
}

// A locale with a decimal comma, made from glibc's sources into a scratch folder (the machine
// need not have one installed). strtod would then stop at the point; the parse must not.
TEST(ParseDouble, ReadsThePointUnderADecimalComma) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quorlith-locale-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string make =
        "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' > /dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        std::filesystem::remove_all(folder);
        GTEST_SKIP() << "localedef could not make de_DE.UTF-8 (no glibc locale sources)";
    }
    setenv("LOCPATH", folder.c_str(), 1);
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr &&
                       std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    double point = 0.0;
    double withComma = 0.0;
    const bool pointRead = parseDouble("1.1", point);
    const bool commaRead = parseDouble("1,1", withComma);
    const double gamma = screenGammaFor("0.5");
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(comma) << "the new locale did not load";
    EXPECT_TRUE(pointRead);
    EXPECT_EQ(point, 1.1);
    EXPECT_FALSE(commaRead);
    EXPECT_DOUBLE_EQ(gamma, 4.4);
}

} // namespace
