// JSON values and documents.
//
// Strings are UTF-8 (WTF-8 when they carry arbitrary UTF-16 code units, see wtf8.h).
// An object keeps its members in the order of a 64-chain hash table: members come out
// grouped by chain (0..63) and, within a chain, the most recently added first. The
// settings files were always written in that order, so composed lines stay identical
// to the ones older files hold.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tesselon {

class JsonValue;
using JsonArray = std::vector<JsonValue>;

// Chain of a key in an object's 64-chain table: hash = hash * 65599 + code unit over the
// key's UTF-16 code units in wrapping 32-bit arithmetic, then modulo 64.
uint32_t jsonKeyHash(std::string_view key);
inline uint32_t jsonKeyChain(std::string_view key) { return jsonKeyHash(key) % 64; }

class JsonObject {
public:
    struct Member;

    JsonObject();
    JsonObject(const JsonObject&);
    JsonObject(JsonObject&&) noexcept;
    JsonObject& operator=(const JsonObject&);
    JsonObject& operator=(JsonObject&&) noexcept;
    ~JsonObject();

    // Sets a member. A new key goes to the front of its chain; an existing key keeps its
    // place and only its value is replaced. Returns the member's value.
    JsonValue& set(std::string key, JsonValue value);

    // The member with exactly this key (case-sensitive), or null.
    const JsonValue* find(std::string_view key) const;
    JsonValue* find(std::string_view key);

    size_t size() const { return members_.size(); }
    bool empty() const { return members_.empty(); }

    // The members in their composing order.
    std::vector<const Member*> ordered() const;

private:
    std::vector<Member> members_;                      // in order of first insertion
    std::map<std::string, size_t, std::less<>> index_;  // key -> position in members_
};

class JsonValue {
public:
    enum class Kind { Null, String, Number, Boolean, Array, Object };

    JsonValue() = default;  // null
    static JsonValue makeString(std::string text);
    static JsonValue makeInteger(int64_t number);
    static JsonValue makeFloat(double number);
    static JsonValue makeBoolean(bool flag);
    static JsonValue makeArray(JsonArray elements = {});
    static JsonValue makeObject(JsonObject object = {});

    Kind kind() const;
    bool isNull() const { return std::holds_alternative<std::monostate>(data_); }
    // A number held as a 64-bit float rather than a 64-bit integer.
    bool isFloat() const { return std::holds_alternative<double>(data_); }

    // The payload when the value is of that kind, else null.
    const std::string* asString() const { return std::get_if<std::string>(&data_); }
    const int64_t* asInteger() const { return std::get_if<int64_t>(&data_); }
    const double* asFloat() const { return std::get_if<double>(&data_); }
    const bool* asBoolean() const { return std::get_if<bool>(&data_); }
    const JsonArray* asArray() const { return std::get_if<JsonArray>(&data_); }
    JsonArray* asArray() { return std::get_if<JsonArray>(&data_); }
    const JsonObject* asObject() const { return std::get_if<JsonObject>(&data_); }
    JsonObject* asObject() { return std::get_if<JsonObject>(&data_); }

    // Drops whatever the value held and makes it an empty object.
    JsonObject& becomeObject();

private:
    std::variant<std::monostate, std::string, int64_t, double, bool, JsonArray, JsonObject> data_;
};

struct JsonObject::Member {
    std::string key;
    JsonValue value;
    uint32_t chain = 0;
};

// One JSON text in memory; the values live as long as the document.
class JsonDocument {
public:
    JsonValue& root() { return root_; }
    const JsonValue& root() const { return root_; }

private:
    JsonValue root_;
};

}  // namespace tesselon
