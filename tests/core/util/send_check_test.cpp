// The checks in front of the senders: which character refuses a send, and where.
#include <gtest/gtest.h>

#include <string>

#include "core/util/send_check.h"

namespace {

struct CheckCase {
    const char* name;
    std::u32string text;
    char separator; // 0: the 8-bit text check
    std::string reason;
};

class SendCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(SendCheck, NamesTheFirstCharacterAtFault) {
    const CheckCase& c = GetParam();
    EXPECT_EQ(c.separator == 0 ? eight_bit_refusal(c.text) : hex_field_refusal(c.text, c.separator), c.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SendCheck,
    ::testing::Values(
        CheckCase{"SnowmanAfterLatin1", U"h\u00E9llo \u2603", 0, "character 7 (U+2603) is not 8-bit text (Latin-1)"},
        CheckCase{"Latin1IsSent", U"h\u00E9llo \u00FF<CR>", 0, ""},
        CheckCase{"EmojiIsOneCharacter", U"\U0001F600x", 0, "character 1 (U+1F600) is not 8-bit text (Latin-1)"},
        CheckCase{"HexLetterG", U"41 4g zz", ',', "character 5 (\"g\") is not a hex digit, \",\" or a blank"},
        CheckCase{"HexSeparatorsAndBlanks", U"41,42 0a\tFF", ',', ""},
        CheckCase{"HexOtherSeparator", U"41;42", ',', "character 3 (\";\") is not a hex digit, \",\" or a blank"},
        CheckCase{"HexNonLatin1", U"41\u2603", ',', "character 3 (U+2603) is not a hex digit, \",\" or a blank"},
        CheckCase{"HexControlCharacter", U"41\n", ',', "character 3 (U+000A) is not a hex digit, \",\" or a blank"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
