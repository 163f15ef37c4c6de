#include "writer/list_names.h"

namespace qmk {

std::vector<std::string> listNamesIn(std::string_view name, std::size_t limit) {
    std::vector<std::string> names;
    while (names.size() < limit) {
        const auto open = name.find('<');
        if (open == std::string_view::npos)
            break;
        const auto close = name.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        names.emplace_back(name.substr(open + 1, close - open - 1));
        name.remove_prefix(close + 1);
    }
    return names;
}

} // namespace qmk
