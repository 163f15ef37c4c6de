#include "common/trace.h"

namespace qmk {

Trace::Trace(const std::filesystem::path& file, const FileTime& today) : file_(file) {
    const auto modified = modificationTime(file);
    const bool sameDay = modified && mmddyy(*modified) == mmddyy(today);
    out_.open(file, std::ios::binary | (sameDay ? std::ios::app : std::ios::trunc));
}

void Trace::mark(const std::string& first, const std::string& second, const std::string& third) {
    if (!out_.is_open())
        return;
    // Flushed per line: the trace is read after a failure, when the program may not close cleanly.
    out_ << first << ' ' << second << ' ' << third << "\r\n" << std::flush;
}

} // namespace qmk
