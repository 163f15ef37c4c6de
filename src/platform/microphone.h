#pragma once

#include <cstdint>

namespace qmk {

// Dragon's microphone control. State 1 keeps the microphone off while the user reloads.
class Microphone {
public:
    virtual ~Microphone() = default;
    virtual bool registerClient() = 0;
    virtual std::int32_t state() = 0;
    virtual void setState(std::int32_t state) = 0;
};

class SimulatedMicrophone final : public Microphone {
public:
    explicit SimulatedMicrophone(std::int32_t state = 0) : state_(state) {}
    bool registerClient() override { return true; }
    std::int32_t state() override { return state_; }
    void setState(std::int32_t state) override { state_ = state; }

private:
    std::int32_t state_;
};

} // namespace qmk
