#pragma once

#include <optional>
#include <string>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

namespace qmk {

// A PCRE2 pattern over UTF-8 text, compiled once, or with kBytes over single-byte text (the
// command file's Windows-1252, where "." is one byte, one character). Matching searches
// anywhere in the subject.
class Regex {
public:
    enum Options { kCaseSensitive = 0, kCaseless = 1, kBytes = 2 };
    explicit Regex(std::string_view pattern, int options = kCaseless);
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    struct Match {
        std::size_t start;
        std::size_t length;
    };
    std::optional<Match> find(std::string_view subject) const;
    bool matches(std::string_view subject) const { return find(subject).has_value(); }
    // Replaces the first match; $1 to $9 stand for the capture groups (an unset group is empty).
    std::string replaceFirst(std::string_view subject, std::string_view replacement) const;

private:
    pcre2_real_code_8* code_ = nullptr;
    pcre2_real_match_data_8* match_ = nullptr;
};

// A text with every character that patterns treat specially escaped.
std::string regexEscape(std::string_view text);

} // namespace qmk
