#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/json/json_compose.h"
#include "runtime/json/wtf8.h"

namespace tesselon {
namespace {

std::string composeFloat(double number) { return composeJson(JsonValue::makeFloat(number)); }
std::string composeText(const std::string& text) { return composeJson(JsonValue::makeString(text)); }

TEST(JsonCompose, FloatsUseTenDigitsAndThreeDigitExponents) {
    EXPECT_EQ(composeFloat(static_cast<double>(1.2f)), "1.200000048");
    EXPECT_EQ(composeFloat(static_cast<double>(0.8f)), "0.8000000119");
    EXPECT_EQ(composeFloat(1.5), "1.5");
    EXPECT_EQ(composeFloat(2.0), "2");
    EXPECT_EQ(composeFloat(1e10), "1e+010");
    EXPECT_EQ(composeFloat(-2.5e-7), "-2.5e-007");
    EXPECT_EQ(composeFloat(1e100), "1e+100");
    EXPECT_EQ(composeFloat(123456789012.0), "1.23456789e+011");
    EXPECT_EQ(composeFloat(0.0001), "0.0001");
    EXPECT_EQ(composeFloat(-0.0), "0");
    EXPECT_EQ(composeFloat(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(composeFloat(-std::numeric_limits<double>::infinity()), "null");
}

TEST(JsonCompose, IntegersAndLiterals) {
    EXPECT_EQ(composeJson(JsonValue::makeInteger(0)), "0");
    EXPECT_EQ(composeJson(JsonValue::makeInteger(std::numeric_limits<int64_t>::min())), "-9223372036854775808");
    EXPECT_EQ(composeJson(JsonValue::makeBoolean(true)), "true");
    EXPECT_EQ(composeJson(JsonValue()), "null");
    JsonArray elements;
    elements.push_back(JsonValue::makeInteger(1));
    elements.push_back(JsonValue::makeArray());
    elements.push_back(JsonValue::makeObject());
    EXPECT_EQ(composeJson(JsonValue::makeArray(std::move(elements))), "[1,[],{}]");
}

TEST(JsonCompose, EscapesControlCodesQuotesAndBackslashes) {
    EXPECT_EQ(composeText("C:\\Datos\\frases.txt"), R"("C:\\Datos\\frases.txt")");
    EXPECT_EQ(composeText("a\tb\nc\rd\be\ff\"g/"), R"("a\tb\nc\rd\be\ff\"g/")");
    EXPECT_EQ(composeText(std::string("\x01\x1b\x1f", 3)), R"("\u0001\u001b\u001f")");
    EXPECT_EQ(composeText(std::string("a\0b", 3)), R"("a\u0000b")");
    EXPECT_EQ(composeText("ñandú €"), "\"ñandú €\"");
}

TEST(JsonCompose, LoneSurrogatesBecomeEscapesAndPairsStayUtf8) {
    EXPECT_EQ(composeText(fromUtf16(u"\xD800x\xDFFF")), R"("\ud800x\udfff")");
    EXPECT_EQ(composeText(fromUtf16(u"\xDBFF")), R"("\udbff")");
    const std::string emoji = fromUtf16(u"\xD83D\xDE00");
    EXPECT_EQ(emoji, "\xF0\x9F\x98\x80");
    EXPECT_EQ(composeText(emoji), "\"" + emoji + "\"");
    // Bytes that are not UTF-8 at all pass as they are.
    EXPECT_EQ(composeText("\xFF\xC3"), "\"\xFF\xC3\"");
}

TEST(JsonCompose, MembersComeOutByChainNewestFirstWithinAChain) {
    // "A" (65) has chain 1, "a" (97) and "á" (225) share chain 33, "b" (98) has chain 34.
    // Within chain 33 the later key comes first; a replaced value keeps its place.
    ASSERT_EQ(jsonKeyChain("A"), 1u);
    ASSERT_EQ(jsonKeyChain("a"), 33u);
    ASSERT_EQ(jsonKeyChain("\xc3\xa1"), 33u);
    JsonObject object;
    object.set("b", JsonValue::makeInteger(1));
    object.set("a", JsonValue::makeInteger(2));
    object.set("A", JsonValue::makeInteger(3));
    object.set("\xc3\xa1", JsonValue::makeInteger(4));  // U+00E1 = 225, chain 33
    object.set("b", JsonValue::makeInteger(5));
    EXPECT_EQ(composeJson(JsonValue::makeObject(object)), R"({"A":3,"á":4,"a":2,"b":5})");
    EXPECT_EQ(object.size(), 4u);
}

TEST(JsonCompose, KeyChainsOfSettingsKeys) {
    // Long keys overflow 32 bits many times over; these chains are the ones the stored
    // files were written with.
    EXPECT_EQ(jsonKeyChain("imagenesRecursivo"), 27u);
    EXPECT_EQ(jsonKeyChain("password"), 27u);
    EXPECT_EQ(jsonKeyChain("LocalRemoto"), 27u);
    EXPECT_EQ(jsonKeyChain("locked"), 10u);
    EXPECT_EQ(jsonKeyChain("RutaOrigenRemoto"), 10u);
    EXPECT_EQ(jsonKeyChain("imagenesSobreescribir"), 55u);
    EXPECT_EQ(jsonKeyChain("RutaImagenesDestino"), 55u);
    EXPECT_EQ(jsonKeyChain("ColorBorde"), 3u);
    EXPECT_EQ(jsonKeyChain("Color"), 3u);
    // Keys hash over UTF-16 code units: a character outside the BMP counts as its pair.
    EXPECT_EQ(jsonKeyHash("\xF0\x9F\x98\x80"), 0xD83Du * 65599u + 0xDE00u);
}

}  // namespace
}  // namespace tesselon
