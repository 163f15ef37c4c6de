#include "store/selection.h"

#include <algorithm>

namespace qmk {

Selection::Selection(std::vector<std::int64_t> ids) : ids_(std::move(ids)) {
    std::sort(ids_.begin(), ids_.end());
    ids_.erase(std::unique(ids_.begin(), ids_.end()), ids_.end());
}

std::string Selection::asJsonArray() const {
    std::string json = "[";
    json.reserve(ids_.size() * 7 + 2);
    for (const auto id : ids_) {
        if (json.size() > 1)
            json += ',';
        json += std::to_string(id);
    }
    return json + "]";
}

} // namespace qmk
