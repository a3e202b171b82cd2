#include "textfile/RunLock.h"
#include "textfile/TextFileWriter.h"

#include "Processes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace bildertafel::textfile;
using bildertafel::test::endedProcess;
using bildertafel::test::listNames;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;
using namespace std::chrono_literals;

namespace {

// A process that holds the lock of a folder until it is killed.
pid_t holdInChild(const std::string& folder) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        RunLock lock;
        const char answer = lock.acquire({folder}, 0ms) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    EXPECT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
}

TEST(RunLock, ASecondRunRefusesWhileTheFirstLivesAndNotAfterItWasKilled) {
    TempDir dir;
    std::filesystem::create_directories(dir / "show/bilder");
    const std::string show = dir.folder() + "show/";
    const pid_t first = holdInChild(show + "bilder/");

    RunLock second;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.acquire({show, show + "bilder/"}, 300ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms) << "waits a moment first";
    EXPECT_EQ(second.busyFolder(), show + "bilder/");
    EXPECT_NE(anotherRunIsWorking(second.busyFolder()).find("anderer Lauf"), std::string::npos);
    // Nothing is held after a refusal: a third run takes the show folder.
    RunLock third;
    EXPECT_TRUE(third.acquire({show}, 0ms));
    third.release();

    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    EXPECT_TRUE(
        second.acquire({show, show + "bilder/", show + "bilder", dir.folder() + "nicht/"}, 0ms));
    EXPECT_EQ(listNames(dir / "show"), "bilder\n") << "no lock file among the pages";
}

TEST(RunLock, WaitsForARunThatEndsMeanwhile) {
    TempDir dir;
    RunLock first;
    ASSERT_TRUE(first.acquire({dir.folder()}, 0ms));
    std::thread ending([&first] {
        std::this_thread::sleep_for(200ms);
        first.release();
    });
    RunLock second;
    EXPECT_TRUE(second.acquire({dir.folder()}, 5s));
    ending.join();
}

TEST(StaleTemporaries, OnlyTheWritersOwnNamesOfEndedProcessesGo) {
    const std::string dead = std::to_string(endedProcess());
    const std::string alive = std::to_string(::getpid());
    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {".bildertafel-" + dead + "-0.tmp", true},
        {".bildertafel-" + dead + "-117.tmp", true},
        {".bildertafel-" + alive + "-0.tmp", false},
        {".bildertafel-" + dead + "-x.tmp", false},
        {".bildertafel-" + dead + "-.tmp", false},
        {".bildertafel-" + dead + "-1.tmp.bak", false},
        {"bildertafel-" + dead + "-1.tmp", false},
        {".bildertafel-notizen.tmp", false},
        {"index.html", false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        writeFile(dir / c.name, "x");
    }
    // Of the writers' naming, but no plain file: a folder and a link stay too.
    std::filesystem::create_directory(dir / (".bildertafel-" + dead + "-2.tmp"));
    std::filesystem::create_symlink("index.html", dir / (".bildertafel-" + dead + "-3.tmp"));

    EXPECT_EQ(removeStaleTemporaries(dir.folder()), 2U);
    for (const auto& c : cases) {
        EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / (".bildertafel-" + dead + "-2.tmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / (".bildertafel-" + dead + "-3.tmp")));
}

} // namespace
