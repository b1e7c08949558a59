// Settings records as JSON objects, field by field, driven by a descriptor that lists
// each field's name and place in declaration order.
//
// A field's place is a pointer to member, so a descriptor can only name fields that
// exist with the type it claims. A nested record is described by the inner record's
// own descriptor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "runtime/json/json_value.h"

namespace tesselon {

enum class FieldType { Int8, UInt8, Int16, UInt16, Int32, Int64, Float32, Float64, String, Record };

template <class Record>
struct RecordDescriptor;

// A nested record: what insertRecord, extractRecord and the emptying step do with it,
// bound to the inner record's member and descriptor.
template <class Outer>
struct NestedRecordPlace {
    std::function<void(JsonValue& target, const Outer& record)> insert;
    std::function<void(const JsonValue& source, Outer& record)> fill;
    std::function<void(Outer& record)> clear;
};

// The alternatives are in the order of FieldType.
template <class Record>
using FieldPlace = std::variant<int8_t Record::*, uint8_t Record::*, int16_t Record::*, uint16_t Record::*,
                                int32_t Record::*, int64_t Record::*, float Record::*, double Record::*,
                                std::string Record::*, NestedRecordPlace<Record>>;

template <class Record>
struct FieldDescriptor {
    std::string name;  // as declared, "$" or "*" included
    FieldPlace<Record> place;

    FieldType type() const { return static_cast<FieldType>(place.index()); }
};

template <class Record>
struct RecordDescriptor {
    std::string name;
    std::vector<FieldDescriptor<Record>> fields;  // in declaration order
};

// The JSON key of a field: the name without a leading "*" and one trailing "$".
std::string jsonKeyOf(std::string_view fieldName);

// A JSON value read as a number field: integers as they are, floats truncated toward
// zero (values no 64-bit integer holds give INT64_MIN, as the x86 conversion does),
// true 1, false 0, anything else 0.
int64_t jsonIntegerOf(const JsonValue& value);
// A JSON value read as a float field: floats as they are, integers converted, booleans
// 1 and 0, anything else 0.
double jsonFloatOf(const JsonValue& value);
// Rounds to the nearest 32-bit float; magnitudes beyond its range become infinite.
float narrowToFloat(double value);

template <class Record>
void insertRecord(JsonValue& target, const Record& record, const RecordDescriptor<Record>& descriptor);
template <class Record>
void extractRecord(const JsonValue& source, Record& record, const RecordDescriptor<Record>& descriptor);

namespace json_detail {

template <class Record>
void clearFields(Record& record, const RecordDescriptor<Record>& descriptor) {
    for (const auto& field : descriptor.fields) {
        std::visit(
            [&](const auto& place) {
                using Place = std::decay_t<decltype(place)>;
                if constexpr (std::is_same_v<Place, NestedRecordPlace<Record>>) {
                    place.clear(record);
                } else if constexpr (std::is_same_v<Place, std::string Record::*>) {
                    (record.*place).clear();
                } else {
                    record.*place = 0;
                }
            },
            field.place);
    }
}

template <class Record>
void fillFields(const JsonValue& source, Record& record, const RecordDescriptor<Record>& descriptor) {
    const JsonObject* object = source.asObject();
    if (!object) return;
    for (const auto& field : descriptor.fields) {
        const JsonValue* member = object->find(jsonKeyOf(field.name));
        if (!member) continue;
        std::visit(
            [&](const auto& place) {
                using Place = std::decay_t<decltype(place)>;
                if constexpr (std::is_same_v<Place, NestedRecordPlace<Record>>) {
                    place.fill(*member, record);
                } else if constexpr (std::is_same_v<Place, std::string Record::*>) {
                    if (const std::string* text = member->asString()) record.*place = *text;
                } else if constexpr (std::is_same_v<Place, float Record::*>) {
                    record.*place = narrowToFloat(jsonFloatOf(*member));
                } else if constexpr (std::is_same_v<Place, double Record::*>) {
                    record.*place = jsonFloatOf(*member);
                } else {
                    // Integer fields keep the low bits of the 64-bit value.
                    using Field = std::remove_reference_t<decltype(record.*place)>;
                    record.*place = static_cast<Field>(jsonIntegerOf(*member));
                }
            },
            field.place);
    }
}

}  // namespace json_detail

// The place of a nested record field.
template <class Outer, class Inner>
NestedRecordPlace<Outer> nestedPlace(Inner Outer::*member, const RecordDescriptor<Inner>& inner) {
    const RecordDescriptor<Inner>* descriptor = &inner;
    return NestedRecordPlace<Outer>{
        [member, descriptor](JsonValue& target, const Outer& record) {
            insertRecord(target, record.*member, *descriptor);
        },
        [member, descriptor](const JsonValue& source, Outer& record) {
            json_detail::fillFields(source, record.*member, *descriptor);
        },
        [member, descriptor](Outer& record) { json_detail::clearFields(record.*member, *descriptor); }};
}

// Makes the target an object holding the record's fields, numbers as integers (8- and
// 16-bit fields widened by their signedness), floats widened to 64 bits, strings as
// strings and nested records as objects. Whatever the target held before is dropped.
template <class Record>
void insertRecord(JsonValue& target, const Record& record, const RecordDescriptor<Record>& descriptor) {
    JsonObject& object = target.becomeObject();
    for (const auto& field : descriptor.fields) {
        JsonValue& slot = object.set(jsonKeyOf(field.name), JsonValue());
        std::visit(
            [&](const auto& place) {
                using Place = std::decay_t<decltype(place)>;
                if constexpr (std::is_same_v<Place, NestedRecordPlace<Record>>) {
                    place.insert(slot, record);
                } else if constexpr (std::is_same_v<Place, std::string Record::*>) {
                    slot = JsonValue::makeString(record.*place);
                } else if constexpr (std::is_same_v<Place, float Record::*> ||
                                     std::is_same_v<Place, double Record::*>) {
                    slot = JsonValue::makeFloat(static_cast<double>(record.*place));
                } else {
                    slot = JsonValue::makeInteger(static_cast<int64_t>(record.*place));
                }
            },
            field.place);
    }
}

// Empties every described field (nested records included), then fills the fields whose
// keys the source object holds; a source that is not an object leaves the record empty.
// Numbers, booleans and mismatched values convert as jsonIntegerOf and jsonFloatOf say;
// a string field takes only a JSON string and a nested record only an object.
template <class Record>
void extractRecord(const JsonValue& source, Record& record, const RecordDescriptor<Record>& descriptor) {
    json_detail::clearFields(record, descriptor);
    json_detail::fillFields(source, record, descriptor);
}

}  // namespace tesselon
