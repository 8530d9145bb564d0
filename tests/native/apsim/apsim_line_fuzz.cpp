// Fuzz target: bytes from the wire, in chunks, through the line framer and the engine into the hostapd
// backend; every control command that reaches "hostapd" must be one of the exact forms, built from six bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "apd/core/ap_engine.h"
#include "apd/core/ap_lines.h"
#include "apd/core/hostapd_backend.h"

using namespace apd;

namespace {

bool IsColonMac(std::string_view text) {
    if (text.size() != 17) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = i % 3 == 2 ? c == ':' : (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (!ok) return false;
    }
    return text != "00:00:00:00:00:00";
}

// hostapd as far as the protocol reaches it; anything but the exact commands ends the run.
class CheckingHostapd : public ControlChannel {
  public:
    std::optional<std::string> Request(std::string_view command, std::string&) override {
        if (command == "ACCEPT_ACL SHOW") {
            std::string reply;
            for (const std::string& mac : m_acl)
                reply += mac + " VLAN_ID=0\n";
            return reply;
        }
        if (command == "SET macaddr_acl 0" || command == "SET macaddr_acl 1") return "OK\n";
        const bool add = command.starts_with("ACCEPT_ACL ADD_MAC ");
        const bool del = command.starts_with("ACCEPT_ACL DEL_MAC ");
        if (!(add || del) || !IsColonMac(command.substr(19))) std::abort();
        const std::string mac(command.substr(19));
        std::erase(m_acl, mac);
        if (add) m_acl.push_back(mac);
        return "OK\n";
    }

  private:
    std::vector<std::string> m_acl;
};

std::string g_folder;

void WriteSmallFile(const std::string& path, const std::string& text) {
    std::string why;
    if (!WriteFileAtomically(path, text, why)) std::abort();
}

bool IsAnswer(const std::string& answer) {
    if (answer == common::kWireRefused || answer == common::kWireAccepted || answer == "701 filter on" ||
        answer == "701 filter off")
        return true;
    return answer.starts_with("701LIST") && answer.ends_with("701LIST00 00 00 00 00 00") &&
           answer.size() % kEntrySize == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // "apply" writes here; memory-backed where there is one, so that syncs cost nothing.
    char shm[] = "/dev/shm/apsim_line_fuzz_XXXXXX";
    char tmp[] = "/tmp/apsim_line_fuzz_XXXXXX";
    const char* folder = ::mkdtemp(shm);
    if (folder == nullptr) folder = ::mkdtemp(tmp);
    if (folder == nullptr) std::abort();
    g_folder = folder;
    WriteSmallFile(g_folder + "/hostapd.conf", "interface=wlan0\naccept_mac_file=" + g_folder + "/accept\n");
    std::atexit([] {
        ::unlink((g_folder + "/accept").c_str());
        ::unlink((g_folder + "/hostapd.conf").c_str());
        ::rmdir(g_folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const HostapdPaths paths{g_folder + "/accept", g_folder + "/hostapd.conf", "wlan0"};
    Engine engine(std::make_unique<HostapdBackend>(std::make_unique<CheckingHostapd>(), paths));

    // The first byte sets how the rest arrives: in segments of 1 to 64 bytes.
    const std::size_t chunk = data[0] % 64 + 1;
    const std::string_view wire(reinterpret_cast<const char*>(data + 1), size - 1);
    LineFramer framer;
    std::vector<LineFramer::Line> lines;
    for (std::size_t at = 0; at < wire.size(); at += chunk) {
        lines.clear();
        framer.Feed(wire.substr(at, chunk), lines);
        for (const LineFramer::Line& line : lines) {
            if (line.text.empty() || line.text.size() > kMaxCommandLine) std::abort();
            if (!line.overlong && line.text.find_first_of("\r\n") != std::string::npos) std::abort();
            const Command command = line.overlong ? Command{} : ParseCommandLine(line.text);
            const std::string answer = engine.Answer(line.text, line.overlong);
            const bool silent =
                command.kind == CommandKind::Apply || command.kind == CommandKind::CloseRequest;
            if (silent ? !answer.empty() : !IsAnswer(answer)) std::abort();
        }
        if (framer.Pending() > kMaxCommandLine) std::abort();
    }

    // hostapd's list answer is outside bytes too.
    std::string why;
    if (const auto entries = ParseAclShow(wire, why)) {
        if (entries->size() * kAclShowLineNoVlan > wire.size()) std::abort();
    }
    return 0;
}
