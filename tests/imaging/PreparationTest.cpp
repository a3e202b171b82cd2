#include "imaging/Preparation.h"
#include "imaging/VipsSetup.h"

#include "RequestIn.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <atomic>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <tuple>

using namespace bildertafel::imaging;
using bildertafel::test::listNames;
using bildertafel::test::readFile;
using bildertafel::test::requestIn;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;
using vips::VImage;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

enum class Kind { Landscape, Portrait, Turned, Transparent, Small, Truncated, Text, Empty, Huge };

// Grey with a red top-left quarter; saved with an ICC profile and EXIF like a camera's.
VImage markedPicture(int width, int height) {
    VImage image = VImage::black(width, height, VImage::option()->set("bands", 3)) + 128;
    image = image.cast(VIPS_FORMAT_UCHAR).copy_memory();
    image.draw_rect({255, 0, 0}, 0, 0, width / 2, height / 2, VImage::option()->set("fill", true));
    return image;
}

void saveJpeg(const VImage& image, const fs::path& path) {
    image.jpegsave(path.c_str(), VImage::option()->set("profile", "srgb"));
}

void makeOriginal(const fs::path& path, Kind kind) {
    ASSERT_TRUE(startVips());
    fs::create_directories(path.parent_path());
    switch (kind) {
    case Kind::Landscape:
        return saveJpeg(markedPicture(400, 300), path);
    case Kind::Portrait:
        return markedPicture(300, 400).webpsave(path.c_str());
    case Kind::Turned: {
        VImage image = markedPicture(400, 300).copy();
        image.set("orientation", 6); // stored top-left shows at the top right
        return saveJpeg(image, path);
    }
    case Kind::Transparent: { // the left half is transparent black
        const VImage alpha = (VImage::xyz(400, 300)[0] >= 200).cast(VIPS_FORMAT_UCHAR);
        return (VImage::black(400, 300, VImage::option()->set("bands", 3)).bandjoin(alpha))
            .pngsave(path.c_str());
    }
    case Kind::Small:
        return markedPicture(120, 90).tiffsave(path.c_str());
    case Kind::Truncated: {
        const VImage noise = VImage::gaussnoise(400, 300).cast(VIPS_FORMAT_UCHAR);
        noise.bandjoin({noise, noise}).jpegsave(path.c_str());
        const std::string bytes = readFile(path);
        return writeFile(path, bytes.substr(0, bytes.size() / 2));
    }
    case Kind::Text:
        return writeFile(path, "Das ist kein Bild.\n");
    case Kind::Empty:
        return writeFile(path, "");
    case Kind::Huge: { // a header claiming 20000 × 20000 pixels
        markedPicture(64, 48).jpegsave(path.c_str());
        std::string bytes = readFile(path);
        const std::size_t frame = bytes.find("\xFF\xC0");
        ASSERT_NE(frame, std::string::npos);
        bytes.replace(frame + 5, 4, "\x4E\x20\x4E\x20");
        return writeFile(path, bytes);
    }
    }
}

PreparationRequest requestFor(const TempDir& dir) {
    return requestIn(dir, 200, 40);
}

bool hasTemporaryFile(const TempDir& dir) {
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        if (entry.path().filename().string().starts_with(".bildertafel-")) {
            return true;
        }
    }
    return false;
}

// Where each target is on disk and when it was written: a rewritten target changes both.
std::map<std::string, std::pair<ino_t, std::int64_t>> targetStamps(const TempDir& dir) {
    std::map<std::string, std::pair<ino_t, std::int64_t>> stamps;
    for (const char* folder : {"bilder", "thumbs"}) {
        for (const auto& entry : fs::directory_iterator(dir / folder)) {
            struct stat info {};
            ::stat(entry.path().c_str(), &info);
            stamps[entry.path().string()] = {info.st_ino, info.st_mtim.tv_sec * 1000000000LL +
                                                              info.st_mtim.tv_nsec};
        }
    }
    return stamps;
}

