#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

namespace qmk {

// Work that may pause for a message loop (a wait for Dragon, a tool or a clock) without blocking
// the thread it runs on. A Task starts when it is awaited, or when `launch` or `runToEnd` starts
// it, and goes on to its end by itself once each pause is over. Where the loop waits in place (a
// command-line run, the tests) a Task runs to its end before `launch` returns; in the window it
// goes on from the window's event loop.
template <typename T = void> class Task;

// The coroutine machinery below keeps the names the language asks for (promise_type,
// await_ready, ...).
// NOLINTBEGIN(readability-identifier-naming)
namespace detail {

template <typename T> struct TaskPromiseBase {
    std::coroutine_handle<> continuation;
    std::exception_ptr error;

    std::suspend_always initial_suspend() noexcept { return {}; }
    struct Final {
        bool await_ready() noexcept { return false; }
        template <typename Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> done) noexcept {
            const auto next = done.promise().continuation;
            return next ? next : std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    Final final_suspend() noexcept { return {}; }
    void unhandled_exception() { error = std::current_exception(); }
};

template <typename T> struct TaskPromise : TaskPromiseBase<T> {
    std::optional<T> value;
    Task<T> get_return_object();
    void return_value(T result) { value = std::move(result); }
    T take() {
        if (this->error)
            std::rethrow_exception(this->error);
        return std::move(*value);
    }
};

template <> struct TaskPromise<void> : TaskPromiseBase<void> {
    Task<void> get_return_object();
    void return_void() {}
    void take() {
        if (error)
            std::rethrow_exception(error);
    }
};

} // namespace detail

template <typename T> class [[nodiscard]] Task {
public:
    using promise_type = detail::TaskPromise<T>;
    using Handle = std::coroutine_handle<promise_type>;

    explicit Task(Handle handle) : handle_(handle) {}
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            if (handle_)
                handle_.destroy();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() {
        if (handle_)
            handle_.destroy();
    }

    // Awaited from another task: runs, and the awaiting task goes on with its result.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume() { return handle_.promise().take(); }

    bool done() const { return handle_.done(); }

private:
    Handle handle_;
};

namespace detail {

template <typename T> Task<T> TaskPromise<T>::get_return_object() {
    return Task<T>{std::coroutine_handle<TaskPromise<T>>::from_promise(*this)};
}
inline Task<void> TaskPromise<void>::get_return_object() {
    return Task<void>{std::coroutine_handle<TaskPromise<void>>::from_promise(*this)};
}

// A started task that nobody awaits: it frees itself at its end. A failure that comes after a
// pause reaches whoever resumed it.
struct Detached {
    struct promise_type {
        Detached get_return_object() noexcept { return {}; }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_never final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() { throw; }
    };
};

template <typename T, typename Then> Detached runDetached(Task<T> task, Then then) {
    if constexpr (std::is_void_v<T>) {
        co_await task;
        then();
    } else {
        auto result = co_await task; // GCC 12 miscompiles co_await inside larger expressions
        then(std::move(result));
    }
}

} // namespace detail

// NOLINTEND(readability-identifier-naming)

// Starts `task`; `then` gets its result at its end, which may be before `launch` returns.
template <typename T, typename Then> void launch(Task<T> task, Then then) {
    detail::runDetached(std::move(task), std::move(then));
}
inline void launch(Task<void> task) {
    launch(std::move(task), [] {});
}

// For a caller whose loop waits in place: runs `task` to its end and gives back its result.
template <typename T> T runToEnd(Task<T> task) {
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> result;
    if constexpr (std::is_void_v<T>)
        launch(std::move(task), [&result] { result = true; });
    else
        launch(std::move(task), [&result](T value) { result = std::move(value); });
    if (!result)
        throw std::logic_error("a task that was to run to its end paused");
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}

} // namespace qmk
