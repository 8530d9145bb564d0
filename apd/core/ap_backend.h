// Where the AP's MAC list lives: the engine reads the wire, a backend keeps the list (memory or hostapd).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/core/ap_wire.h"

namespace apd {

using Mac = common::WireMac;

enum class AddResult { Added, AlreadyListed, Full, Failed };
enum class DeleteResult { Deleted, NotListed, Failed };
// PartlyWritten: one file was replaced and the next was not; the two disagree until an apply succeeds.
enum class ApplyResult { Written, Unchanged, Failed, PartlyWritten };

// Every call gets MACs already parsed into six bytes, never text from the wire. Failures say why in `why`
// (it goes into the command log).
class Backend {
  public:
    virtual ~Backend() = default;

    virtual AddResult Add(const Mac& mac, std::string& why) = 0;
    virtual DeleteResult Delete(const Mac& mac, std::string& why) = 0;
    // The list in the order the program is to show it; nullopt when it cannot be read.
    virtual std::optional<std::vector<Mac>> List(std::string& why) = 0;
    // on: only listed stations are accepted.
    virtual bool SetFilter(bool on, std::string& why) = 0;
    // Makes the current list and filter mode survive a restart of the AP; Unchanged when it already would.
    virtual ApplyResult Apply(std::string& why) = 0;
    virtual bool Clear(std::string& why) = 0;
    // The state at start, as far as the backend owns it.
    virtual void Reset() = 0;
    // The last filter mode set; nullopt before the first.
    virtual std::optional<bool> Filter() const = 0;
};

} // namespace apd
