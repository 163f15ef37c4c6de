#include "common/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <stdexcept>

namespace qmk {

Regex::Regex(std::string_view pattern, int options) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                          ((options & kBytes) ? 0u : PCRE2_UTF | PCRE2_MATCH_INVALID_UTF) |
                              ((options & kCaseless) ? PCRE2_CASELESS : 0u),
                          &error, &offset, nullptr);
    if (!code_) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(error, message, sizeof message);
        throw std::invalid_argument("bad pattern " + std::string(pattern) + ": " +
                                    reinterpret_cast<const char*>(message));
    }
    match_ = pcre2_match_data_create_from_pattern(code_, nullptr);
}

Regex::~Regex() {
    pcre2_match_data_free(match_);
    pcre2_code_free(code_);
}

std::optional<Regex::Match> Regex::find(std::string_view subject) const {
    const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                               0, 0, match_, nullptr);
    if (rc < 0)
        return std::nullopt;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match_);
    return Match{ovector[0], ovector[1] - ovector[0]};
}

std::string Regex::replaceFirst(std::string_view subject, std::string_view replacement) const {
    const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                               0, 0, match_, nullptr);
    if (rc < 0)
        return std::string(subject);
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match_);
    const auto groups = static_cast<std::size_t>(rc);
    std::string result(subject.substr(0, ovector[0]));
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        if (c == '$' && i + 1 < replacement.size() && replacement[i + 1] >= '1' &&
            replacement[i + 1] <= '9') {
            const auto group = static_cast<std::size_t>(replacement[++i] - '0');
            if (group < groups && ovector[2 * group] != PCRE2_UNSET)
                result +=
                    subject.substr(ovector[2 * group], ovector[2 * group + 1] - ovector[2 * group]);
        } else {
            result += c;
        }
    }
    result += subject.substr(ovector[1]);
    return result;
}

std::string regexEscape(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos)
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace qmk
