// Times generation runs of a large show (10,000 pictures, one page per picture and the page with
// all pictures: 10,002 pages) against baselines written in plain system calls in the same process
// on the same disk: (a) a first run into empty folders against plain open, write and close of the
// same bytes; (b) a second run with nothing changed against the same plain writes; (c) a run in
// which every page changed against a safe replace (temporary file, write, close, rename). Then the
// cost of the link check, in per cent of (a); and (d) the first run of the same show with words
// for every picture (title, a caption of two lines, alternative text) against the run without;
// (e) a preview of the show in a folder of its own, linked to the show's files, against (a).

#include "generator/PreviewFolder.h"
#include "generator/ShowGenerator.h"
#include "generator/WebText.h"
#include "links/LinkCheck.h"
#include "words/WordsFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace bildertafel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Pictures = 10000;
constexpr int Rounds = 7;

class SilentHost : public generator::GeneratorHost, public host::DialogHost {
public:
    void showMessage(std::string_view text, std::string_view) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    std::string askText(std::string_view, std::string_view, std::string_view preset) override {
        return std::string(preset);
    }
    void setBusy(bool) override {}
    void refreshFileLists() override {}
    void startPageWritten(const std::string&) override {}
    void reportMissingLinks(const std::vector<links::MissingLink>& links) override {
        missing = links.size();
    }
    std::size_t missing = 0;
};

struct OutputFile {
    std::string path;
    std::string bytes;
};

double seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Each side starts without the other's dirty pages still being written back.
double timed(const std::function<bool()>& work) {
    ::sync();
    const auto start = Clock::now();
    return work() ? seconds(start) : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The pages below the run's show, with their places in the baseline's show.
std::vector<OutputFile> pagesBelow(const fs::path& show, const fs::path& baseline) {
    std::vector<OutputFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(show)) {
        if (entry.is_regular_file() && entry.path().extension() == ".html") {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            files.push_back({(baseline / fs::relative(entry.path(), show)).string(), bytes.str()});
        }
    }
    return files;
}

void removePages(const std::vector<OutputFile>& files) {
    for (const OutputFile& file : files) {
        ::unlink(file.path.c_str());
    }
}

bool writeAll(int fd, const std::string& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool writePlain(const std::vector<OutputFile>& files) {
    for (const OutputFile& file : files) {
        const int fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            return false;
        }
        const bool complete = writeAll(fd, file.bytes);
        if (::close(fd) != 0 || !complete) {
            return false;
        }
    }
    return true;
}

bool replacePlain(const std::vector<OutputFile>& files) {
    for (const OutputFile& file : files) {
        const std::string temp = file.path + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            return false;
        }
        const bool complete = writeAll(fd, file.bytes);
        if (::close(fd) != 0 || !complete || ::rename(temp.c_str(), file.path.c_str()) != 0) {
            return false;
        }
    }
    return true;
}

// The thumbnails of the show; the two spellings give pages of the same sizes with other bytes.
std::vector<std::string> thumbNames(const char* extension) {
    std::vector<std::string> names;
    for (int i = 1; i <= Pictures; ++i) {
        names.push_back("Bild " + std::to_string(i) + extension);
    }
    return names;
}

struct Figures {
    std::vector<double> run;
    std::vector<double> baseline;
    std::vector<double> ratio;

