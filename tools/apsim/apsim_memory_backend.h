// The simulator's own list: an ordered vector in memory, gone when the simulator stops.
#pragma once

#include <cstddef>

#include <memory>

#include "apd/core/ap_backend.h"
#include "tools/apsim/apsim_engine.h"

namespace apsim {

using namespace apd;

class MemoryBackend : public Backend {
  public:
    MemoryBackend(std::vector<Mac> initialList, std::size_t capacity);

    AddResult Add(const Mac& mac, std::string& why) override;
    // The control port's add, with which a test sets up the list: past the capacity the protocol keeps to.
    AddResult Preload(const Mac& mac, std::string& why);
    DeleteResult Delete(const Mac& mac, std::string& why) override;
    std::optional<std::vector<Mac>> List(std::string& why) override;
    bool SetFilter(bool on, std::string& why) override;
    ApplyResult Apply(std::string& why) override;
    bool Clear(std::string& why) override;
    void Reset() override;
    std::optional<bool> Filter() const override { return m_filterOn; }

  private:
    std::vector<Mac> m_initialList;
    std::vector<Mac> m_list;
    std::size_t m_capacity;
    std::optional<bool> m_filterOn;
};

// The engine over a list in memory, as the tests and the demo run it.
inline SimEngine MemoryEngine(std::vector<Mac> initialList, std::size_t capacity, Faults faults) {
    return SimEngine(std::make_unique<MemoryBackend>(std::move(initialList), capacity), std::move(faults));
}

} // namespace apsim
