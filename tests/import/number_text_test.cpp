// Number text of the parser: the fast paths must agree with the C library bit for bit.
#include "import/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>

#include "import/byte_reader.h"

namespace orvex {
namespace {

TEST(NumberTextTest, LeadingNumberMatchesStrtod) {
  for (const char* text :
       {"-0", "12.5", "3.5]", "1.", "-.5", "-", "007", "1E-2x", "0x1A", "-inf", "-nanx", "1e",
        "12345678901234567890.5", "0.1234567890123456789012345", "1.5.5", "-+5", "2.675"}) {
    const double expected = std::strtod(text, nullptr);
    const double actual = LeadingNumber(text);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(actual)) << text;
    } else {
      EXPECT_EQ(actual, expected) << text;
      EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << text;
    }
  }
  std::mt19937 random(3);
  for (int i = 0; i < 100000; ++i) {
    const std::string text = std::to_string(static_cast<int>(random() % 2000000) - 1000000) + "." +
                             std::to_string(random() % 100000);
    ASSERT_EQ(LeadingNumber(text.c_str()), std::strtod(text.c_str(), nullptr)) << text;
  }
}

// Each read in turn: whether it took a number, the number, and the character it left next. A
// failed read gives back what it took.
TEST(NumberTextTest, ScanNumberReadsLikeScanfAndLeavesTheRest) {
  ByteReader input(std::string_view(" 3.5 2.5] 0 d 1e2x -abc"));
  for (const auto& [taken, number, next] : {std::tuple{true, 3.5F, ' '},
                                            {true, 2.5F, ']'},
                                            {true, 0.0F, ' '},
                                            {false, 0.0F, 'd'},
                                            {true, 100.0F, 'x'},
                                            {false, 0.0F, '-'}}) {
    float value = 0.0F;
    EXPECT_EQ(ScanNumber(input, value), taken);
    EXPECT_EQ(value, number);
    EXPECT_EQ(input.Get(), next);
  }
}

}  // namespace
}  // namespace orvex
