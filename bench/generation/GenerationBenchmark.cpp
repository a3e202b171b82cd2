// Times a generation run of a large show against writing the very same bytes to the same number
// of files with plain open, write and close, in one process on one disk.

#include "generator/ShowGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace bildertafel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Thumbnails = 10000;
constexpr int Rounds = 7;

class SilentHost : public generator::GeneratorHost, public dialogs::DialogHost {
public:
    void showMessage(std::string_view text, std::string_view) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    std::string askText(std::string_view, std::string_view, std::string_view preset) override {
        return std::string(preset);
    }
    void setBusy(bool) override {}
    void refreshFileLists() override {}
    void reportMissingLinks(const std::vector<generator::MissingLink>&) override {}
};

struct OutputFile {
    fs::path relative;
    std::string bytes;
};

// Wall time, and the processor time of this process: the disk is shared with other programs, whose
// writes make wall times jump, while the processor time shows the work each side asks for.
struct Times {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Work>
Times timed(Work work) {
    ::sync(); // each side starts without the other's dirty pages still being written back
    const auto wallStart = Clock::now();
    const double cpuStart = cpuSeconds();
    if (!work()) {
        return {-1, -1};
    }
    return {std::chrono::duration<double>(Clock::now() - wallStart).count(),
            cpuSeconds() - cpuStart};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Everything the run wrote, below its show folder.
std::vector<OutputFile> collectOutput(const fs::path& show) {
    std::vector<OutputFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(show)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            files.push_back({fs::relative(entry.path(), show), bytes.str()});
        }
    }
    return files;
}

bool writePlain(const fs::path& show, const std::vector<OutputFile>& files) {
    for (const OutputFile& file : files) {
        const std::string path = (show / file.relative).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            return false;
        }
        const bool complete = ::write(fd, file.bytes.data(), file.bytes.size()) ==
                              static_cast<ssize_t>(file.bytes.size());
        if (::close(fd) != 0 || !complete) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    std::string pattern = (base / "bildertafel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path generated = root / "generated";
    const fs::path plain = root / "plain";
    fs::create_directories(generated / "bilder");
    fs::create_directories(plain / "bilder");

    generator::ShowGeneratorInput input;
    input.settings = settings::DefaultShowSettings();
    input.settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    input.settings.setOption(settings::ShowOption::AllPicturesPage, 1);
    input.ShowFolder = generated.string() + "/";
    input.ThumbFolder = input.ShowFolder + "minis/";
    input.PictureFolder = input.ShowFolder + "bilder/";
    for (int i = 1; i <= Thumbnails; ++i) {
        input.ThumbNames.push_back("Bild " + std::to_string(i) + ".jpg");
    }
    input.PictureCount = Thumbnails;
    SilentHost host;

    // The first round creates the files and tells which bytes the plain writes get.
    if (generator::ShowGenerator::run(input, host, host) != generator::RunOutcome::Written) {
        return 1;
    }
    const std::vector<OutputFile> files = collectOutput(generated);
    std::size_t bytes = 0;
    for (const OutputFile& file : files) {
        bytes += file.bytes.size();
    }
    if (!writePlain(plain, files)) {
        std::perror("plain write");
        return 1;
    }
    std::printf("%zu files, %zu bytes per round, in %s\n", files.size(), bytes, root.c_str());

    std::vector<double> wallRatios;
    std::vector<double> cpuRatios;
    std::vector<double> runWalls;
    std::vector<double> plainWalls;
    const auto runOnce = [&] {
        return generator::ShowGenerator::run(input, host, host) == generator::RunOutcome::Written;
    };
    const auto plainOnce = [&] { return writePlain(plain, files); };
    for (int round = 1; round <= Rounds; ++round) {
        // Alternating which side goes first keeps a trend of the machine out of the ratio.
        Times run;
        Times direct;
        if (round % 2 == 1) {
            run = timed(runOnce);
            direct = timed(plainOnce);
        } else {
            direct = timed(plainOnce);
            run = timed(runOnce);
        }
        if (run.wall < 0 || direct.wall < 0) {
            std::fprintf(stderr, "round %d failed\n", round);
            return 1;
        }
        runWalls.push_back(run.wall);
        plainWalls.push_back(direct.wall);
        wallRatios.push_back(run.wall / direct.wall);
        cpuRatios.push_back(run.cpu / direct.cpu);
        std::printf("round %d: generation %.3f s (cpu %.3f s), plain writes %.3f s (cpu %.3f s), "
                    "ratio %.2f (cpu %.2f)\n",
                    round, run.wall, run.cpu, direct.wall, direct.cpu, run.wall / direct.wall,
                    run.cpu / direct.cpu);
    }
    std::printf(
        "median: generation %.3f s, plain writes %.3f s, ratio %.2f (cpu %.2f), target 1.30\n",
        median(runWalls), median(plainWalls), median(wallRatios), median(cpuRatios));

    fs::remove_all(root);
    return 0;
}
