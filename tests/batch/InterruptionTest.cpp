#include "Processes.h"
#include "ProgramRun.h"
#include "TempDir.h"

#include "imaging/PreparationMessages.h"
#include "textfile/RunLock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bildertafel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int Pages = 2000;
constexpr int Originals = 24;

std::string numbered(const char* prefix, int i, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%05d%s", prefix, i, extension);
    return name;
}

// The writers' temporary files anywhere below the folder.
std::vector<std::string> temporaries(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".bildertafel-") && name != ".bildertafel-notizen.tmp") {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

// A show whose pages all exist already, so that every page is replaced through a temporary file,
// and a folder of camera originals; a killed run's temporary file and a user's file that only
// looks alike lie among the pictures.
class Interruption : public testing::Test {
protected:
    Interruption() {
        fs::create_directories(dir / "show/minis");
        fs::create_directories(dir / "show/bilder");
        fs::create_directories(dir / "kamera");
        for (int i = 1; i <= Originals; ++i) {
            fs::copy_file(fs::path(BILDERTAFEL_SAMPLE_SHOW) / "bilder/Bild 1.jpg",
                          dir / "kamera" / numbered("k", i, ".jpg"));
        }
        writeFile(dir / "show/bilder" /
                      (".bildertafel-" + std::to_string(endedProcess()) + "-0.tmp"),
                  "left by a killed run");
        writeFile(dir / "show/bilder/.bildertafel-notizen.tmp", "the user's");
    }

    void makePages(int count) {
        m_pages = count;
        for (int i = 1; i <= count; ++i) {
            writeFile(dir / "show/minis" / numbered("p", i, ".jpg"), "");
            writeFile(dir / "show/bilder" / numbered("p", i, ".jpg"), "");
        }
        renew(false);
    }

    std::vector<std::string> arguments(bool prepare) const {
        std::vector<std::string> args{"--show",     "show",        "--minis",     "show/minis",
                                      "--pictures", "show/bilder", "--own-pages", "on",
                                      "--name",     "index"};
        if (prepare) {
            args = {"--prepare",  "kamera",      "--minis", "show/minis",
                    "--pictures", "show/bilder", "--redo"};
        }
        return args;
    }

    // The window's picture program with the arguments of the preparation on its standard input.
    StartedProgram windowProgram() const {
        std::string input;
        for (const std::string& argument : arguments(true)) {
            input += argument + '\0';
        }
        return StartedProgram(BATCH_PROGRAM, {"--window-child"}, dir.path(), input);
    }

    // Gives the run all its work again: every page old, no picture made.
    void renew(bool prepare) const {
        for (int i = 1; i <= (prepare ? Originals : m_pages); ++i) {
            if (prepare) {
                fs::remove(dir / "show/minis" / numbered("k", i, ".jpg"));
            } else {
                writeFile(dir / "show/bilder" / numbered("p", i, ".html"), "alt");
            }
        }
    }

    // True once the run is under way: a first page replaced, or a first picture made.
    bool underWay(bool prepare) const {
        return prepare ? fs::exists(dir / "show/minis" / numbered("k", 1, ".jpg"))
                       : readFile(dir / "show/bilder" / numbered("p", 1, ".html")) != "alt";
    }

    TempDir dir;
    int m_pages = 0;
};

TEST_F(Interruption, AStoppedRunLeavesNoTemporaryFileForGood) {
    const struct {
        const char* what;
        bool prepare;
        int signal;
        int exitStatus; // -1: killed, the next run cleans up
    } cases[] = {
        {"generation, Ctrl+C", false, SIGINT, 130},
        {"generation, terminated", false, SIGTERM, 143},
        {"generation, killed", false, SIGKILL, -1},
        {"preparation, Ctrl+C", true, SIGINT, 130},
        {"preparation, terminated", true, SIGTERM, 143},
        {"preparation, killed", true, SIGKILL, -1},
    };
    makePages(Pages);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        renew(c.prepare);
        StartedProgram run(BATCH_PROGRAM, arguments(c.prepare), dir.path());
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        while (!underWay(c.prepare) && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(underWay(c.prepare));
        ::kill(run.pid(), c.signal);
        const ProgramResult stopped = run.wait();
        EXPECT_EQ(stopped.exitStatus, c.exitStatus) << stopped.err;
        if (c.exitStatus < 0) {
            EXPECT_EQ(runProgram(BATCH_PROGRAM, arguments(c.prepare), dir.path()).exitStatus, 0);
        }
        EXPECT_EQ(temporaries(dir.path()), std::vector<std::string>());
        EXPECT_EQ(readFile(dir / "show/bilder/.bildertafel-notizen.tmp"), "the user's");
    }
}

// The window's picture program answers the same signals: the first finishes the pictures in
// progress and tells the window the run was cancelled, a second ends it at once.
TEST_F(Interruption, TheWindowsPictureProgramStopsAfterThePicturesInProgress) {
    // A second signal of another kind: two of one kind arriving together would count as one.
    const struct {
        const char* what;
        std::vector<int> signals;
        bool endsAtOnce;
    } cases[] = {
        {"terminated", {SIGTERM}, false},
        {"terminated, then Ctrl+C", {SIGTERM, SIGINT}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        renew(true);
        StartedProgram run = windowProgram();
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        while (!underWay(true) && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(underWay(true));
        for (const int signal : c.signals) {
            ::kill(run.pid(), signal);
        }
        const ProgramResult stopped = run.wait();
        if (c.endsAtOnce) {
            EXPECT_TRUE(stopped.exitStatus == 130 || stopped.exitStatus == 143)
                << stopped.exitStatus << stopped.err;
        } else {
            EXPECT_EQ(stopped.exitStatus, 0) << stopped.err;
        }
        EXPECT_EQ(stopped.out.find("end\tcancelled\t") != std::string::npos, !c.endsAtOnce)
            << stopped.out;
        EXPECT_EQ(temporaries(dir.path()), std::vector<std::string>());
    }
}

TEST_F(Interruption, TheWindowsPictureProgramTakesAnyTextAsAPhotographer) {
    // An original to leave out, then the run's options, one of whose values looks like the
    // leave-out option itself.
    std::string input;
    for (const char* argument :
         {"--leave-out", "k00001.jpg", "--prepare", "kamera", "--minis", "show/minis", "--pictures",
          "show/bilder", "--artist", "--leave-out", "--redo"}) {
        input += std::string(argument) + '\0';
    }
    StartedProgram run(BATCH_PROGRAM, {"--window-child"}, dir.path(), input);
    const ProgramResult result = run.wait();
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_FALSE(fs::exists(dir / "show/minis" / numbered("k", 1, ".jpg")));
    EXPECT_TRUE(fs::exists(dir / "show/minis" / numbered("k", Originals, ".jpg")));
}

TEST_F(Interruption, ASecondRunOnTheShowRefuses) {
    makePages(1);
    for (const bool prepare : {false, true}) {
        SCOPED_TRACE(prepare ? "preparation" : "generation");
        textfile::RunLock first;
        ASSERT_TRUE(first.acquire({dir.folder() + "show/bilder/"}, 0ms));
        const ProgramResult second = runProgram(BATCH_PROGRAM, arguments(prepare), dir.path());
        EXPECT_EQ(second.exitStatus, 1);
        EXPECT_EQ(second.err, textfile::anotherRunIsWorking(dir.folder() + "show/bilder/") + "\n");
        EXPECT_EQ(readFile(dir / "show/bilder" / numbered("p", 1, ".html")), "alt");
    }
    // The window's picture program tells the window, which shows the message.
    textfile::RunLock first;
    ASSERT_TRUE(first.acquire({dir.folder() + "show/bilder/"}, 0ms));
    StartedProgram second = windowProgram();
    const ProgramResult refused = second.wait();
    EXPECT_EQ(refused.out, imaging::messages::refused(
                               textfile::anotherRunIsWorking(dir.folder() + "show/bilder/")));
}

} // namespace
} // namespace bildertafel::test
