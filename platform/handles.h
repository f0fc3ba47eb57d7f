#pragma once
// The handle kinds of the service and the updater, each owned by UniqueHandle.

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/unique_handle.h"

namespace korvane::platform {

// Kernel objects: both null and INVALID_HANDLE_VALUE mean "none", since
// CreateFileW reports failure with the latter and most other calls with null.
struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct ProcessHandleTraits : KernelHandleTraits {};
struct ThreadHandleTraits : KernelHandleTraits {};
struct FileHandleTraits : KernelHandleTraits {};
struct JobHandleTraits : KernelHandleTraits {};
struct EventHandleTraits : KernelHandleTraits {};
struct EventLogHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::DeregisterEventSource(h); }
};

struct SocketTraits {
    using pointer = SOCKET;
    static pointer invalid() noexcept { return INVALID_SOCKET; }
    static bool isValid(pointer s) noexcept { return s != INVALID_SOCKET; }
    static void close(pointer s) noexcept { ::closesocket(s); }
};

struct ServiceHandleTraits {
    using pointer = SC_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::CloseServiceHandle(h); }
};

// Name-resolution results of GetAddrInfoW.
struct AddressInfoTraits {
    using pointer = ADDRINFOW*;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer list) noexcept { return list != nullptr; }
    static void close(pointer list) noexcept { ::FreeAddrInfoW(list); }
};

// The environment block of GetEnvironmentStringsW.
struct EnvironmentBlockTraits {
    using pointer = wchar_t*;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer block) noexcept { return block != nullptr; }
    static void close(pointer block) noexcept { ::FreeEnvironmentStringsW(block); }
};

struct RegistryKeyTraits {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer key) noexcept { return key != nullptr; }
    static void close(pointer key) noexcept { ::RegCloseKey(key); }
};

// Memory that the system allocated with LocalAlloc for the caller (security
// descriptors, SDDL texts, CommandLineToArgvW's array).
template <typename T>
struct LocalMemoryTraits {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static bool isValid(pointer memory) noexcept { return memory != nullptr; }
    static void close(pointer memory) noexcept { ::LocalFree(memory); }
};

using UniqueProcess = UniqueHandle<ProcessHandleTraits>;
using UniqueThread = UniqueHandle<ThreadHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueJob = UniqueHandle<JobHandleTraits>;
using UniqueEvent = UniqueHandle<EventHandleTraits>;
using UniqueEventSource = UniqueHandle<EventLogHandleTraits>;
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueAddressInfo = UniqueHandle<AddressInfoTraits>;
using UniqueEnvironmentBlock = UniqueHandle<EnvironmentBlockTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
template <typename T>
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits<T>>;

}  // namespace korvane::platform
