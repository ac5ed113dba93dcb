#include "tests/cli/json_reader.h"

#include <cctype>
#include <cstdlib>

namespace vkt53 {

namespace {

const Json kNull{};

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  bool Value(Json& out) {
    Blanks();
    if (at_ >= text_.size()) return false;
    const char c = text_[at_];
    if (c == '{') return Object(out);
    if (c == '[') return Array(out);
    if (c == '"') {
      out.kind = Json::Kind::String;
      return String(out.text);
    }
    if (Word("true")) return out.kind = Json::Kind::Bool, out.boolean = true, true;
    if (Word("false")) return out.kind = Json::Kind::Bool, out.boolean = false, true;
    if (Word("null")) return out.kind = Json::Kind::Null, true;
    return Number(out);
  }

  bool AtEnd() {
    Blanks();
    return at_ == text_.size();
  }

 private:
  void Blanks() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool Word(const char* word) {
    const std::string w = word;
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }
  bool Take(char c) {
    Blanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (static_cast<unsigned char>(c) >= 0x80) {
        if (!Utf8Character(out)) return false;
        continue;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          if (at_ + 4 > text_.size()) return false;
          const long code = std::strtol(text_.substr(at_, 4).c_str(), nullptr, 16);
          at_ += 4;
          if (code >= 0x80) return false;  // the program escapes control characters only
          out += static_cast<char>(code);
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  // The character whose first byte was just taken, checked against the
  // table of well-formed UTF-8 (no overlong form, no surrogate, nothing
  // beyond U+10FFFF): a reader such as Python's json.loads refuses the rest.
  bool Utf8Character(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[at_ - 1]);
    struct Form {
      unsigned char leadFirst, leadLast, secondFirst, secondLast;
      std::size_t length;
    };
    static constexpr Form kForms[] = {
        {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
        {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
        {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
    };
    for (const Form& form : kForms) {
      if (lead < form.leadFirst || lead > form.leadLast) continue;
      const std::size_t start = at_ - 1;
      if (start + form.length > text_.size()) return false;
      const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text_[start + i]); };
      if (byte(1) < form.secondFirst || byte(1) > form.secondLast) return false;
      for (std::size_t i = 2; i < form.length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return false;
      }
      out.append(text_, start, form.length);
      at_ = start + form.length;
      return true;
    }
    return false;
  }
  bool Number(Json& out) {
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    while (at_ < text_.size() &&
           (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.' ||
            text_[at_] == 'e' || text_[at_] == 'E' || text_[at_] == '+')) {
      ++at_;
    }
    if (at_ == start) return false;
    out.kind = Json::Kind::Number;
    out.number = std::strtod(text_.substr(start, at_ - start).c_str(), nullptr);
    return true;
  }
  bool Array(Json& out) {
    out.kind = Json::Kind::Array;
    Take('[');
    if (Take(']')) return true;
    do {
      Json item;
      if (!Value(item)) return false;
      out.items.push_back(std::move(item));
    } while (Take(','));
    return Take(']');
  }
  bool Object(Json& out) {
    out.kind = Json::Kind::Object;
    Take('{');
    if (Take('}')) return true;
    do {
      Blanks();
      std::string key;
      if (!String(key) || !Take(':')) return false;
      Json value;
      if (!Value(value) || out.members.count(key) != 0) return false;
      out.members.emplace(key, std::move(value));
    } while (Take(','));
    return Take('}');
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  const auto found = members.find(key);
  return found == members.end() ? kNull : found->second;
}

const Json& Json::operator[](std::size_t index) const {
  return index < items.size() ? items[index] : kNull;
}

std::optional<Json> ParseJson(const std::string& text) {
  Reader reader(text);
  Json value;
  if (!reader.Value(value) || !reader.AtEnd()) return std::nullopt;
  return value;
}

}  // namespace vkt53
