#include "find_expression.h"

#include <gtest/gtest.h>
#include <map>

namespace corvid::visa {
namespace {

bool Matches(const char* expression, const char* name) {
    FindExpression expr;
    EXPECT_EQ(expr.Compile(expression), VI_SUCCESS) << expression;
    return expr.MatchesName(name);
}

TEST(NamePatterns, QuestionMarkAndStarMatchAnyText) {
    EXPECT_TRUE(Matches("?*::INSTR", "GPIB0::22::INSTR"));
    EXPECT_TRUE(Matches("GPIB?*INSTR", "GPIB1::1::1::INSTR"));
    EXPECT_TRUE(Matches("GPIB?*INSTR", "GPIB-VXI0::24::INSTR"));
    EXPECT_FALSE(Matches("GPIB?*INSTR", "ASRL1::INSTR"));
    EXPECT_FALSE(Matches("?*::INSTR", "GPIB0::INTFC"));
    EXPECT_TRUE(Matches("?*", "X"));
    EXPECT_FALSE(Matches("?", ""));
}

TEST(NamePatterns, WholeNameMustMatch) {
    EXPECT_FALSE(Matches("GPIB0", "GPIB0::5::INSTR"));
    EXPECT_FALSE(Matches("5::INSTR", "GPIB0::5::INSTR"));
}

TEST(NamePatterns, MatchingIgnoresCase) {
    EXPECT_TRUE(Matches("gpib0::5::instr", "GPIB0::5::INSTR"));
    EXPECT_TRUE(Matches("GPIB[a-z]::5::INSTR", "GPIBQ::5::INSTR"));
}

TEST(NamePatterns, ListsRangesAndNegation) {
    EXPECT_TRUE(Matches("GPIB[0-9]::5::INSTR", "GPIB7::5::INSTR"));
    EXPECT_FALSE(Matches("GPIB[0-6]::5::INSTR", "GPIB7::5::INSTR"));
    EXPECT_TRUE(Matches("GPIB[^0]::?*", "GPIB1::5::INSTR"));
    EXPECT_FALSE(Matches("GPIB[^0]::?*", "GPIB0::5::INSTR"));
    EXPECT_TRUE(Matches("GPIB0::[12]+::INSTR", "GPIB0::2121::INSTR"));
    EXPECT_FALSE(Matches("GPIB0::[12]+::INSTR", "GPIB0::::INSTR"));
}

TEST(NamePatterns, AlternativesGroupsAndEscapes) {
    EXPECT_TRUE(Matches("(GPIB|ASRL)?*INSTR", "ASRL1::INSTR"));
    EXPECT_FALSE(Matches("(GPIB|ASRL)?*INSTR", "VXI0::1::INSTR"));
    // "|" takes the whole expression on each side.
    EXPECT_TRUE(Matches("VXI?*|GPIB0::5::INSTR", "GPIB0::5::INSTR"));
    EXPECT_TRUE(Matches("VXI?*|GPIB0::5::INSTR", "VXI0::MEMACC"));
    EXPECT_TRUE(Matches("a\\?b", "a?b"));
    EXPECT_FALSE(Matches("a\\?b", "axb"));
    EXPECT_TRUE(Matches("(ab)*c", "ababc"));
    EXPECT_TRUE(Matches("(ab)*c", "c"));
    EXPECT_FALSE(Matches("(ab)+c", "c"));
}

TEST(NamePatterns, NestedRepetitionsStayFast) {
    std::string name(200, 'a');
    EXPECT_FALSE(Matches("(a*)*(a*)*(a*)*b", name.c_str()));
    EXPECT_TRUE(Matches("((a|aa)+)+", name.c_str()));
    EXPECT_TRUE(Matches("a****", "aaa"));
}

TEST(NamePatterns, MalformedExpressionsAreRefused) {
    for (const char* text : {"",
                             "*",
                             "+GPIB",
                             "GPIB(",
                             "GPIB)",
                             "()",
                             "a|",
                             "|a",
                             "[",
                             "[]",
                             "[z-a]",
                             "a\\",
                             "GPIB]",
                             "GPIB{",
                             "?*{VI_ATTR_INTF_NUM == 0",
                             "?*{}",
                             "?*{VI_ATTR_NOPE == 1}",
                             "?*{VI_ATTR_INTF_NUM = 1}",
                             "?*{VI_ATTR_INTF_NUM == \"x\"}",
                             "?*{VI_ATTR_RSRC_NAME > \"x\"}",
                             "?*{VI_ATTR_INTF_NUM == 1} junk",
                             "?*{(VI_ATTR_INTF_NUM == 1}",
                             "?*{VI_ATTR_INTF_NUM == 1 &&}"}) {
        FindExpression expr;
        EXPECT_EQ(expr.Compile(text), VI_ERROR_INV_EXPR) << '"' << text << '"';
    }
    FindExpression deep;
    EXPECT_EQ(deep.Compile(std::string(500, '(') + "a" + std::string(500, ')')), VI_ERROR_INV_EXPR);
}

class AttributeConditions : public ::testing::Test {
protected:
    bool Evaluate(const char* expression) {
        FindExpression expr;
        EXPECT_EQ(expr.Compile(expression), VI_SUCCESS) << expression;
        EXPECT_TRUE(expr.HasAttributeCondition());
        return expr.MatchesAttributes([this](ViAttr attribute, AttributeValue& value) {
            auto it = values.find(attribute);
            if (it == values.end()) {
                return false;
            }
            value = it->second;
            return true;
        });
    }

