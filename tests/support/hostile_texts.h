// Network names that try to break a text format, with the label value each must become in the
// Prometheus text (the same everywhere: only backslash, double quote and line feed are escaped).
// The report's and the service's Prometheus tests both run these rows; every text fits a day
// file's SSID field (32 bytes).
#pragma once

namespace tral::test {

struct HostileText {
  const char* what;
  const char* text;
  const char* label;  // the label value between its quotes
};

inline constexpr HostileText kHostileLabelTexts[] = {
    {"quotes, comma and a backslash", "Cafe \"net\", \\ok", "Cafe \\\"net\\\", \\\\ok"},
    {"a lone backslash at the end", "end\\", "end\\\\"},
    {"a line feed", "two\nlines", "two\\nlines"},
    {"a line that closes the labels and starts a sample", "x\"} 1\nevil_metric 1", "x\\\"} 1\\nevil_metric 1"},
    {"a comment line after a line feed", "a\n# TYPE evil counter", "a\\n# TYPE evil counter"},
    {"tab and carriage return stay as they are", "tab\there\r", "tab\there\r"},
    {"the format's own punctuation", "{a=\"b\",c}=#", "{a=\\\"b\\\",c}=#"},
    {"the field's full width", "0123456789ABCDEF0123456789ABCDEF", "0123456789ABCDEF0123456789ABCDEF"},
    {"empty", "", ""},
};

}  // namespace tral::test
