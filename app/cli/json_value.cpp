#include "app/cli/json_value.h"

#include "support/utf8.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

// Control characters escaped; text that is not UTF-8 (a file name in another
// encoding, a stray byte in an argument) gets U+FFFD for each byte that
// starts no character, so that the output is always JSON.
void WriteString(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : ValidUtf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += Format("\\u%04x", static_cast<unsigned>(c));
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

JsonValue::JsonValue(bool value) : kind_(Kind::Bool), bool_(value) {}
JsonValue::JsonValue(int value) : kind_(Kind::Number), number_(value) {}
JsonValue::JsonValue(int64_t value) : kind_(Kind::Number), number_(value) {}
JsonValue::JsonValue(const char* text) : kind_(Kind::String), text_(text) {}
JsonValue::JsonValue(std::string text) : kind_(Kind::String), text_(std::move(text)) {}

JsonValue JsonValue::Array() {
  JsonValue value;
  value.kind_ = Kind::Array;
  return value;
}

JsonValue JsonValue::Object() {
  JsonValue value;
  value.kind_ = Kind::Object;
  return value;
}

JsonValue& JsonValue::Set(const std::string& key, JsonValue value) {
  for (auto& member : members_) {
    if (member.first == key) {
      member.second = std::move(value);
      return *this;
    }
  }
  members_.emplace_back(key, std::move(value));
  return *this;
}

JsonValue& JsonValue::Push(JsonValue value) {
  items_.push_back(std::move(value));
  return *this;
}

std::string JsonValue::Text() const {
  std::string out;
  Write(out);
  return out;
}

void JsonValue::Write(std::string& out) const {
  switch (kind_) {
    case Kind::Null: out += "null"; break;
    case Kind::Bool: out += bool_ ? "true" : "false"; break;
    case Kind::Number: out += std::to_string(number_); break;
    case Kind::String: WriteString(out, text_); break;
    case Kind::Array: {
      out += '[';
      for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i != 0) out += ',';
        items_[i].Write(out);
      }
      out += ']';
      break;
    }
    case Kind::Object: {
      out += '{';
      for (std::size_t i = 0; i < members_.size(); ++i) {
        if (i != 0) out += ',';
        WriteString(out, members_[i].first);
        out += ':';
        members_[i].second.Write(out);
      }
      out += '}';
      break;
    }
  }
}

}  // namespace vkt53
