#pragma once
// The fields of a JSON line, written with RapidJSON's streaming writer.

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <string_view>

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

inline void JsonText(JsonWriter& writer, std::string_view key, std::string_view value) {
    writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

inline void JsonNumber(JsonWriter& writer, const char* key, int64_t value) {
    writer.Key(key);
    writer.Int64(value);
}
