// Progress on standard error: stage lines into files and pipes when asked,
// a line redrawn in place on a terminal, warnings always.

#include "CadTestSupport.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <regex>
#include <unistd.h>

namespace {

using namespace cadtest;
using ::testing::MatchesRegex;

void runStages(sh::ImportMonitor& monitor)
{
    monitor.begin("reading", 0);
    monitor.end();
    monitor.begin("triangulating", 200);
    for (std::size_t i = 0; i <= 200; i += 50)
        monitor.advance(i);
    monitor.warning("3 of 9 faces have no triangulation");
    monitor.end();
}

TEST(StreamProgress, FilesGetOneLinePerStageOnlyWhenAsked)
{
    const std::string warning = "part\\.step: warning: 3 of 9 faces have no triangulation\n";
    for (const auto& [mode, expected] : std::vector<std::pair<sh::StreamProgress::Mode, std::string>>{
             {sh::StreamProgress::Mode::Always, "part\\.step: reading \\([0-9.]+ s\\)\n" + warning +
                                                    "part\\.step: triangulating 100% \\([0-9.]+ s\\)\n"},
             {sh::StreamProgress::Mode::Auto, warning},
             {sh::StreamProgress::Mode::Never, warning}}) {
        rdtest::TempDir folder;
        const std::string log = folder / "progress.log";
        std::FILE* file = std::fopen(log.c_str(), "w");
        {
            sh::StreamProgress progress("part.step", mode, file);
            runStages(progress);
        }
        std::fclose(file);
        EXPECT_THAT(rdtest::readFile(log), MatchesRegex(expected)) << static_cast<int>(mode);
    }
}

// On a terminal the stage's line is rewritten in place and ends once the
// stage is over; a warning never lands in the middle of it.
TEST(StreamProgress, ATerminalLineIsRedrawnInPlace)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::FILE* terminal = std::fopen(ptsname(master), "w");
    ASSERT_NE(terminal, nullptr);
    {
        sh::StreamProgress progress("big.step", sh::StreamProgress::Mode::Auto, terminal);
        runStages(progress);
    }
    std::fclose(terminal);
    std::string text;
    char buffer[4096];
    fcntl(master, F_SETFL, O_NONBLOCK);
    for (ssize_t n = 0; (n = read(master, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(master);
    // The terminal turns "\n" into "\r\n" on the way out.
    text = std::regex_replace(text, std::regex("\r\n"), "\n");
    text = std::regex_replace(text, std::regex("\x1b\\[K"), "");
    EXPECT_THAT(text, MatchesRegex("\rbig\\.step: reading \\.\\.\\."
                                   "\rbig\\.step: reading \\([0-9.]+ s\\)\n"
                                   "\rbig\\.step: triangulating   0%"
                                   "\n"
                                   "big\\.step: warning: 3 of 9 faces have no triangulation\n"
                                   "\rbig\\.step: triangulating 100% \\([0-9.]+ s\\)\n"));
}

} // namespace
