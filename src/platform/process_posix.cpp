#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qmk {

std::optional<HiddenProcess> HiddenProcess::run(const std::vector<std::string>& arguments,
                                                const Output& output) {
    if (arguments.empty())
        return std::nullopt;
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [descriptor, file] : {std::pair{1, &output.out}, std::pair{2, &output.err}})
        if (!file->empty())
            posix_spawn_file_actions_addopen(&actions, descriptor, file->c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    return HiddenProcess(static_cast<std::intptr_t>(child));
}

HiddenProcess::HiddenProcess(HiddenProcess&& other) noexcept
    : handle_(other.handle_), ended_(other.ended_), status_(other.status_) {
    other.ended_ = true;
}

HiddenProcess::~HiddenProcess() {
    if (!ended_)
        wait();
}

bool HiddenProcess::running() {
    if (ended_)
        return false;
    int status = 0;
    const auto child = static_cast<pid_t>(handle_);
    if (waitpid(child, &status, WNOHANG) != child)
        return true;
    ended_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

int HiddenProcess::wait() {
    if (!ended_) {
        int status = 0;
        waitpid(static_cast<pid_t>(handle_), &status, 0);
        ended_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return status_;
}

} // namespace qmk
