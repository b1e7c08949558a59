#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/json/json_compose.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/record_descriptor.h"

namespace tesselon {
namespace {

struct Inner {
    std::string name;
    int32_t size = 0;
};

struct Sample {
    int8_t flag = 0;
    uint8_t ubyte = 0;
    int16_t word = 0;
    uint16_t uword = 0;
    int32_t number = 0;
    int64_t big = 0;
    float ratio = 0;
    double precise = 0;
    std::string text;
    Inner inner;
};

const RecordDescriptor<Inner>& innerDescriptor() {
    static const RecordDescriptor<Inner> d{"Inner", {{"name$", &Inner::name}, {"size", &Inner::size}}};
    return d;
}

const RecordDescriptor<Sample>& sampleDescriptor() {
    static const RecordDescriptor<Sample> d{"Sample",
                                            {
                                                {"flag", &Sample::flag},
                                                {"ubyte", &Sample::ubyte},
                                                {"word", &Sample::word},
                                                {"uword", &Sample::uword},
                                                {"number", &Sample::number},
                                                {"big", &Sample::big},
                                                {"ratio", &Sample::ratio},
                                                {"precise", &Sample::precise},
                                                {"*text$", &Sample::text},
                                                {"inner", nestedPlace(&Sample::inner, innerDescriptor())},
                                            }};
    return d;
}

Sample filled() {
    Sample s;
    s.flag = -1;
    s.ubyte = 255;
    s.word = -2;
    s.uword = 65535;
    s.number = -2147483647 - 1;
    s.big = 9007199254740993;
    s.ratio = 1.2f;
    s.precise = 0.1;
    s.text = "C:\\x\n";
    s.inner = {"Arial", 26};
    return s;
}

Sample extracted(std::string_view json, Sample start = filled()) {
    JsonParseResult result = parseJson(json);
    EXPECT_TRUE(std::holds_alternative<JsonDocument>(result)) << json;
    if (auto* document = std::get_if<JsonDocument>(&result)) extractRecord(document->root(), start, sampleDescriptor());
    return start;
}

std::string composed(const Sample& s) {
    JsonValue value;
    insertRecord(value, s, sampleDescriptor());
    return composeJson(value);
}

void expectEmpty(const Sample& s) { EXPECT_EQ(composed(s), composed(Sample{})); }

TEST(JsonRecord, FieldKeysDropAPointerMarkAndOneDollar) {
    EXPECT_EQ(jsonKeyOf("ArchivoFrases$"), "ArchivoFrases");
    EXPECT_EQ(jsonKeyOf("TextoMarcaAgua"), "TextoMarcaAgua");
    EXPECT_EQ(jsonKeyOf("*lista$"), "lista");
    EXPECT_EQ(jsonKeyOf("a$$"), "a$");
    EXPECT_EQ(sampleDescriptor().fields[1].type(), FieldType::UInt8);
}

TEST(JsonRecord, InsertWritesEachTypeAndReplacesTheTarget) {
    JsonValue target = JsonValue::makeArray({JsonValue::makeInteger(1)});
    insertRecord(target, filled(), sampleDescriptor());
    EXPECT_EQ(composeJson(target),
              R"({"number":-2147483648,"ratio":1.200000048,"flag":-1,"precise":0.1,"uword":65535,)"
              R"("big":9007199254740993,"word":-2,"text":"C:\\x\n","inner":{"size":26,"name":"Arial"},"ubyte":255})");

    // Inserting again replaces the object; keys of the earlier content do not linger.
    target.asObject()->set("extra", JsonValue::makeBoolean(true));
    insertRecord(target, Sample{}, sampleDescriptor());
    EXPECT_EQ(target.asObject()->find("extra"), nullptr);
    EXPECT_EQ(target.asObject()->size(), 10u);
}

TEST(JsonRecord, ComposeParseExtractGivesTheRecordBack) {
    EXPECT_EQ(composed(extracted(composed(filled()), Sample{})), composed(filled()));
    EXPECT_EQ(extracted(composed(filled()), Sample{}).ratio, 1.2f);
}

TEST(JsonRecord, ExtractEmptiesTheRecordFirst) {
    expectEmpty(extracted("{}"));
    expectEmpty(extracted("[1,2]"));
    expectEmpty(extracted("null"));
    expectEmpty(extracted(R"({"Flag":1,"TEXT":"x","unknown":5})"));
    const Sample partial = extracted(R"({"inner":{"size":3}})");
    EXPECT_EQ(partial.inner.size, 3);
    EXPECT_EQ(partial.inner.name, "");
    EXPECT_EQ(partial.flag, 0);
}

TEST(JsonRecord, IntegerFieldsKeepTheLowBits) {
    const Sample s = extracted(R"({"flag":300,"ubyte":-1,"word":70000,"uword":-1,"number":4294967301,"big":-5})");
    EXPECT_EQ(s.flag, 44);
    EXPECT_EQ(s.ubyte, 255);
    EXPECT_EQ(s.word, 4464);
    EXPECT_EQ(s.uword, 65535);
    EXPECT_EQ(s.number, 5);
    EXPECT_EQ(s.big, -5);
    EXPECT_EQ(extracted(R"({"flag":-1})").flag, -1);
    EXPECT_EQ(extracted(R"({"flag":255})").flag, -1);
}

TEST(JsonRecord, MismatchedValuesConvertOrEmpty) {
    const Sample a = extracted(R"({"number":2.9,"word":-2.9,"flag":true,"ubyte":false,"big":"5","uword":null})");
    EXPECT_EQ(a.number, 2);
    EXPECT_EQ(a.word, -2);
    EXPECT_EQ(a.flag, 1);
    EXPECT_EQ(a.ubyte, 0);
    EXPECT_EQ(a.big, 0);
    EXPECT_EQ(a.uword, 0);

    const Sample b = extracted(R"({"ratio":3,"precise":true,"text":5,"inner":"x","number":[1],"big":{}})");
    EXPECT_EQ(b.ratio, 3.0f);
    EXPECT_EQ(b.precise, 1.0);
    EXPECT_EQ(b.text, "");
    EXPECT_EQ(b.inner.name, "");
    EXPECT_EQ(b.number, 0);
    EXPECT_EQ(b.big, 0);

    const Sample c = extracted(R"({"ratio":"1.5","precise":[2.5],"text":"ok"})");
    EXPECT_EQ(c.ratio, 0.0f);
    EXPECT_EQ(c.precise, 0.0);
    EXPECT_EQ(c.text, "ok");
}

TEST(JsonRecord, FloatsOutOfRangeStayDefined) {
    const Sample s = extracted(R"({"ratio":1e300,"precise":1e300,"big":1e300,"number":-1e300})");
    EXPECT_TRUE(std::isinf(s.ratio));
    EXPECT_EQ(s.precise, 1e300);
    EXPECT_EQ(s.big, std::numeric_limits<int64_t>::min());
    EXPECT_EQ(s.number, 0);  // the low 32 bits of INT64_MIN
    EXPECT_EQ(narrowToFloat(3.4028235e38), std::numeric_limits<float>::max());
    EXPECT_EQ(narrowToFloat(-3.40282356e38), -std::numeric_limits<float>::max());
    EXPECT_EQ(narrowToFloat(0.1), 0.1f);
}

}  // namespace
}  // namespace tesselon