    std::map<ViAttr, AttributeValue> values{
        {VI_ATTR_GPIB_PRIMARY_ADDR, {false, 5, ""}},
        {VI_ATTR_GPIB_SECONDARY_ADDR, {false, 3, ""}},
        {VI_ATTR_RSRC_MANF_NAME, {true, 0, "Sorbel"}},
    };
};

TEST_F(AttributeConditions, ComparisonsAndLogic) {
    EXPECT_TRUE(Evaluate("?*{VI_ATTR_GPIB_SECONDARY_ADDR > 0 && VI_ATTR_GPIB_SECONDARY_ADDR < 10}"));
    EXPECT_FALSE(Evaluate("?*{VI_ATTR_GPIB_SECONDARY_ADDR > 3}"));
    EXPECT_TRUE(Evaluate("?*{VI_ATTR_GPIB_SECONDARY_ADDR >= 3 && VI_ATTR_GPIB_PRIMARY_ADDR <= 5}"));
    EXPECT_TRUE(Evaluate("?* {VI_ATTR_GPIB_PRIMARY_ADDR == 0x5}"));
    EXPECT_TRUE(Evaluate("?*{VI_ATTR_GPIB_PRIMARY_ADDR == 1 || VI_ATTR_GPIB_PRIMARY_ADDR != 1}"));
    EXPECT_FALSE(Evaluate("?*{!(VI_ATTR_GPIB_PRIMARY_ADDR == 5)}"));
    // "!" binds tighter than "&&", which binds tighter than "||".
    EXPECT_TRUE(Evaluate("?*{VI_ATTR_GPIB_PRIMARY_ADDR == 5 || VI_ATTR_GPIB_PRIMARY_ADDR == 6 && "
                         "VI_ATTR_GPIB_PRIMARY_ADDR == 7}"));
    EXPECT_FALSE(Evaluate("?*{!VI_ATTR_GPIB_PRIMARY_ADDR == 5 && VI_ATTR_GPIB_PRIMARY_ADDR == 5}"));
}

TEST_F(AttributeConditions, TextsCompareWithoutCase) {
    EXPECT_TRUE(Evaluate("?*{VI_ATTR_RSRC_MANF_NAME == \"sorbel\"}"));
    EXPECT_TRUE(Evaluate("?*{VI_ATTR_RSRC_MANF_NAME != 'Other'}"));
}

TEST_F(AttributeConditions, MissingAttributesDoNotMatch) {
    EXPECT_FALSE(Evaluate("?*{VI_ATTR_INTF_NUM == 0}"));
    EXPECT_FALSE(Evaluate("?*{VI_ATTR_INTF_NUM != 0}"));
}

} // namespace
} // namespace corvid::visa
