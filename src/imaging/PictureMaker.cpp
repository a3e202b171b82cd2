#include "imaging/PictureMaker.h"

#include "imaging/CreditFields.h"
#include "imaging/PreparationTexts.h"

#include "textfile/TextFileWriter.h"

#include <vips/vips8>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace bildertafel::imaging {
namespace {

namespace fs = std::filesystem;
using vips::VImage;
using vips::VSource;

// The loaders for the kinds of originals; anything else that happens to carry such a name (a PDF,
// an SVG) is not decoded.
constexpr std::array<std::string_view, 5> OriginalLoaders = {
    "VipsForeignLoadJpeg", "VipsForeignLoadPng",  "VipsForeignLoadTiff",
    "VipsForeignLoadWebp", "VipsForeignLoadHeif",
};

struct Header {
    int width = 0;
    int height = 0;
    bool hasProfile = false;
};

// One target to make: where it goes, its size, and whether it was made. Only the web-size
// picture has the original's metadata to take its credits from.
struct Target {
    const fs::path* path;
    int size;
    bool* made;
    const OriginalMetadata* metadata = nullptr;
};

bool isOlder(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Sources open files by name as they are; VImage::new_from_file would read "[...]" in a name as
// loader options.
VSource sourceFor(const fs::path& path) {
    return VSource::new_from_file(path.c_str());
}

VImage headerOf(const fs::path& path) {
    return VImage::new_from_source(sourceFor(path), "",
                                   VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
}

bool isOriginalLoader(const VSource& source) {
    const char* loader = vips_foreign_find_load_source(source.get_source());
    if (loader == nullptr) {
        vips_error_clear();
        return false;
    }
    const std::string_view name(loader);
    return std::any_of(OriginalLoaders.begin(), OriginalLoaders.end(),
                       [name](std::string_view known) { return name.starts_with(known); });
}

// A target is made again when it is missing, older than its original, or of another size.
bool isNeeded(const fs::path& target, int longestSide, const timespec& originalTime) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        isOlder(info.st_mtim, originalTime)) {
        return true;
    }
    try {
        const VImage existing = headerOf(target);
        return std::max(existing.width(), existing.height()) != longestSide;
    } catch (const vips::VError&) {
        vips_error_clear();
        return true;
    }
}

// Upright, without transparency, in sRGB: what every browser shows the same.
VImage webReady(VImage image) {
    if (image.has_alpha()) {
        const VipsInterpretation kind = image.interpretation();
        const double white = kind == VIPS_INTERPRETATION_RGB16 || kind == VIPS_INTERPRETATION_GREY16
                                 ? 65535.0
                                 : 255.0;
        image = image.flatten(VImage::option()
                                  ->set("background", std::vector<double>{white})
                                  ->set("max_alpha", white));
    }
    return image.colourspace(VIPS_INTERPRETATION_sRGB);
}

struct BlobDeleter {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};

// Progressive JPEG without any metadata: no location, no camera serial, no embedded preview.
std::unique_ptr<VipsBlob, BlobDeleter> encode(const VImage& image, int quality) {
    return std::unique_ptr<VipsBlob, BlobDeleter>(image.jpegsave_buffer(
        VImage::option()->set("Q", quality)->set("interlace", true)->set("strip", true)));
}

void writeTarget(const Target& target, const VImage& image, const PreparationRequest& request,
                 OriginalOutcome& outcome) {
    const auto blob = encode(image, request.quality);
    const VipsArea* area = VIPS_AREA(blob.get());
    std::string_view bytes(static_cast<const char*>(area->data), area->length);
    std::string credited;
    if (target.metadata != nullptr) {
        credited = withCredits(bytes, *target.metadata, request, outcome.leftOut);
        if (!credited.empty()) {
            bytes = credited;
        }
    }
    std::string reason;
    if (textfile::replaceFile(*target.path, bytes, reason)) {
        *target.made = true;
    } else {
        outcome.failures.push_back({target.path->string(), texts::targetNotWritten(reason)});
    }
}

// Decodes the original once, shrunk on load to the largest target, and makes each target from
// that. A damaged original throws before anything is written.
void makeTargets(const fs::path& source, const Header& header, const std::vector<Target>& targets,
                 const PreparationRequest& request, OriginalOutcome& outcome) {
    int largest = 0;
    for (const Target& target : targets) {
        largest = std::max(largest, target.size);
    }
    auto options = VImage::option()
                       ->set("height", largest)
                       ->set("size", VIPS_SIZE_DOWN)
                       // A truncated file fails instead of coming out half grey. libvips 8.14
                       // passes fail_on to the loader of a source only as a loader option.
                       ->set("option_string", "fail_on=error");
    if (header.hasProfile) {
        options->set("export_profile", "srgb");
    }
    VImage decoded = webReady(VImage::thumbnail_source(sourceFor(source), largest, options));
    if (targets.size() > 1) {
        // Both targets come from one decoded copy; without it each would read the file again.
        decoded = decoded.copy_memory();
    }
    for (const Target& target : targets) {
        if (target.size == largest) {
            writeTarget(target, decoded, request, outcome);
        } else {
            writeTarget(target,
                        decoded.thumbnail_image(target.size, VImage::option()
                                                                 ->set("height", target.size)
                                                                 ->set("size", VIPS_SIZE_DOWN)
                                                                 ->set("no_rotate", true)),
                        request, outcome);
        }
    }
}

} // namespace

OriginalOutcome prepareOriginal(const PlannedOriginal& original,
                                const PreparationRequest& request) {
    OriginalOutcome outcome;
    if (!original.skipReason.empty()) {
        outcome.skipReason = original.skipReason;
        return outcome;
    }
    const int fd = ::open(original.source.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        outcome.skipReason = texts::originalUnreadable(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return outcome;
    }
    ::close(fd);
    if (info.st_size == 0) {
        outcome.skipReason = texts::originalEmpty();
        return outcome;
    }

    try {
        if (!isOriginalLoader(sourceFor(original.source))) {
            outcome.skipReason = texts::notAPicture();
            return outcome;
        }
        Header header;
        OriginalMetadata metadata;
        {
            const VImage image = headerOf(original.source);
            header = {image.width(), image.height(), image.get_typeof(VIPS_META_ICC_NAME) != 0};
            if (request.credits != CreditMode::None) {
                metadata = metadataOf(image);
            }
        }
        if (static_cast<long long>(header.width) * header.height > MostPixels) {
            outcome.skipReason = texts::pictureTooLarge(header.width, header.height);
            return outcome;
        }
        // Turning a picture upright swaps its sides, so the longest side stays what it is.
        const int longest = std::max(header.width, header.height);
        bool* const made[] = {&outcome.pictureMade, &outcome.miniMade};
        const fs::path* const paths[] = {&original.picture, &original.mini};
        const int sizes[] = {request.pictureSize, request.miniSize};
        std::vector<Target> targets;
        for (int i = 0; i < 2; ++i) {
            if (!paths[i]->empty() && sizes[i] > 0 &&
                (request.redo || isNeeded(*paths[i], std::min(sizes[i], longest), info.st_mtim))) {
                targets.push_back({paths[i], sizes[i], made[i], i == 0 ? &metadata : nullptr});
            }
        }
        if (targets.empty()) {
            outcome.upToDate = true;
            return outcome;
        }
        makeTargets(original.source, header, targets, request, outcome);
    } catch (const vips::VError&) {
        // libvips' own (English) words stay out of the report.
        vips_error_clear();
        outcome.skipReason = texts::pictureDamaged();
    }
    return outcome;
}

} // namespace bildertafel::imaging
