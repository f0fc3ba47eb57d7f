#include "updater/client_wait.h"

#include "common/text.h"

namespace korvane::updater {

bool outputMentionsPid(std::string_view output, std::uint32_t pid) {
    const std::string text = utf16ToUtf8(utf8ToUtf16(output));
    return text.find(std::to_string(pid)) != std::string::npos;
}

void waitForClientExit(std::uint32_t pid, const ProcessLister& lister, Clock& clock) {
    const Clock::TimePoint start = clock.now();
    while (std::chrono::duration_cast<std::chrono::seconds>(clock.now() - start) < kWaitLimit) {
        const std::optional<std::string> output = lister(pid);
        if (!output || !outputMentionsPid(*output, pid)) {
            return;
        }
        clock.sleep(kListerInterval);
    }
}

}  // namespace korvane::updater
