#include "mainwindow/typed_choice.h"

#include "common/codepage.h"
#include "session/file_utilities.h"

#include <array>

namespace qmk {

namespace {

std::string folded(std::string_view text) {
    return codepage::toUpper(codepage::fromUtf8(text).bytes);
}

} // namespace

int bestMatch(const std::vector<std::string>& entries, std::string_view typed) {
    const auto wanted = folded(typed);
    if (wanted.empty())
        return -1;
    using Fits = bool (*)(const std::string&, const std::string&);
    const std::array<Fits, 3> tries{
        [](const std::string& name, const std::string& text) { return name == text; },
        [](const std::string& name, const std::string& text) { return name.starts_with(text); },
        [](const std::string& name, const std::string& text) {
            return name.find(text) != std::string::npos;
        }};
    // Each entry folded once; a separator is no name and matches nothing.
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const auto& entry : entries)
        names.push_back(entry == "-" ? std::string() : folded(stripSpokenNumber(entry)));
    for (const auto fits : tries)
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!names[i].empty() && fits(names[i], wanted))
                return static_cast<int>(i);
    return -1;
}

} // namespace qmk
