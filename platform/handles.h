#pragma once
// The handle kinds of the service and the updater, each owned by UniqueHandle.

#include <winsock2.h>
#include <windows.h>

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

using UniqueProcess = UniqueHandle<ProcessHandleTraits>;
using UniqueThread = UniqueHandle<ThreadHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueJob = UniqueHandle<JobHandleTraits>;
using UniqueEventSource = UniqueHandle<EventLogHandleTraits>;
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;

}  // namespace korvane::platform
