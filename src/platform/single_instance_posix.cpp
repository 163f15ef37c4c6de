#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qmk {

std::unique_ptr<SingleInstance> SingleInstance::acquire(const std::filesystem::path& lockFile) {
    const int descriptor = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return nullptr;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<SingleInstance>(
        new SingleInstance(static_cast<std::intptr_t>(descriptor)));
}

SingleInstance::~SingleInstance() {
    ::close(static_cast<int>(handle_));
}

} // namespace qmk
