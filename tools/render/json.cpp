#include "tools/render/json.h"

#include <cstdio>
#include <cstdlib>

const json_value* json_value::find(const std::string& key) const {
    if (kind != object) return nullptr;
    const auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
}

namespace {

class json_reader {
public:
    explicit json_reader(const std::string& text) : text_(text) {}

    bool document(json_value& value, std::string& reason) {
        const bool ok = parse(value, 0) && (skip_space(), at_ == text_.size());
        if (!ok) reason = (error_.empty() ? "unexpected text" : error_) + " at byte " + std::to_string(at_);
        return ok;
    }

private:
    static constexpr int max_depth = 64;

    void skip_space() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool literal(const char* word) {
        const std::string w = word;
        if (text_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }

    bool parse(json_value& value, int depth) {
        if (depth > max_depth) return fail("nesting too deep");
        skip_space();
        if (at_ >= text_.size()) return fail("unexpected end");
        const char c = text_[at_];
        if (c == '{') return parse_object(value, depth);
        if (c == '[') return parse_array(value, depth);
        if (c == '"') {
            value.kind = json_value::string;
            return parse_string(value.text);
        }
        if (literal("true")) {
            value.kind = json_value::boolean;
            value.flag = true;
            return true;
        }
        if (literal("false")) {
            value.kind = json_value::boolean;
            return true;
        }
        if (literal("null")) return true;
        return parse_number(value);
    }

    bool parse_object(json_value& value, int depth) {
        value.kind = json_value::object;
        ++at_;
        skip_space();
        if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
        for (;;) {
            skip_space();
            std::string key;
            if (at_ >= text_.size() || text_[at_] != '"' || !parse_string(key)) return fail("expected a key");
            skip_space();
            if (at_ >= text_.size() || text_[at_] != ':') return fail("expected ':'");
            ++at_;
            if (!parse(value.members[key], depth + 1)) return false;
            skip_space();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
            return fail("expected ',' or '}'");
        }
    }

    bool parse_array(json_value& value, int depth) {
        value.kind = json_value::array;
        ++at_;
        skip_space();
        if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
        for (;;) {
            value.items.emplace_back();
            if (!parse(value.items.back(), depth + 1)) return false;
            skip_space();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
            return fail("expected ',' or ']'");
        }
    }

    bool parse_string(std::string& out) {
        ++at_;  // the opening quote
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) break;
            const char e = text_[at_++];
            switch (e) {
                case '"': case '\\': case '/': out += e; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    if (at_ + 4 > text_.size()) return fail("bad \\u escape");
                    const unsigned code = static_cast<unsigned>(
                        std::strtoul(text_.substr(at_, 4).c_str(), nullptr, 16));
                    at_ += 4;
                    // The benchmark writes only ASCII; others become UTF-8.
                    if (code < 0x80) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | (code >> 6));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (code >> 12));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default: return fail("bad escape");
            }
        }
        return fail("unterminated string");
    }

    bool parse_number(json_value& value) {
        const char* start = text_.c_str() + at_;
        char* end = nullptr;
        const double number = std::strtod(start, &end);
        if (end == start || (*start != '-' && (*start < '0' || *start > '9'))) return fail("expected a value");
        value.kind = json_value::number;
        value.num = number;
        at_ += static_cast<size_t>(end - start);
        return true;
    }

    bool fail(const char* why) {
        if (error_.empty()) error_ = why;
        return false;
    }

    const std::string& text_;
    size_t at_ = 0;
    std::string error_;
};

}  // namespace

bool parse_json(const std::string& text, json_value& value, std::string& reason) {
    value = json_value{};
    return json_reader(text).document(value, reason);
}

std::string json_quote(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
                    out += code;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}
