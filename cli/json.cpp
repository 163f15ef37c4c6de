#include "json.h"

#include <ostream>

namespace qmk::cli {

std::string compactJson(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void printJson(std::ostream& out, const Json& value) {
    out << value.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

} // namespace qmk::cli