TEST(Preparation, EachOriginalGivesUprightPicturesWithoutMetadataOrIsSkipped) {
    const struct {
        const char* name;
        Kind kind;
        const char* target; // nullptr: skipped with this reason
        const char* reason;
        int width, height;      // of the picture; the preview is 40 on its longest side
        bool markRight;         // the red corner is at the top right
        int markRed, markGreen; // the top corner's colour
    } cases[] = {
        {"Quer.JPG", Kind::Landscape, "Quer.JPG", nullptr, 200, 150, false, 255, 0},
        {"hoch.webp", Kind::Portrait, "hoch.jpg", nullptr, 150, 200, false, 255, 0},
        {"gedreht.jpeg", Kind::Turned, "gedreht.jpg", nullptr, 150, 200, true, 255, 0},
        {"Bild [2].png", Kind::Transparent, "Bild [2].jpg", nullptr, 200, 150, false, 255, 255},
        {"klein.tif", Kind::Small, "klein.jpg", nullptr, 120, 90, false, 255, 0},
        {"kaputt.jpg", Kind::Truncated, nullptr, "beschädigt oder unvollständig", 0, 0, false, 0,
         0},
        {"text.jpg", Kind::Text, nullptr, "kein Bild", 0, 0, false, 0, 0},
        {"leer.heic", Kind::Empty, nullptr, "leer", 0, 0, false, 0, 0},
        {"riesig.jpg", Kind::Huge, nullptr, "20000 × 20000 Pixeln größer als 250 Megapixel", 0, 0,
         false, 0, 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        makeOriginal(dir / "originale" / c.name, c.kind);
    }
    const PreparationResult result = prepareImages(requestFor(dir));
    ASSERT_EQ(result.outcome, PreparationOutcome::Done) << result.refusal;
    EXPECT_EQ(result.originals, std::size(cases));
    EXPECT_EQ(result.picturesMade, 5U);
    EXPECT_EQ(result.minisMade, 5U);
    EXPECT_TRUE(result.failures.empty());
    std::map<std::string, std::string> skipped;
    for (const SkippedOriginal& s : result.skipped) {
        skipped[s.name] = s.reason;
    }
    for (const auto& c : cases) {
        if (c.target == nullptr) {
            EXPECT_NE(skipped[c.name].find(c.reason), std::string::npos) << c.name;
            continue;
        }
        const VImage picture = VImage::new_from_file((dir / "bilder" / c.target).c_str());
        const VImage mini = VImage::new_from_file((dir / "thumbs" / c.target).c_str());
        EXPECT_EQ(picture.width(), c.width) << c.name;
        EXPECT_EQ(picture.height(), c.height) << c.name;
        EXPECT_EQ(std::max(mini.width(), mini.height()), 40) << c.name;
        const std::vector<double> mark = picture.getpoint(c.markRight ? c.width - 5 : 4, 4);
        EXPECT_NEAR(mark[0], c.markRed, 40) << c.name;
        EXPECT_NEAR(mark[1], c.markGreen, 40) << c.name;
        for (const VImage& target : {picture, mini}) {
            EXPECT_EQ(target.bands(), 3) << c.name;
            EXPECT_EQ(target.get_int("interlaced"), 1) << c.name;
            for (const char* field : {VIPS_META_EXIF_NAME, VIPS_META_XMP_NAME, VIPS_META_ICC_NAME,
                                      VIPS_META_IPTC_NAME}) {
                EXPECT_EQ(target.get_typeof(field), 0U) << c.name << " " << field;
            }
        }
    }
    EXPECT_FALSE(hasTemporaryFile(dir));
}

TEST(Preparation, OnlyWhatIsNeededIsMadeAgain) {
    TempDir dir;
    makeOriginal(dir / "originale/a.jpg", Kind::Landscape);
    makeOriginal(dir / "originale/b.png", Kind::Small);
    for (const char* name : {"a.jpg", "b.png"}) {
        fs::last_write_time(dir / "originale" / name, fs::file_time_type::clock::now() - 1h);
    }
    const struct {
        const char* step;
        void (*change)(const TempDir&, PreparationRequest&);
        std::size_t pictures, minis, upToDate;
    } steps[] = {
        {"first run", [](const TempDir&, PreparationRequest&) {}, 2, 2, 0},
        {"unchanged", [](const TempDir&, PreparationRequest&) {}, 0, 0, 2},
        {"newer original",
         [](const TempDir& d, PreparationRequest&) {
             fs::last_write_time(d / "originale/a.jpg", fs::file_time_type::clock::now());
         },
         1, 1, 1},
        {"larger size: b stays at its own size",
         [](const TempDir&, PreparationRequest& r) { r.pictureSize = 300; }, 1, 0, 1},
        {"redo", [](const TempDir&, PreparationRequest& r) { r.redo = true; }, 2, 2, 0},
    };
    PreparationRequest request = requestFor(dir);
    for (const auto& s : steps) {
        s.change(dir, request);
        const auto before =
            fs::exists(dir / "bilder") ? targetStamps(dir) : decltype(targetStamps(dir)){};
        const PreparationResult result = prepareImages(request);
        EXPECT_EQ(result.picturesMade, s.pictures) << s.step;
        EXPECT_EQ(result.minisMade, s.minis) << s.step;
        EXPECT_EQ(result.upToDate, s.upToDate) << s.step;
        std::size_t rewritten = 0;
        for (const auto& [path, stamp] : targetStamps(dir)) {
            rewritten += before.count(path) == 0 || before.at(path) != stamp ? 1 : 0;
        }
        EXPECT_EQ(rewritten, s.pictures + s.minis) << s.step;
        request.redo = false;
    }
}

// The large size goes beside the web-size pictures, only from originals that have more than
// they show, never enlarged, and is made again only when needed. A web-size picture made anew
// without one takes its old large picture away, and nothing else of the folder.
TEST(Preparation, TheLargeSizeIsMadeWhereTheOriginalHasMoreThanTheWebSize) {
    TempDir dir;
    makeOriginal(dir / "originale/Quer.JPG", Kind::Landscape); // 400 × 300
    makeOriginal(dir / "originale/klein.tif", Kind::Small);    // 120 × 90
    writeFile(dir / "bilder/gross/eigenes.txt", "nicht von Bildertafel");
    const struct {
        const char* step;
        int largeSize;
        bool redo;
        std::size_t made;
        const char* inLargeFolder;
        int width; // of the large Quer.JPG, 0: none
    } steps[] = {
        {"larger than the original: its own size", 1000, false, 1, "Quer.JPG\neigenes.txt\n", 400},
        {"unchanged", 1000, false, 0, "Quer.JPG\neigenes.txt\n", 400},
        {"smaller", 300, false, 1, "Quer.JPG\neigenes.txt\n", 300},
        {"not above the web size: none made, none removed", 200, false, 0,
         "Quer.JPG\neigenes.txt\n", 300},
        {"none, the pictures up to date: it stays", 0, false, 0, "Quer.JPG\neigenes.txt\n", 300},
        {"none, the picture made anew: its large one goes", 0, true, 0, "eigenes.txt\n", 0},
        {"again above the web size", 300, false, 1, "Quer.JPG\neigenes.txt\n", 300},
        {"not above the web size, made anew: it goes", 200, true, 0, "eigenes.txt\n", 0},
    };
    PreparationRequest request = requestFor(dir); // web size 200
    for (const auto& s : steps) {
        request.largeSize = s.largeSize;
        request.redo = s.redo;
        const PreparationResult result = prepareImages(request);
        ASSERT_EQ(result.outcome, PreparationOutcome::Done) << s.step;
        EXPECT_TRUE(result.complete()) << s.step;
        EXPECT_EQ(result.largeMade, s.made) << s.step;
        EXPECT_EQ(listNames(dir / "bilder/gross"), s.inLargeFolder) << s.step;
        if (s.width == 0) {
            continue;
        }
        const VImage large = VImage::new_from_file((dir / "bilder/gross/Quer.JPG").c_str());
        EXPECT_EQ(large.width(), s.width) << s.step;
        EXPECT_FALSE(large.get_typeof("interlaced") != 0 && large.get_int("interlaced") != 0)
            << s.step << ": baseline, quicker to make";
    }
    EXPECT_EQ(VImage::new_from_file((dir / "bilder/Quer.JPG").c_str()).width(), 200);
    EXPECT_FALSE(hasTemporaryFile(dir));

    // A JPEG more than twice the large size is decoded at a smaller scale: still upright, the
    // mark where it belongs.
    TempDir turned;
    VImage image = markedPicture(1200, 900).copy();
    image.set("orientation", 6); // stored top-left shows at the top right
    fs::create_directories(turned / "originale");
    saveJpeg(image, turned / "originale/gedreht.jpg");
    PreparationRequest large = requestFor(turned);
    large.largeSize = 400;
    ASSERT_EQ(prepareImages(large).largeMade, 1U);
    for (const auto& [folder, width, height] :
         {std::tuple{"bilder/gross", 300, 400}, {"bilder", 150, 200}, {"thumbs", 30, 40}}) {
        const VImage made = VImage::new_from_file((turned / folder / "gedreht.jpg").c_str());
        EXPECT_EQ(made.width(), width) << folder;
        EXPECT_EQ(made.height(), height) << folder;
        const std::vector<double> mark = made.getpoint(width - 3, 3);
        EXPECT_NEAR(mark[0], 255, 40) << folder;
        EXPECT_NEAR(mark[1], 0, 40) << folder;
    }
}

TEST(Preparation, CancelFinishesThePicturesInProgressOnly) {
    TempDir dir;
    const std::size_t count = std::max(1U, std::thread::hardware_concurrency()) + 2;
    for (std::size_t i = 0; i < count; ++i) {
        makeOriginal(dir / ("originale/p" + std::to_string(i) + ".jpg"), Kind::Landscape);
    }
    std::atomic<bool> progressed = false;
    PreparationProgress last;
    const PreparationCallbacks callbacks{[&](const PreparationProgress& p) {
                                             last = p;
                                             progressed = true;
                                         },
                                         [&] { return progressed.load(); },
                                         {}};
    const PreparationResult result = prepareImages(requestFor(dir), callbacks);
    EXPECT_EQ(result.outcome, PreparationOutcome::Cancelled);
    EXPECT_LT(result.finished, count);
    EXPECT_EQ(last.done, result.finished);
    EXPECT_EQ(last.total, count);
    EXPECT_GE(last.secondsLeft, 0);
    EXPECT_EQ(result.picturesMade, result.finished);
    for (const auto& entry : fs::directory_iterator(dir / "bilder")) {
        EXPECT_EQ(VImage::new_from_file(entry.path().c_str()).width(), 200) << entry.path();
    }
    EXPECT_FALSE(hasTemporaryFile(dir));
    EXPECT_TRUE(preparationSummary(result).starts_with("Abgebrochen nach "));
}

TEST(Preparation, LeftOutOriginalsAreNoPartOfTheRun) {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        makeOriginal(dir / "originale" / name, Kind::Landscape);
    }
    PreparationRequest request = requestFor(dir);
    request.leaveOut = {"b.jpg"};
    std::vector<std::string> begun;
    PreparationCallbacks callbacks;
    callbacks.begun = [&begun](const std::string& name) { begun.push_back(name); };
    const PreparationResult result = prepareImages(request, callbacks);
    EXPECT_EQ(result.originals, 2U);
    EXPECT_EQ(result.picturesMade, 2U);
    std::sort(begun.begin(), begun.end());
    EXPECT_EQ(begun, (std::vector<std::string>{"a.jpg", "c.jpg"}));
    EXPECT_FALSE(fs::exists(dir / "bilder/b.jpg"));
}

