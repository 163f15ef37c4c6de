#include "format/keynames.h"

#include "common/text.h"

#include <fstream>
#include <sstream>

namespace qmk {

std::optional<KeyNames> KeyNames::load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return fromText(text.str());
}

KeyNames KeyNames::fromText(std::string_view text) {
    KeyNames table;
    std::size_t k = 1;
    std::size_t start = 0;
    while (start < text.size() && k < kEntries) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        auto line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto name = trimBlanks(line);
        table.names_[k++] = name.empty() ? "Unknown" : std::string(name);
        start = end + 1;
    }
    return table;
}

} // namespace qmk
