#include "imaging/Preparation.h"
#include "imaging/VipsSetup.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <chrono>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <thread>

using namespace bildertafel::imaging;
using bildertafel::test::readFile;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;
using vips::VImage;
namespace fs = std::filesystem;

namespace {

constexpr unsigned long long MiB = 1024 * 1024;

// Noise, so that every part of the picture has its own bytes to lose.
void saveNoise(const fs::path& path, int width, int height, const char* options) {
    const VImage noise = VImage::gaussnoise(width, height).cast(VIPS_FORMAT_UCHAR);
    noise.bandjoin({noise, noise}).write_to_file((path.string() + options).c_str());
}

// A camera's picture of 800 × 600 pixels whose bytes are then changed.
void damagedJpeg(const fs::path& path, std::string (*damage)(std::string)) {
    writeFile(path, damage(readFile(fs::path(BILDERTAFEL_SAMPLE_SHOW) / "bilder" / "Bild 2.jpg")));
}

using Make = void (*)(const TempDir&, const fs::path&);

struct HostileCase {
    const char* name;
    Make make;
    const char* reason; // nullptr: a sound picture, made
};

const HostileCase Cases[] = {
    {"pipe.jpg", [](const TempDir&, const fs::path& p) { ::mkfifo(p.c_str(), 0600); },
     "Das ist eine benannte Pipe, keine Bilddatei."},
    {"ordner.jpg", [](const TempDir&, const fs::path& p) { fs::create_directory(p); },
     "Das ist ein Ordner, keine Bilddatei."},
    {"kreis.jpg", [](const TempDir&, const fs::path& p) { fs::create_symlink(p.filename(), p); },
     "Die Datei kann nicht gelesen werden: Die Verknüpfung führt im Kreis."},
    {"null.jpg", [](const TempDir&, const fs::path& p) { fs::create_symlink("/dev/zero", p); },
     "Das ist ein Gerät, keine Bilddatei."},
    {"halb.jpg",
     [](const TempDir&, const fs::path& p) {
         damagedJpeg(p, [](std::string b) { return b.substr(0, b.size() / 2); });
     },
     "Das Bild ist beschädigt oder unvollständig."},
    {"kopf.jpg", // ends inside its header
     [](const TempDir&, const fs::path& p) {
         damagedJpeg(p, [](std::string b) { return b.substr(0, 200); });
     },
     "Das Bild ist beschädigt oder unvollständig."},
    {"mitte-fehlt.jpg",
     [](const TempDir&, const fs::path& p) {
         damagedJpeg(p, [](std::string b) { return b.erase(b.size() / 3, b.size() / 3); });
     },
     "Das Bild ist beschädigt oder unvollständig."},
    {"genullt.jpg",
     [](const TempDir&, const fs::path& p) {
         damagedJpeg(p, [](std::string b) {
             return b.replace(b.size() / 3, b.size() / 3, b.size() / 3, '\0');
         });
     },
     "Das Bild ist beschädigt oder unvollständig."},
    {"gelogen.jpg", // the frame header claims four times each side
     [](const TempDir&, const fs::path& p) {
         damagedJpeg(p, [](std::string b) {
             const std::size_t frame = b.find("\xFF\xC0");
             return frame == std::string::npos ? std::string()
                                               : b.replace(frame + 5, 4, "\x09\x60\x0C\x80");
         });
     },
     "Das Bild ist beschädigt oder unvollständig."},
    {"panorama.jpg", // all its coefficients at once, 2 bytes × 3 planes × 4 MPixel: too many
     [](const TempDir&, const fs::path& p) {
         VImage::black(2000, 2000, VImage::option()->set("bands", 3))
             .jpegsave(p.c_str(), VImage::option()->set("interlace", true)->set("Q", 95));
     },
     "Das Bild bräuchte mit 2000 × 2000 Pixeln zum Lesen etwa 47 MiB Arbeitsspeicher; erlaubt "
     "sind 40 MiB."},
    // Sound pictures: the sample show's camera pictures, and what else a camera or a program
    // writes. The two progressive ones fit into the budget only one at a time.
    {"Bild 1.jpg", nullptr, nullptr},
    {"Bild 2.jpg", nullptr, nullptr},
    {"Bild 3.jpg", nullptr, nullptr},
    {"Bild 4.jpg", nullptr, nullptr},
    {"Bild 5.jpg", nullptr, nullptr},
    {"Bild 10.jpg", nullptr, nullptr},
    {"progressiv-1.jpg",
     [](const TempDir&, const fs::path& p) { saveNoise(p, 1600, 1200, "[interlace,Q=80]"); },
     nullptr},
    {"progressiv-2.jpg",
     [](const TempDir&, const fs::path& p) { saveNoise(p, 1200, 1600, "[interlace,Q=95]"); },
     nullptr},
    {"zeilensprung.png",
     [](const TempDir&, const fs::path& p) { saveNoise(p, 300, 200, "[interlace]"); }, nullptr},
};

TEST(HostileOriginals, EachIsSkippedWithItsReasonAndTheSoundOnesAreMade) {
    ASSERT_TRUE(startVips());
    TempDir dir;
    fs::create_directories(dir / "kamera");
    std::size_t sound = 0;
    for (const HostileCase& c : Cases) {
        const fs::path path = dir / "kamera" / c.name;
        if (c.make == nullptr) {
            fs::copy_file(fs::path(BILDERTAFEL_SAMPLE_SHOW) / "bilder" / c.name, path);
        } else {
            c.make(dir, path);
        }
        sound += c.reason == nullptr ? 1 : 0;
    }
    PreparationRequest request;
    request.originalsFolder = dir.folder() + "kamera/";
    request.PictureFolder = dir.folder() + "bilder/";
    request.ThumbFolder = dir.folder() + "minis/";
    request.memoryBudget = 40 * MiB;

    const auto start = std::chrono::steady_clock::now();
    const PreparationResult result = prepareImages(request);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));

    ASSERT_EQ(result.outcome, PreparationOutcome::Done) << result.refusal;
    std::map<std::string, std::string> skipped;
    for (const SkippedOriginal& s : result.skipped) {
        skipped[s.name] = s.reason;
    }
    for (const HostileCase& c : Cases) {
        EXPECT_EQ(skipped[c.name], c.reason == nullptr ? "" : c.reason) << c.name;
    }
    EXPECT_EQ(result.picturesMade, sound);
    EXPECT_EQ(result.minisMade, sound);
    EXPECT_TRUE(result.failures.empty());
}

// The threads of this process at the moment.
std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

TEST(HostileOriginals, TheRunKeepsAboutAsManyThreadsAsThereAreCores) {
    ASSERT_TRUE(startVips());
    TempDir dir;
    fs::create_directories(dir / "kamera");
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    for (std::size_t i = 0; i < 2 * cores + 2; ++i) {
        saveNoise(dir / "kamera" / ("p" + std::to_string(i) + ".jpg"), 1200, 900, "");
    }
    PreparationRequest request;
    request.originalsFolder = dir.folder() + "kamera/";
    request.PictureFolder = dir.folder() + "bilder/";
    request.ThumbFolder = dir.folder() + "minis/";
    const std::size_t before = threadCount();
    std::size_t most = 0;
    PreparationCallbacks callbacks;
    callbacks.progress = [&most](const PreparationProgress&) {
        most = std::max(most, threadCount());
    };
    const PreparationResult result = prepareImages(request, callbacks);
    ASSERT_TRUE(result.complete());
    // Each worker, with the one thread libvips runs its pipeline on and the one that writes
    // behind it.
    EXPECT_LE(most - before, 3 * cores);
}

} // namespace
