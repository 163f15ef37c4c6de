#pragma once

#include "actions/file_session.h"
#include "writer/update_engine.h"

#include <functional>
#include <memory>

namespace qmk::actions {

// An update engine on the open command file and the session an operation runs in, made
// together so that the session always writes through this engine. Each front end builds them
// in one place; an operation takes one, uses it and drops it.
class WriteSession {
public:
    WriteSession(EngineContext context,
                 const std::function<FileSession(UpdateEngine&)>& describeSession)
        : engine_(std::move(context)), session_(describeSession(engine_)) {}
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;

    FileSession& session() { return session_; }
    UpdateEngine& engine() { return engine_; }

private:
    UpdateEngine engine_;
    FileSession session_;
};

using WriteSessionPtr = std::unique_ptr<WriteSession>;

} // namespace qmk::actions
