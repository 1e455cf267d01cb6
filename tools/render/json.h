#pragma once
// Just enough JSON for the benchmark: writing strings, and reading back a
// document written by an earlier build (objects, arrays, strings, numbers,
// true, false, null).

#include <map>
#include <string>
#include <vector>

struct json_value {
    enum kind_t { null_value, boolean, number, string, array, object };

    kind_t kind = null_value;
    bool flag = false;
    double num = 0.0;
    std::string text;
    std::vector<json_value> items;              // array
    std::map<std::string, json_value> members;  // object

    // The member of an object, or null when it is not an object or lacks it.
    const json_value* find(const std::string& key) const;
};

// Parses a whole document; false with a reason (and the byte offset) when
// the text is not JSON.
bool parse_json(const std::string& text, json_value& value, std::string& reason);

// A JSON string literal, quotes included.
std::string json_quote(const std::string& text);
