#pragma once

#include <QString>
#include <string>

namespace qmk::app {

// The program's UTF-8 text as Qt holds it.
inline QString q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace qmk::app
