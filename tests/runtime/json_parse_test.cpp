#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/json/json_compose.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/wtf8.h"

namespace tesselon {
namespace {

JsonValue parsed(std::string_view text) {
    JsonParseResult result = parseJson(text);
    if (auto* error = std::get_if<JsonParseError>(&result)) {
        ADD_FAILURE() << "parsing " << text << " failed: " << error->message;
        return JsonValue();
    }
    return std::get<JsonDocument>(std::move(result)).root();
}

std::string parsedString(std::string_view text) {
    const JsonValue value = parsed(text);
    return value.asString() ? *value.asString() : "<not a string>";
}

struct ErrorCase {
    std::string text;
    std::string message;
    int line;
    int position;
};

TEST(JsonParse, ErrorsCarryMessageLineAndPosition) {
    const ErrorCase cases[] = {
        {R"({"a":1,})", "A member name (string) is expected", 1, 8},
        {"{ 5 }", "A member name (string) is expected", 1, 3},
        {"[1,]", "Unexpected character", 1, 4},
        {R"({"a" 1})", "Expected a ':' character", 1, 6},
        {"-", "Unexpected end of input", 1, 2},
        {"-x", "Invalid numeric value", 1, 2},
        {"1.e5", "Invalid numeric value", 1, 3},
        {"1e+x", "Invalid numeric value", 1, 4},
        {"1.", "Unexpected end of input", 1, 3},
        {"+1", "Unexpected character", 1, 1},
        {".5", "Unexpected character", 1, 1},
        {R"("a\x")", "Invalid escape sequence", 1, 4},
        {R"("\u12G4")", "Invalid escape sequence", 1, 6},
        {R"("\u12)", "Unexpected end of input", 1, 6},
        {R"({"a":1} x)", "Unexpected character", 1, 9},
        {"[1 2]", "Unexpected character", 1, 4},
        {"", "Unexpected end of input", 1, 1},
        {" \r\n\t ", "Unexpected end of input", 2, 3},
        {"tru", "Unexpected end of input", 1, 4},
        {"trUe", "Unexpected character", 1, 3},
        {"Null", "Unexpected character", 1, 1},
        {"\"abc", "Unexpected end of input", 1, 5},
        {R"({"a":)", "Unexpected end of input", 1, 6},
        {"\f1", "Unexpected character", 1, 1},
        {"{\n  \"a\": 1,\n  \"b\" 2\n}", "Expected a ':' character", 3, 7},
        // Positions count characters, a character outside the BMP as two.
        {"[\"ñ€😀\", x]", "Unexpected character", 1, 10},
    };
    for (const auto& c : cases) {
        const JsonParseResult result = parseJson(c.text);
        const auto* error = std::get_if<JsonParseError>(&result);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_EQ(error->message, c.message) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_EQ(error->position, c.position) << c.text;
    }
}

TEST(JsonParse, AnyValueMayBeTheWholeText) {
    EXPECT_TRUE(parsed(" null ").isNull());
    EXPECT_EQ(*parsed("\ttrue\r\n").asBoolean(), true);
    EXPECT_EQ(parsed("[1,2]").asArray()->size(), 2u);
    EXPECT_EQ(parsed("{}").asObject()->size(), 0u);
    EXPECT_EQ(parsed("[ ]").asArray()->size(), 0u);
    EXPECT_EQ(parsedString(R"("x")"), "x");
}

TEST(JsonParse, NumbersAreIntegersUnlessTheyHaveAFractionOrExponent) {
    EXPECT_EQ(*parsed("007").asInteger(), 7);
    EXPECT_EQ(*parsed("-0").asInteger(), 0);
    EXPECT_EQ(*parsed("-9223372036854775808").asInteger(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(*parsed("18446744073709551617").asInteger(), 1);  // wraps modulo 2^64
    EXPECT_EQ(*parsed("1.5E2").asFloat(), 150.0);
    EXPECT_EQ(*parsed("2e0").asFloat(), 2.0);
    EXPECT_EQ(*parsed("-2.9").asFloat(), -2.9);
    EXPECT_EQ(*parsed("1.200000048").asFloat(), 1.200000048);
    EXPECT_TRUE(std::isinf(*parsed("1e999").asFloat()));
    EXPECT_EQ(*parsed("-1e-999").asFloat(), 0.0);
    EXPECT_EQ(*parsed("0.000000000000000000000000000000000000000000000000000001e400").asFloat(),
              std::numeric_limits<double>::infinity());
}

TEST(JsonParse, StringEscapesGiveCodeUnits) {
    EXPECT_EQ(parsedString(R"("\"\\\/\b\f\n\r\t")"), "\"\\/\b\f\n\r\t");
    EXPECT_EQ(parsedString(R"("\u00E9\u00e9")"), "éé");
    EXPECT_EQ(parsedString(R"("\ud83d\ude00")"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(parsedString(R"("\udc00\ud800")"), fromUtf16(u"\xDC00\xD800"));
    EXPECT_EQ(parsedString("\"tab\there\x01\""), "tab\there\x01");
    // Code unit 0 stays inside the string instead of ending it.
    EXPECT_EQ(parsedString(R"("a\u0000b")"), std::string("a\0b", 3));
    // Bytes that are not UTF-8 pass through.
    EXPECT_EQ(parsedString("\"\xFF\xFE\""), "\xFF\xFE");
}

TEST(JsonParse, ArbitraryCodeUnitsSurviveComposeAndParse) {
    const std::u16string units(u"\0a\xD800\xDC00\xDFFF\xDBFF\x0001\xFFFF\xD83D\xDE00\xD800", 11);
    const std::string text = fromUtf16(units);
    ASSERT_EQ(toUtf16(text).size(), 11u);
    const std::string composed = composeJson(JsonValue::makeString(text));
    EXPECT_EQ(composed.find('\0'), std::string::npos);
    EXPECT_EQ(parsedString(composed), text);
    EXPECT_EQ(toUtf16(parsedString(composed)), units);
}

TEST(JsonParse, RepeatedKeyReplacesTheValueInItsPlace) {
    // "a" and "!" share a chain; a member moved to the front would come out first.
    const JsonValue value = parsed(R"({"a":1,"!":2,"a":3})");
    EXPECT_EQ(value.asObject()->size(), 2u);
    EXPECT_EQ(composeJson(value), R"({"!":2,"a":3})");
}

TEST(JsonParse, NestingIsBounded) {
    const std::string deepest = std::string(kJsonMaxDepth, '[') + std::string(kJsonMaxDepth, ']');
    EXPECT_TRUE(std::holds_alternative<JsonDocument>(parseJson(deepest)));
    const std::string tooDeep = std::string(100000, '[') + std::string(100000, ']');
    const JsonParseResult result = parseJson(tooDeep);
    ASSERT_TRUE(std::holds_alternative<JsonParseError>(result));
    EXPECT_EQ(std::get<JsonParseError>(result).message, "Nesting too deep");
}

}  // namespace
}  // namespace tesselon