    void add(double runSeconds, double baselineSeconds) {
        run.push_back(runSeconds);
        baseline.push_back(baselineSeconds);
        ratio.push_back(runSeconds / baselineSeconds);
    }
    void print(const char* what, const char* baselineName, double target) const {
        std::printf("%-44s %7.3f s   %-30s %7.3f s   ratio %.2f (target %.2f)\n", what, median(run),
                    baselineName, median(baseline), median(ratio), target);
    }
};

} // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    std::string pattern = (base / "bildertafel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    // The run and the baselines each write into a show of their own, alike in every file.
    const fs::path show = root / "run";
    const fs::path wordsShow = root / "worte";
    for (const fs::path& folder : {show, root / "plain", wordsShow}) {
        fs::create_directories(folder / "minis");
        fs::create_directories(folder / "bilder");
        // Both spellings are on the disk, so that every run finds what its pages name.
        for (const char* extension : {".jpg", ".JPG"}) {
            for (const std::string& name : thumbNames(extension)) {
                std::ofstream(folder / "minis" / name).put('\n');
                std::ofstream(folder / "bilder" / name).put('\n');
            }
        }
    }

    {
        std::ofstream words(wordsShow / words::WordsFileName, std::ios::binary);
        for (const std::string& name : thumbNames(".jpg")) {
            words << "[" << name << "]\nTitel: Großmutter am See – " << name
                  << "\nBildtext: Juli, <Sommer> & Sonne am Ufer\n zweite Zeile: \"Grüße\" ☀\n"
                     "Alternativtext: Eine Frau sitzt am Ufer eines Sees in der Sonne.\n";
        }
    }

    generator::ShowGeneratorInput input;
    input.settings = settings::DefaultShowSettings();
    input.settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    input.settings.setOption(settings::ShowOption::AllPicturesPage, 1);
    input.ShowFolder = show.string() + "/";
    input.ThumbFolder = input.ShowFolder + "minis/";
    input.PictureFolder = input.ShowFolder + "bilder/";
    input.PictureCount = Pictures;
    SilentHost host;
    const auto runWith = [&](const char* extension) {
        input.ThumbNames = thumbNames(extension);
        return generator::ShowGenerator::run(input, host, host) == generator::RunOutcome::Written;
    };

    // The bytes of both spellings, for the baselines.
    if (!runWith(".JPG")) {
        return 1;
    }
    const std::vector<OutputFile> upper = pagesBelow(show, root / "plain");
    if (!runWith(".jpg")) {
        return 1;
    }
    const std::vector<OutputFile> lower = pagesBelow(show, root / "plain");
    const std::vector<OutputFile> runPages = pagesBelow(show, show);
    if (!writePlain(lower)) {
        std::perror("plain write");
        return 1;
    }
    std::size_t bytes = 0;
    for (const OutputFile& file : lower) {
        bytes += file.bytes.size();
    }
    std::printf("%zu pages, %zu bytes per round, in %s; median of %d rounds\n", lower.size(), bytes,
                root.c_str(), Rounds);

    const std::vector<std::string> lowerNames = thumbNames(".jpg");
    const std::string startPage = input.ShowFolder + "bilder01.html";
    const std::string allPage = input.PictureFolder + "bilder01_all.html";
    std::vector<std::string> picturePages;
    for (const std::string& name : lowerNames) {
        picturePages.push_back(input.PictureFolder + name.substr(0, name.size() - 4) + ".html");
    }

    generator::ShowGeneratorInput wordsInput = input;
    wordsInput.ShowFolder = wordsShow.string() + "/";
    wordsInput.ThumbFolder = wordsInput.ShowFolder + "minis/";
    wordsInput.PictureFolder = wordsInput.ShowFolder + "bilder/";
    wordsInput.ThumbNames = thumbNames(".jpg");
    const auto runWithWords = [&] {
        return generator::ShowGenerator::run(wordsInput, host, host) ==
               generator::RunOutcome::Written;
    };
    if (!runWithWords()) {
        return 1;
    }
    const std::vector<OutputFile> wordsPages = pagesBelow(wordsShow, wordsShow);

    Figures first;
    Figures withWords;
    Figures unchanged;
    Figures changed;
    Figures preview;
    std::vector<double> layTimes; // of (e), the folder with its links
    std::vector<double> checks;
    for (int round = 1; round <= Rounds; ++round) {
        // Alternating which side goes first keeps a trend of the machine out of the ratios.
        const bool runFirst = round % 2 == 1;
        double runTime = 0;
        double plainTime = 0;

        // (a) into empty folders.
        removePages(runPages);
        removePages(lower);
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == runFirst) {
                runTime = timed([&] { return runWith(".jpg"); });
            } else {
                plainTime = timed([&] { return writePlain(lower); });
            }
        }
        first.add(runTime, plainTime);

        // (d) the same first run, with and without words.
        double wordsTime = 0;
        removePages(runPages);
        removePages(wordsPages);
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == runFirst) {
                wordsTime = timed(runWithWords);
            } else {
                runTime = timed([&] { return runWith(".jpg"); });
            }
        }
        withWords.add(wordsTime, runTime);

        // (e) a preview against the same first run; its folder goes after the timing, as the
        // window removes it when it ends.
        double previewTime = 0;
        removePages(runPages);
        std::unique_ptr<generator::PreviewFolder> previewFolder;
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == runFirst) {
                previewTime = timed([&] {
                    const bool created =
                        generator::PreviewFolder::create(root.string() + "/", previewFolder)
                            .succeeded();
                    generator::ShowGeneratorInput previewInput;
                    input.ThumbNames = lowerNames;
                    const auto laying = Clock::now();
                    if (!created || !previewFolder->lay(input, "bilder01", previewInput)) {
                        return false;
                    }
                    layTimes.push_back(seconds(laying));
                    return generator::ShowGenerator::run(previewInput, host, host) ==
                           generator::RunOutcome::Written;
                });
            } else {
                runTime = timed([&] { return runWith(".jpg"); });
            }
        }
        previewFolder.reset();
        preview.add(previewTime, runTime);

        // (b) the same pages again: the run finds every page as it is.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == runFirst) {
                runTime = timed([&] { return runWith(".jpg"); });
            } else {
                plainTime = timed([&] { return writePlain(lower); });
            }
        }
        unchanged.add(runTime, plainTime);

        // (c) every page changes, each to bytes of its old size, so that every old page is read.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == runFirst) {
                runTime = timed([&] { return runWith(".JPG"); });
            } else {
                plainTime = timed([&] { return replacePlain(upper); });
            }
        }
        changed.add(runTime, plainTime);

        // The link check of such a run on its own: the same files looked for.
        const auto checked = Clock::now();
        links::LinkCheck links(input.ShowFolder);
        std::string value;
        for (std::size_t i = 0; i < lowerNames.size(); ++i) {
            // As the pages name them, decoded back by the check.
            value.clear();
            generator::appendUrlAttribute(value, lowerNames[i]);
            links.expectLink(allPage, input.PictureFolder, value);
            links.expectLink(startPage, input.ThumbFolder, value);
            links.expectLink(picturePages[i], input.PictureFolder, value);
        }
        if (!links.missing().empty() || host.missing != 0) {
            std::fputs("the link check found missing files\n", stderr);
            return 1;
        }
        checks.push_back(seconds(checked));
        std::printf("round %d: (a) %.3f / %.3f  (b) %.3f / %.3f  (c) %.3f / %.3f  (d) %.3f / %.3f  "
                    "(e) %.3f / %.3f  check %.3f s\n",
                    round, first.run.back(), first.baseline.back(), unchanged.run.back(),
                    unchanged.baseline.back(), changed.run.back(), changed.baseline.back(),
                    withWords.run.back(), withWords.baseline.back(), preview.run.back(),
                    preview.baseline.back(), checks.back());
    }
    first.print("(a) first run into empty folders", "plain open/write/close", 1.3);
    unchanged.print("(b) second run, nothing changed", "plain open/write/close", 0.5);
    changed.print("(c) every page changed (same sizes)", "temp/write/close/rename", 1.2);
    withWords.print("(d) first run, words for every picture", "the same without words", 1.2);
    preview.print("(e) preview in a folder of its own", "(a) into the show", 2.5);
    std::printf("of (e) the folder and its links: %.3f s\n", median(layTimes));
    std::printf("link check: %.3f s, %.1f %% of (a) (target at most 10 %%)\n", median(checks),
                100.0 * median(checks) / median(first.run));

    fs::remove_all(root);
    return 0;
}
