// Test helpers: a temporary folder; a real hostapd without a radio (driver=none), with its control folder,
// accept file and configuration in a temporary folder of its own; started and stopped by its process id.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "apd/core/hostapd_ctrl.h"

namespace apd_test {

inline constexpr const char* kHostapdProgram = "/usr/sbin/hostapd";

inline bool HostapdInstalled() {
    return ::access(kHostapdProgram, X_OK) == 0;
}

// A folder of its own under /tmp, removed with everything in it; an empty path when none could be made.
class TempFolder {
  public:
    TempFolder() {
        char path[] = "/tmp/apd_test_XXXXXX";
        m_path = ::mkdtemp(path) ? path : "";
    }
    ~TempFolder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }
    // Names in the folder, the temporary files of a rewrite included.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(m_path.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string m_path;
};

class HostapdProcess {
  public:
    ~HostapdProcess() { Stop(); } // the folder goes after

    std::string Folder() const { return m_folder.Path(); }
    std::string CtrlPath() const { return m_folder.Path() + "/ctrl/" + kInterface; }
    std::string AcceptPath() const { return m_folder.Path() + "/accept"; }
    std::string ConfigPath() const { return m_folder.Path() + "/hostapd.conf"; }

    // Writes the configuration (filter mode macaddrAcl) and the accept file.
    void Configure(int macaddrAcl, const std::string& accept) {
        const std::string conf = "# test access point\ndriver=none\ninterface=" + std::string(kInterface) +
                                 "\nctrl_interface=" + m_folder.Path() +
                                 "/ctrl\nmacaddr_acl=" + std::to_string(macaddrAcl) +
                                 "\naccept_mac_file=" + AcceptPath() + "\n";
        Write(ConfigPath(), conf);
        Write(AcceptPath(), accept);
    }

    // Starts hostapd from the files as they are now and waits (bounded) until it answers.
    bool Start() {
        const std::string log = m_folder.Path() + "/hostapd.log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::string program = kHostapdProgram, conf = ConfigPath();
        char* argv[] = {program.data(), conf.data(), nullptr};
        const bool spawned = posix_spawn(&m_pid, kHostapdProgram, &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        if (!spawned) {
            m_pid = -1;
            return false;
        }
        apd::HostapdCtrl probe(CtrlPath(), 200);
        for (int i = 0; i < 100; ++i) {
            std::string why;
            if (probe.Request("PING", why) == "PONG\n") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

  private:
    static constexpr const char* kInterface = "wlan9";

    static void Write(const std::string& path, const std::string& text) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << path;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }

    TempFolder m_folder;
    pid_t m_pid = -1;
};

} // namespace apd_test
