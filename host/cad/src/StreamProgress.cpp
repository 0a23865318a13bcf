#include <StandIn/ImportMonitor.h>

#include <chrono>
#include <unistd.h>

namespace standin::host {

namespace {

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A terminal line is redrawn at most this often.
constexpr long long kRedrawMs = 100;

} // namespace

StreamProgress::StreamProgress(std::string source, Mode mode, std::FILE* stream)
    : source_(std::move(source)), stream_(stream)
{
    terminal_ = stream_ && isatty(fileno(stream_)) == 1;
    show_ = stream_ && (mode == Mode::Always || (mode == Mode::Auto && terminal_));
}

StreamProgress::~StreamProgress()
{
    if (lineOpen_)
        std::fputc('\n', stream_);
}

void StreamProgress::begin(std::string_view stage, std::size_t total)
{
    if (lineOpen_)
        end();
    stage_ = stage;
    total_ = total;
    done_ = 0;
    startMs_ = nowMs();
    lastDrawMs_ = -1;
    if (show_ && terminal_)
        draw(false);
}

void StreamProgress::advance(std::size_t done)
{
    done_ = done;
    if (!show_ || !terminal_)
        return;
    const long long now = nowMs();
    if (lastDrawMs_ >= 0 && now - lastDrawMs_ < kRedrawMs)
        return;
    draw(false);
}

void StreamProgress::end()
{
    if (!show_ || stage_.empty())
        return;
    if (total_ > 0)
        done_ = total_;
    draw(true);
    stage_.clear();
}

void StreamProgress::warning(std::string_view message)
{
    if (!stream_)
        return;
    if (lineOpen_) {
        std::fputc('\n', stream_);
        lineOpen_ = false;
    }
    std::fprintf(stream_, "%s: warning: %.*s\n", source_.c_str(), static_cast<int>(message.size()), message.data());
    std::fflush(stream_);
}

void StreamProgress::draw(bool final)
{
    lastDrawMs_ = nowMs();
    const double seconds = static_cast<double>(lastDrawMs_ - startMs_) / 1000.0;
    if (terminal_)
        std::fputc('\r', stream_);
    std::fprintf(stream_, "%s: %s", source_.c_str(), stage_.c_str());
    if (total_ > 0) {
        const int percent = static_cast<int>(100.0 * static_cast<double>(done_) / static_cast<double>(total_));
        std::fprintf(stream_, " %3d%%", percent > 100 ? 100 : percent);
    } else if (!final) {
        std::fputs(" ...", stream_);
    }
    if (final)
        std::fprintf(stream_, " (%.1f s)", seconds);
    if (terminal_) {
        std::fputs("\x1b[K", stream_); // clear what a longer line left
        lineOpen_ = !final;
        if (final)
            std::fputc('\n', stream_);
    } else {
        std::fputc('\n', stream_);
    }
    std::fflush(stream_);
}

} // namespace standin::host
