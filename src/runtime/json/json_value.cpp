#include "runtime/json/json_value.h"

#include <algorithm>

#include "runtime/json/wtf8.h"

namespace tesselon {

uint32_t jsonKeyHash(std::string_view key) {
    uint32_t hash = 0;
    for (char16_t unit : toUtf16(key)) hash = hash * 65599u + unit;
    return hash;
}

JsonObject::JsonObject() = default;
JsonObject::JsonObject(const JsonObject&) = default;
JsonObject::JsonObject(JsonObject&&) noexcept = default;
JsonObject& JsonObject::operator=(const JsonObject&) = default;
JsonObject& JsonObject::operator=(JsonObject&&) noexcept = default;
JsonObject::~JsonObject() = default;

JsonValue& JsonObject::set(std::string key, JsonValue value) {
    if (auto found = index_.find(key); found != index_.end()) {
        JsonValue& slot = members_[found->second].value;
        slot = std::move(value);
        return slot;
    }
    const uint32_t chain = jsonKeyChain(key);
    index_.emplace(key, members_.size());
    members_.push_back(Member{std::move(key), std::move(value), chain});
    return members_.back().value;
}

const JsonValue* JsonObject::find(std::string_view key) const {
    const auto found = index_.find(key);
    return found == index_.end() ? nullptr : &members_[found->second].value;
}

JsonValue* JsonObject::find(std::string_view key) {
    const auto found = index_.find(key);
    return found == index_.end() ? nullptr : &members_[found->second].value;
}

std::vector<const JsonObject::Member*> JsonObject::ordered() const {
    std::vector<const Member*> order;
    order.reserve(members_.size());
    // Walking the insertion order backwards puts the newest member of each chain first;
    // a stable sort by chain then keeps that within each chain.
    for (auto it = members_.rbegin(); it != members_.rend(); ++it) order.push_back(&*it);
    std::stable_sort(order.begin(), order.end(),
                     [](const Member* a, const Member* b) { return a->chain < b->chain; });
    return order;
}

JsonValue JsonValue::makeString(std::string text) {
    JsonValue v;
    v.data_ = std::move(text);
    return v;
}

JsonValue JsonValue::makeInteger(int64_t number) {
    JsonValue v;
    v.data_ = number;
    return v;
}

JsonValue JsonValue::makeFloat(double number) {
    JsonValue v;
    v.data_ = number;
    return v;
}

JsonValue JsonValue::makeBoolean(bool flag) {
    JsonValue v;
    v.data_ = flag;
    return v;
}

JsonValue JsonValue::makeArray(JsonArray elements) {
    JsonValue v;
    v.data_ = std::move(elements);
    return v;
}

JsonValue JsonValue::makeObject(JsonObject object) {
    JsonValue v;
    v.data_ = std::move(object);
    return v;
}

JsonValue::Kind JsonValue::kind() const {
    switch (data_.index()) {
        case 0: return Kind::Null;
        case 1: return Kind::String;
        case 2:
        case 3: return Kind::Number;
        case 4: return Kind::Boolean;
        case 5: return Kind::Array;
        default: return Kind::Object;
    }
}

JsonObject& JsonValue::becomeObject() {
    return data_.emplace<JsonObject>();
}

}  // namespace tesselon
