// The simulator's own list in memory, with a capacity like a small AP's table.
#include "tools/apsim/apsim_memory_backend.h"

#include <algorithm>

namespace apsim {

MemoryBackend::MemoryBackend(std::vector<Mac> initialList, std::size_t capacity)
    : m_initialList(std::move(initialList)), m_list(m_initialList), m_capacity(capacity) {}

AddResult MemoryBackend::Add(const Mac& mac, std::string& why) {
    // A listed MAC is answered as listed even when the list is full.
    if (m_list.size() >= m_capacity && std::find(m_list.begin(), m_list.end(), mac) == m_list.end()) {
        why = "list full";
        return AddResult::Full;
    }
    return Preload(mac, why);
}

AddResult MemoryBackend::Preload(const Mac& mac, std::string&) {
    if (std::find(m_list.begin(), m_list.end(), mac) != m_list.end()) return AddResult::AlreadyListed;
    m_list.push_back(mac);
    return AddResult::Added;
}

DeleteResult MemoryBackend::Delete(const Mac& mac, std::string&) {
    const auto it = std::find(m_list.begin(), m_list.end(), mac);
    if (it == m_list.end()) return DeleteResult::NotListed;
    m_list.erase(it);
    return DeleteResult::Deleted;
}

std::optional<std::vector<Mac>> MemoryBackend::List(std::string&) {
    return m_list;
}

bool MemoryBackend::SetFilter(bool on, std::string&) {
    m_filterOn = on;
    return true;
}

ApplyResult MemoryBackend::Apply(std::string&) {
    return ApplyResult::Written; // nothing outlives the simulator
}

bool MemoryBackend::Clear(std::string&) {
    m_list.clear();
    return true;
}

void MemoryBackend::Reset() {
    m_list = m_initialList;
    m_filterOn.reset();
}

} // namespace apsim
