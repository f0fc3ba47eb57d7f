#pragma once
// An install tree for the runtime under a temp folder: the service's folder
// with the naive.exe and sing-box.exe stand-ins in runtime\, its layout, a
// loopback "server" that accepts connections, and a way to see which
// stand-ins run.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/process/runtime_layout.h"
#include "tests/support/loopback.h"
#include "tests/support/temp_tree.h"

namespace korvane::test {

class RuntimeTree {
  public:
    // Stages the tree; the slots are emptied when the tree goes away.
    RuntimeTree();
    RuntimeTree(const RuntimeTree&) = delete;
    RuntimeTree& operator=(const RuntimeTree&) = delete;
    ~RuntimeTree();

    const std::filesystem::path& serviceFolder() const { return serviceFolder_; }
    std::filesystem::path dataFolder() const { return serviceFolder_ / "data"; }
    std::filesystem::path program(const char* name) const;

    // The layout of a service executable in the service folder.
    const runtime::RuntimeLayout& layout() const { return layout_; }

    // The port of a listener that takes connections like a reachable server.
    std::uint16_t serverPort() const { return server_.port(); }

    // Ids of the running processes started from this tree's copy of the
    // program ("naive" or "sing-box").
    std::vector<DWORD> running(const char* name) const;

  private:
    TempTree temp_;
    std::filesystem::path serviceFolder_;
    runtime::RuntimeLayout layout_;
    LoopbackListener server_;
};

// The start request's two members for a server on 127.0.0.1:`port`.
std::string splitSettingsJson();
std::string serverJson(std::uint16_t port, const std::string& protocol = "naiveproxy");

}  // namespace korvane::test