TEST(Preparation, ATargetThatCannotBeWrittenIsReportedAndTheRestGoesOn) {
    TempDir dir;
    makeOriginal(dir / "originale/a.jpg", Kind::Landscape);
    makeOriginal(dir / "originale/b.jpg", Kind::Landscape);
    fs::create_directories(dir / "bilder/a.jpg"); // a folder stands where the picture should go
    const PreparationResult result = prepareImages(requestFor(dir));
    EXPECT_EQ(result.outcome, PreparationOutcome::Done);
    ASSERT_EQ(result.failures.size(), 1U);
    EXPECT_EQ(result.failures[0].path, (dir / "bilder/a.jpg").string());
    EXPECT_NE(result.failures[0].reason.find("kann nicht geschrieben werden"), std::string::npos);
    EXPECT_EQ(result.picturesMade, 1U);
    EXPECT_EQ(result.minisMade, 2U);
    EXPECT_FALSE(hasTemporaryFile(dir));
}

TEST(Preparation, RefusesWithoutWritingAnything) {
    const struct {
        const char* label;
        void (*change)(const TempDir&, PreparationRequest&);
        const char* refusal;
    } cases[] = {
        {"size", [](const TempDir&, PreparationRequest& r) { r.pictureSize = 15; },
         "Großformat ist 15;"},
        {"mini size", [](const TempDir&, PreparationRequest& r) { r.miniSize = 20001; },
         "Mini-Bilder ist 20001;"},
        {"large size", [](const TempDir&, PreparationRequest& r) { r.largeSize = 8; },
         "großen Bilder ist 8;"},
        {"quality 0", [](const TempDir&, PreparationRequest& r) { r.quality = 0; },
         "Qualität ist 0"},
        {"quality 101", [](const TempDir&, PreparationRequest& r) { r.quality = 101; },
         "Qualität ist 101"},
        {"nothing", [](const TempDir&, PreparationRequest& r) { r.pictureSize = r.miniSize = 0; },
         "nichts zu tun"},
        {"previews into the originals",
         [](const TempDir& d, PreparationRequest& r) {
             fs::create_directory_symlink(d / "originale", d / "link");
             r.ThumbFolder = d.folder() + "link";
         },
         "zugleich der Ordner der Mini-Bilder"},
        {"one folder for both",
         [](const TempDir& d, PreparationRequest& r) { r.ThumbFolder = d.folder() + "bilder"; },
         "denselben Ordner"},
        {"clash by extension",
         [](const TempDir& d, PreparationRequest&) {
             makeOriginal(d / "originale/a.png", Kind::Small);
         },
         "„a.jpg“ und „a.png“ ergäben beide „a.jpg“"},
        {"clash by case",
         [](const TempDir& d, PreparationRequest&) {
             makeOriginal(d / "originale/A.JPG", Kind::Small);
         },
         "„A.JPG“ und „a.jpg“ ergäben beide „a.jpg“"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        makeOriginal(dir / "originale/a.jpg", Kind::Landscape);
        PreparationRequest request = requestFor(dir);
        c.change(dir, request);
        const std::string originals = listNames(dir / "originale");
        const PreparationResult result = prepareImages(request);
        EXPECT_EQ(result.outcome, PreparationOutcome::Refused) << c.label;
        EXPECT_NE(result.refusal.find(c.refusal), std::string::npos)
            << c.label << ": " << result.refusal;
        EXPECT_FALSE(fs::exists(dir / "bilder")) << c.label;
        EXPECT_EQ(listNames(dir / "originale"), originals) << c.label;
    }
}

TEST(Preparation, OriginalsInThePictureFolderOnlyGetPreviewsOfTheirJpgs) {
    TempDir dir;
    for (const char* name : {"a.jpg", "B.JPG", "c.png", "d.jpeg"}) {
        makeOriginal(dir / "originale" / name, Kind::Small);
    }
    const std::string before = readFile(dir / "originale/a.jpg");
    PreparationRequest request = requestFor(dir);
    request.PictureFolder = dir.folder() + "originale"; // another spelling of the same folder
    const PreparationResult result = prepareImages(request);
    EXPECT_EQ(result.outcome, PreparationOutcome::Done);
    EXPECT_EQ(result.picturesMade, 0U);
    EXPECT_EQ(result.minisMade, 2U);
    ASSERT_EQ(result.skipped.size(), 2U);
    EXPECT_EQ(result.skipped[0].name, "c.png");
    EXPECT_EQ(result.skipped[1].name, "d.jpeg");
    EXPECT_NE(result.skipped[1].reason.find("nur .jpg-Bilder"), std::string::npos);
    EXPECT_EQ(listNames(dir / "thumbs"), "B.JPG\na.jpg\n");
    EXPECT_EQ(listNames(dir / "originale"), "B.JPG\na.jpg\nc.png\nd.jpeg\n");
    EXPECT_EQ(readFile(dir / "originale/a.jpg"), before);
}

} // namespace
