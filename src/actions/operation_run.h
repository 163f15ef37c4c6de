#pragma once

#include "actions/operation_context.h"
#include "writer/update_engine.h"

#include <functional>
#include <memory>

namespace qmk::actions {

// One operation's run: an update engine on the open command file and the context the operation
// runs in, made together so that the context always writes through this engine. Each front end
// builds them in one place; an operation takes one, uses it and drops it.
class OperationRun {
public:
    OperationRun(EngineContext engineContext,
                 const std::function<OperationContext(UpdateEngine&)>& describeContext)
        : engine_(std::move(engineContext)), context_(describeContext(engine_)) {}
    OperationRun(const OperationRun&) = delete;
    OperationRun& operator=(const OperationRun&) = delete;

    OperationContext& context() { return context_; }
    UpdateEngine& engine() { return engine_; }

private:
    UpdateEngine engine_;
    OperationContext context_;
};

using OperationRunPtr = std::unique_ptr<OperationRun>;

} // namespace qmk::actions
