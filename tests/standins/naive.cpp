// Stands in for naive.exe in tests: a small SOCKS5 server on 127.0.0.1:1080
// that answers the method negotiation. It records where it ran and how it was
// called, prints a line to standard output and one to standard error, and
// behaves as the environment variable KORVANE_NAIVE_MODE says:
//   "ready" (or unset)  listens at once and answers 05 00;
//   "silent"            never listens and keeps running;
//   "refuse"            listens at once and answers 05 FF;
//   "exit"              prints 20 numbered lines and exits at once with code 3;
//   "late"              listens after KORVANE_NAIVE_DELAY_MS (default 2000) ms
//                       and then answers 05 00;
//   "flood"             writes 40 MiB of numbered lines to standard output in
//                       64 KiB writes, then "naive stand-in flood done", and
//                       exits at once with code 3;
//   "timed"             writes 4 MiB in 64 KiB writes, then puts the time each
//                       write took, in milliseconds, one a line, into the file
//                       KORVANE_NAIVE_TIMES names, and exits with code 3;
//   "orphan"            starts the sleeper stand-in beside it for 8 seconds
//                       with its own standard output, prints "naive stand-in
//                       left a program running" and exits at once with code 3.
// It exits with code 2 when the port cannot be bound. KORVANE_NAIVE_RECORD
// names a file that receives three UTF-8 lines: the working directory, the
// raw command line (parse it with CommandLineToArgvW) and the process id.

#include <windows.h>
#include <winsock2.h>

#include <cwchar>
#include <string>

#include "platform/winsock.h"
#include "tests/standins/standin_support.h"

namespace {

using namespace korvane::standin;

// Reads the greeting (version, method count, methods), answers, then waits
// for the client to close first so that port 1080 keeps no TIME_WAIT entry,
// and closes abortively in any case.
void serve(SOCKET client, unsigned char method) {
    DWORD timeout = 2000;
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout);
    unsigned char greeting[257];
    int have = 0;
    while (have < 2 || have < 2 + greeting[1]) {
        const int got = ::recv(client, reinterpret_cast<char*>(greeting) + have,
                               static_cast<int>(sizeof greeting) - have, 0);
        if (got <= 0) {
            break;
        }
        have += got;
    }
    if (have >= 2) {
        const char reply[2] = {5, static_cast<char>(method)};
        ::send(client, reply, 2, 0);
        char rest[64];
        while (::recv(client, rest, sizeof rest, 0) > 0) {
        }
    }
    linger abortive{1, 0};
    ::setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    ::closesocket(client);
}

int listenAndServe(unsigned char method) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = korvane::platform::loopbackAddress(1080);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
        print(STD_ERROR_HANDLE, "naive stand-in: cannot listen on 127.0.0.1:1080 (error " +
                                    std::to_string(::WSAGetLastError()) + ")\n");
        return 2;
    }
    print(STD_OUTPUT_HANDLE, "naive stand-in listening on 127.0.0.1:1080\n");
    for (;;) {
        const SOCKET client = ::accept(listener, nullptr, nullptr);
        if (client != INVALID_SOCKET) {
            serve(client, method);
        }
    }
}

// Lines "naive stand-in output line <n>" padded to 64 bytes, 1024 of them
// (64 KiB) per write; `wrote` gets each write's duration.
template <typename Wrote>
void writeLines(int writes, Wrote wrote) {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    std::string chunk;
    for (int write = 0, n = 0; write < writes; ++write) {
        chunk.clear();
        for (int i = 0; i < 1024; ++i) {
            std::string line = "naive stand-in output line " + std::to_string(++n);
            line.resize(63, '.');
            chunk += line + "\n";
        }
        LARGE_INTEGER before{};
        LARGE_INTEGER after{};
        ::QueryPerformanceCounter(&before);
        print(STD_OUTPUT_HANDLE, chunk);
        ::QueryPerformanceCounter(&after);
        wrote((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart);
    }
}

int flood() {
    writeLines(640, [](long long) {});
    print(STD_OUTPUT_HANDLE, "naive stand-in flood done\n");
    return 3;
}

int timedWrites() {
    std::string times;
    writeLines(64, [&](long long milliseconds) { times += std::to_string(milliseconds) + "\n"; });
    const std::wstring path = variable(L"KORVANE_NAIVE_TIMES");
    const std::wstring partial = path + L".partial";
    {
        const korvane::platform::UniqueFile file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0,
                                                               nullptr, CREATE_ALWAYS,
                                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), times.data(), static_cast<DWORD>(times.size()), &written, nullptr);
    }
    ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    return 3;
}

int leaveProgramRunning() {
    wchar_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring sleeper(self, length);
    sleeper.replace(sleeper.find_last_of(L'\\') + 1, std::wstring::npos, L"sleeper.exe");
    std::wstring commandLine = L"\"" + sleeper + L"\" 8000";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(sleeper.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         nullptr, &startup, &started)) {
        ::CloseHandle(started.hProcess);
        ::CloseHandle(started.hThread);
    }
    print(STD_OUTPUT_HANDLE, "naive stand-in left a program running\n");
    return 3;
}

}  // namespace

int main() {
    if (const std::wstring path = variable(L"KORVANE_NAIVE_RECORD"); !path.empty()) {
        writeRecord(path);
    }
    print(STD_OUTPUT_HANDLE, "naive stand-in started\n");
    print(STD_ERROR_HANDLE, "naive stand-in error stream\n");

    const std::wstring mode = variable(L"KORVANE_NAIVE_MODE");
    if (mode == L"silent") {
        for (;;) {
            ::Sleep(INFINITE);
        }
    }
    if (mode == L"exit") {
        for (int i = 1; i <= 20; ++i) {
            print(i % 2 == 0 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE,
                  "naive stand-in line " + std::to_string(i) + "\n");
        }
        return 3;
    }
    if (mode == L"flood") {
        return flood();
    }
    if (mode == L"timed") {
        return timedWrites();
    }
    if (mode == L"orphan") {
        return leaveProgramRunning();
    }
    if (mode == L"late") {
        const std::wstring delay = variable(L"KORVANE_NAIVE_DELAY_MS");
        ::Sleep(delay.empty() ? 2000
                              : static_cast<DWORD>(std::wcstoul(delay.c_str(), nullptr, 10)));
    }
    return listenAndServe(mode == L"refuse" ? 0xFF : 0x00);
}
