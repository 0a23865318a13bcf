#include "ControlClient.h"

#include "LoopbackStream.h"
#include "Protocol.h"

#include <platform/ProcessInfo.h>

#include <thread>

namespace standin::raydeck {

namespace {

// Scene descriptions grow with the model sets, a few hundred bytes each.
constexpr std::size_t kMaxAnswer = 64 * 1024 * 1024;

} // namespace

std::optional<std::string> askStandin(const Announcement& standin, std::string_view command,
                                      std::string_view argument, std::chrono::milliseconds timeout,
                                      std::string* whyNot)
{
    const auto started = std::chrono::steady_clock::now();
    const auto remaining = [&] {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        return spent < timeout ? timeout - spent : std::chrono::milliseconds(0);
    };
    std::unique_ptr<LoopbackStream> stream = LoopbackStream::connect(standin.port, timeout, whyNot);
    if (!stream)
        return std::nullopt;
    const std::string request =
        formatRequest({standin.token, std::string(command), std::string(argument)});
    std::optional<std::string> answer;
    if (stream->send(request.data(), request.size(), remaining()) && stream->finishSending())
        answer = stream->receiveAll(remaining(), kMaxAnswer);
    if (!answer && whyNot != nullptr)
        *whyNot = stream->lastError();
    return answer;
}

bool quitStandin(const Announcement& standin, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    askStandin(standin, kQuit, "", timeout);
    while (platform::processExists(standin.processId)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace standin::raydeck
