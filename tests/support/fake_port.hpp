#pragma once

#include "core/memory_port.hpp"

namespace orbek::test {

// Tests open port 2 unless they say otherwise, as a fresh status.ini does.
class FakePort : public MemoryPort {
  public:
    explicit FakePort(Scheduler& scheduler) : MemoryPort(scheduler) {
        openAny = false;
        openable = {2};
    }
};

} // namespace orbek::test
