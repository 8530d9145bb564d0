// The AP's list kept by a running hostapd: its runtime accept list through the control interface, and
// "apply" written to its accept_mac_file and configuration file so that a restart keeps it.
#pragma once

#include <memory>

#include "apd/core/ap_backend.h"
#include "apd/core/hostapd_ctrl.h"
#include "apd/core/hostapd_files.h"

namespace apd {

struct HostapdPaths {
    std::string acceptFile; // the interface's accept_mac_file
    std::string configPath; // hostapd's configuration file
    std::string iface;      // the interface: the control socket's name
};

// The interface a control socket path belongs to: its last path element.
std::string InterfaceOfControlPath(const std::string& ctrlPath);

// Before serving: the configuration names an accept_mac_file for iface, and it is paths.acceptFile.
// Otherwise "apply" would write a file hostapd never reads.
bool CheckHostapdSetup(const HostapdPaths& paths, std::string& why);

class HostapdBackend : public Backend {
  public:
    HostapdBackend(std::unique_ptr<ControlChannel> channel, HostapdPaths paths);

    AddResult Add(const Mac& mac, std::string& why) override;
    DeleteResult Delete(const Mac& mac, std::string& why) override;
    // In hostapd's order; an entry 00:00:00:00:00:00 is left out, as it would end the list on the wire.
    std::optional<std::vector<Mac>> List(std::string& why) override;
    bool SetFilter(bool on, std::string& why) override;
    // Writes only the files whose bytes on disk differ from what they should hold.
    ApplyResult Apply(std::string& why) override;
    bool Clear(std::string& why) override;
    void Reset() override {} // the list is hostapd's, not ours to put back
    std::optional<bool> Filter() const override { return m_filterOn; }

  private:
    struct Shown {
        std::vector<AclEntry> entries;
        std::size_t replyBytes = 0;
        bool Has(const Mac& mac) const;
    };
    std::optional<Shown> Show(std::string& why);
    bool Ok(const std::string& command, std::string& why);

    std::unique_ptr<ControlChannel> m_channel;
    HostapdPaths m_paths;
    // hostapd 2.10 answers "GET macaddr_acl" with FAIL: the mode is known once we have set it.
    std::optional<bool> m_filterOn;
};

} // namespace apd
