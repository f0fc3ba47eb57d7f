#include "runtime/process/output_copier.h"

#include <exception>
#include <utility>

#include "common/clock.h"
#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "platform/write_all.h"

namespace korvane::runtime {
namespace {

using platform::lastOsErrorText;

constexpr DWORD kReadBytes = 64 * 1024;

// The log file, kept positioned at its end.
class WindowsLogFile final : public LogFile {
  public:
    explicit WindowsLogFile(HANDLE file) : file_(file) {}

    Status append(std::string_view bytes) override { return platform::writeAll(file_, bytes); }

    Result<std::string> readFrom(std::size_t offset) override {
        LARGE_INTEGER end{};
        if (!::SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END)) {
            return fail(lastOsErrorText());
        }
        std::string bytes(static_cast<std::size_t>(end.QuadPart) - offset, '\0');
        KORVANE_TRY(moveTo(offset));
        std::size_t have = 0;
        while (have < bytes.size()) {
            DWORD got = 0;
            if (!::ReadFile(file_, bytes.data() + have, static_cast<DWORD>(bytes.size() - have),
                            &got, nullptr)) {
                return fail(lastOsErrorText());
            }
            if (got == 0) {
                return fail(platform::osErrorText(ERROR_HANDLE_EOF));
            }
            have += got;
        }
        return bytes;
    }

    Status rewrite(std::size_t offset, std::string_view bytes) override {
        KORVANE_TRY(moveTo(offset));
        KORVANE_TRY(platform::writeAll(file_, bytes));
        if (!::SetEndOfFile(file_)) {
            return fail(lastOsErrorText());
        }
        return {};
    }

  private:
    Status moveTo(std::size_t offset) {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) {
            return fail(lastOsErrorText());
        }
        return {};
    }

    HANDLE file_;
};

Result<platform::UniqueEvent> createEvent() {
    platform::UniqueEvent event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
        return fail(lastOsErrorText());
    }
    return event;
}

DWORD milliseconds(Clock::Duration duration) {
    const auto count = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return count <= 0 ? 0 : static_cast<DWORD>(count);
}

}  // namespace

Result<std::unique_ptr<OutputCopier>> OutputCopier::start(platform::UniqueFile log,
                                                          std::size_t bannerSize,
                                                          std::string logName,
                                                          platform::UniqueFile pipe,
                                                          HANDLE process) {
    platform::UniqueProcess watched;
    if (!::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), watched.put(),
                           SYNCHRONIZE, FALSE, 0)) {
        return fail(lastOsErrorText());
    }
    KORVANE_TRY_ASSIGN(platform::UniqueEvent stop, createEvent());
    KORVANE_TRY_ASSIGN(platform::UniqueEvent readDone, createEvent());
    KORVANE_TRY_ASSIGN(platform::UniqueEvent drained, createEvent());
    std::unique_ptr<OutputCopier> copier(new OutputCopier(
        std::move(log), bannerSize, std::move(logName), std::move(pipe), std::move(watched),
        std::move(stop), std::move(readDone), std::move(drained)));
    // A thread that does not start leaves the copier to its destructor, which
    // ends the one that did.
    try {
        copier->reader_ = std::thread(&OutputCopier::readPipe, copier.get());
        copier->writer_ = std::thread(&OutputCopier::writeLog, copier.get());
    } catch (const std::exception& error) {
        return fail(std::string("Could not start copying the output: ") + error.what());
    }
    return copier;
}

OutputCopier::OutputCopier(platform::UniqueFile log, std::size_t bannerSize, std::string logName,
                           platform::UniqueFile pipe, platform::UniqueProcess process,
                           platform::UniqueEvent stop, platform::UniqueEvent readDone,
                           platform::UniqueEvent drained)
    : log_(std::move(log)),
      bannerSize_(bannerSize),
      logName_(std::move(logName)),
      pipe_(std::move(pipe)),
      process_(std::move(process)),
      stop_(std::move(stop)),
      readDone_(std::move(readDone)),
      drained_(std::move(drained)) {}

OutputCopier::~OutputCopier() {
    if (writer_.joinable() && ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) {
        awaitDrained();
    }
    ::SetEvent(stop_.get());
    if (reader_.joinable()) {
        reader_.join();
    }
    if (writer_.joinable()) {
        writer_.join();
    }
}

void OutputCopier::awaitDrained() {
    ::WaitForSingleObject(drained_.get(), static_cast<DWORD>(kDrainWait.count()));
}

void OutputCopier::readPipe() noexcept {
    try {
        readUntilEnd();
    } catch (...) {
        // The output from here on is lost; the writer still ends.
    }
    // N.B. Closed as soon as nobody reads it, so that a program still holding
    // its write end gets an error rather than waiting on a full pipe.
    pipe_.reset();
    const std::lock_guard lock(mutex_);
    readerEnded_ = true;
    changed_.notify_one();
}

void OutputCopier::readUntilEnd() {
    LineCutter cutter;
    std::string buffer(kReadBytes, '\0');
    OVERLAPPED read{};
    read.hEvent = readDone_.get();
    bool exited = false;
    Clock::TimePoint giveUp;
    for (;;) {
        if (exited && systemClock().now() >= giveUp) {
            return;
        }
        if (!::ReadFile(pipe_.get(), buffer.data(), kReadBytes, nullptr, &read) &&
            ::GetLastError() != ERROR_IO_PENDING) {
            return;  // the end of the pipe (every writer closed it), or a failure
        }
        for (;;) {
            const HANDLE events[] = {readDone_.get(), stop_.get(), process_.get()};
            const DWORD woken = ::WaitForMultipleObjects(
                exited ? 2 : 3, events, FALSE,
                exited ? milliseconds(giveUp - systemClock().now()) : INFINITE);
            if (woken == WAIT_OBJECT_0) {
                break;
            }
            if (woken == WAIT_OBJECT_0 + 2) {
                exited = true;
                giveUp = systemClock().now() + kDrainAfterExit;
                continue;
            }
            // Stopped, drained too long, or the wait failed.
            DWORD ignored = 0;
            ::CancelIoEx(pipe_.get(), &read);
            ::GetOverlappedResult(pipe_.get(), &read, &ignored, TRUE);
            return;
        }
        DWORD got = 0;
        if (!::GetOverlappedResult(pipe_.get(), &read, &got, FALSE)) {
            return;
        }
        std::string cut = cutter.cut(std::string_view(buffer.data(), got));
        const std::lock_guard lock(mutex_);
        backlog_.add(cut);
        changed_.notify_one();
    }
}

void OutputCopier::writeLog() noexcept {
    try {
        writeUntilEnd();
    } catch (...) {
        log::warning("Could not write " + logName_ + ".log; its output is discarded");
    }
    log_.reset();
    ::SetEvent(drained_.get());
}

void OutputCopier::writeUntilEnd() {
    WindowsLogFile file(log_.get());
    BoundedLog log(file, bannerSize_);
    bool writable = true;
    for (;;) {
        OutputBacklog::Taken taken;
        bool ended = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !backlog_.empty() || readerEnded_; });
            taken = backlog_.take();
            ended = readerEnded_;
        }
        if (writable) {
            const Status written =
                taken.dropped ? log.restart(taken.output) : log.write(taken.output);
            if (!written) {
                writable = false;
                log::warning("Could not write " + logName_ +
                             ".log; its output is discarded: " + written.error());
            }
        }
        if (ended) {
            return;
        }
    }
}

}  // namespace korvane::runtime
