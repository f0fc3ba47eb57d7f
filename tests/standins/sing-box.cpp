// Stands in for sing-box.exe in tests. It records where it ran and how it was
// called, prints a few lines to standard output and standard error, and then
// behaves as the environment variable KORVANE_SINGBOX_MODE says:
//   "stay" (or unset)  keeps running until it is ended;
//   "exit"             exits at once with code 3;
//   "exit-after-5s"    exits with code 4 after 5 seconds.
// KORVANE_SINGBOX_RECORD names a file that receives three UTF-8 lines: the
// working directory, the raw command line (parse it with CommandLineToArgvW)
// and the process id.
//
// A console Ctrl+C makes it print "sing-box stand-in interrupted" and exit,
// as sing-box does after closing its TUN interface, with code 130, which tells
// the tests this way out from a termination (1) and from the system's
// default Ctrl+C handling; with KORVANE_SINGBOX_INTERRUPT=ignore it takes no
// notice.
//
// With KORVANE_TUN_REQUESTS (the folder of tests/with_tun_devices.sh) it has
// the interface of its "-c" configuration made for it as a TUN device at its
// start (after KORVANE_SINGBOX_ADAPTER_DELAY_MS, default 0), and deleted when
// it exits on its own or on a Ctrl+C; one that is terminated leaves its device
// behind, like a sing-box.exe whose adapter lingers.

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/standins/standin_support.h"

using namespace korvane::standin;

namespace {

// The interface of the configuration after "-c": its name and address.
struct Interface {
    std::string name;
    std::string address;
};

Interface configuredInterface() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::wstring config;
    for (int i = 1; arguments != nullptr && i + 1 < count; ++i) {
        if (std::wstring(arguments[i]) == L"-c") {
            config = arguments[i + 1];
        }
    }
    ::LocalFree(arguments);
    std::ifstream file{std::filesystem::path(config)};
    const auto document = nlohmann::json::parse(std::istreambuf_iterator<char>(file),
                                                std::istreambuf_iterator<char>(), nullptr, false);
    if (document.is_discarded()) {
        return {};
    }
    using Pointer = nlohmann::json::json_pointer;
    return {document.value(Pointer("/inbounds/0/interface_name"), ""),
            document.value(Pointer("/inbounds/0/address/0"), "")};
}

Interface device;  // made at the start, when there is a requests folder

// Asks the device helper for `<name>.<verb>` (up, with the address, or
// down); it picks up only whole requests, so the file is written beside it
// and moved.
void requestDevice(const wchar_t* verb) {
    const std::wstring folder = variable(L"KORVANE_TUN_REQUESTS");
    if (folder.empty() || device.name.empty()) {
        return;
    }
    const std::wstring request = folder + L"\\" + korvane::widen(device.name) + L"." + verb;
    {
        std::ofstream file(std::filesystem::path(request + L".partial"), std::ios::binary);
        file << device.address << "\n";
    }
    ::MoveFileExW((request + L".partial").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING);
}

int finish(int code) {
    requestDevice(L"down");
    return code;
}

BOOL WINAPI onInterrupt(DWORD event) {
    if (event != CTRL_C_EVENT || variable(L"KORVANE_SINGBOX_INTERRUPT") == L"ignore") {
        return event == CTRL_C_EVENT;
    }
    print(STD_OUTPUT_HANDLE, "sing-box stand-in interrupted\n");
    ::ExitProcess(static_cast<UINT>(finish(130)));
}

}  // namespace

int main() {
    ::SetConsoleCtrlHandler(onInterrupt, TRUE);
    if (const std::wstring path = variable(L"KORVANE_SINGBOX_RECORD"); !path.empty()) {
        writeRecord(path);
    }
    for (int i = 1; i <= 3; ++i) {
        print(STD_OUTPUT_HANDLE, "sing-box stand-in line " + std::to_string(i) + "\n");
    }
    print(STD_ERROR_HANDLE, "sing-box stand-in error line\n");
    if (!variable(L"KORVANE_TUN_REQUESTS").empty()) {
        ::Sleep(static_cast<DWORD>(_wtoi(variable(L"KORVANE_SINGBOX_ADAPTER_DELAY_MS").c_str())));
        device = configuredInterface();
        requestDevice(L"up");
    }

    const std::wstring mode = variable(L"KORVANE_SINGBOX_MODE");
    if (mode == L"exit") {
        return finish(3);
    }
    if (mode == L"exit-after-5s") {
        ::Sleep(5000);
        return finish(4);
    }
    for (;;) {
        ::Sleep(INFINITE);
    }
}
