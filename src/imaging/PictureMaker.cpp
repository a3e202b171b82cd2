#include "imaging/PictureMaker.h"

#include "imaging/CreditWriting.h"
#include "imaging/PictureWords.h"
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

// Each original's decoding takes this much besides what its kind needs: the shrunk copy for both
// targets, the encoder's buffers, libvips' regions.
constexpr unsigned long long WorkingMemory = 24ULL << 20;

struct Header {
    int width = 0;
    int height = 0;
    bool hasProfile = false;
    bool isJpeg = false;
    unsigned long long decodingMemory = 0; // what decoding it takes at most, in bytes
};

// The original, opened once: every reading of it goes through this descriptor, so a file
// exchanged meanwhile for a pipe or a device is never read.
class OpenOriginal {
public:
    explicit OpenOriginal(const fs::path& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
        m_error = m_fd < 0 ? errno : 0;
    }
    ~OpenOriginal() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    OpenOriginal(const OpenOriginal&) = delete;
    OpenOriginal& operator=(const OpenOriginal&) = delete;

    int error() const { return m_error; }
    int fd() const { return m_fd; }

    // A source reading the file from its start.
    VSource source() const {
        ::lseek(m_fd, 0, SEEK_SET);
        return VSource::new_from_descriptor(m_fd);
    }

    // After the decoder failed: the system's error when the file itself cannot be read to its
    // end (EIO), or 0 when its bytes are just not a sound picture.
    int readFailure() const {
        char piece[65536];
        off_t at = 0;
        for (;;) {
            const ssize_t got = ::pread(m_fd, piece, sizeof piece, at);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return got < 0 ? errno : 0;
            }
            at += got;
        }
    }

private:
    int m_fd;
    int m_error = 0;
};

// The pictures made of an original, all from one decoding.
enum class PictureKind {
    // For screens of high density: in a folder the run makes with its first picture, and
    // baseline instead of progressive, whose encoding would take as long again as all the rest
    // of a large picture.
    Large,
    Picture, // the web-size picture
    Mini,    // the preview
};

// Only the web-size pictures, in both sizes, carry the credits of the original.
constexpr bool carriesCredits(PictureKind kind) {
    return kind != PictureKind::Mini;
}

// One target to make: its kind, where it goes, its size, and whether it was made.
struct Target {
    PictureKind kind;
    const fs::path* path;
    int size;
    bool* made;
};

bool isOlder(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

VImage headerOf(const VSource& source) {
    return VImage::new_from_source(source, "",
                                   VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
}

// Sources open files by name as they are; VImage::new_from_file would read "[...]" in a name as
// loader options.
VImage headerOf(const fs::path& path) {
    return headerOf(VSource::new_from_file(path.c_str()));
}

// The loader of the original's kind, or an empty text for anything else.
std::string_view originalLoader(const VSource& source) {
    const char* loader = vips_foreign_find_load_source(source.get_source());
    if (loader == nullptr) {
        vips_error_clear();
        return {};
    }
    const std::string_view name(loader);
    const auto known =
        std::find_if(OriginalLoaders.begin(), OriginalLoaders.end(),
                     [name](std::string_view kind) { return name.starts_with(kind); });
    return known == OriginalLoaders.end() ? std::string_view() : *known;
}

int intField(const VImage& image, const char* name) {
    return image.get_typeof(name) != 0 ? image.get_int(name) : 0;
}

// The share of a full-resolution plane each chroma plane of a JPEG takes: 4:4:4 keeps it whole,
// 4:2:2 halves it, 4:2:0 quarters it.
double chromaShare(const VImage& image) {
    if (image.get_typeof("jpeg-chroma-subsample") == 0) {
        return 1.0;
    }
    const std::string_view mode = image.get_string("jpeg-chroma-subsample");
    return mode == "4:4:4" ? 1.0 : mode == "4:2:2" || mode == "4:4:0" ? 0.5 : 0.25;
}

// The most memory decoding the original takes. Most kinds are read a few rows at a time and need
// little beside the shrunk copy; a progressive JPEG needs all its coefficients (two bytes for each
// sample of each plane) before the first row, interlaced PNG, TIFF and WebP the whole image, HEIF
// the whole image and its planes as decoded.
unsigned long long decodingMemory(std::string_view loader, const VImage& image) {
    const auto pixels = static_cast<double>(image.width()) * static_cast<double>(image.height());
    const auto bands = static_cast<double>(image.bands());
    const auto sample = static_cast<double>(vips_format_sizeof(image.format()));
    double whole = 0;
    if (loader == "VipsForeignLoadJpeg") {
        if (intField(image, "jpeg-multiscan") != 0) {
            whole = pixels * 2.0 * (1.0 + (bands - 1.0) * chromaShare(image));
        }
    } else if (loader == "VipsForeignLoadPng") {
        whole = intField(image, "interlaced") != 0 ? pixels * bands * sample : 0;
    } else if (loader == "VipsForeignLoadHeif") {
        whole = pixels * (bands + 1.5) * sample;
    } else {
        whole = pixels * std::max(bands, 3.0) * sample;
    }
    return WorkingMemory + static_cast<unsigned long long>(whole);
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

// JPEG without any metadata: no location, no camera serial, no embedded preview.
std::unique_ptr<VipsBlob, BlobDeleter> encode(const VImage& image, int quality, bool progressive) {
    return std::unique_ptr<VipsBlob, BlobDeleter>(image.jpegsave_buffer(
        VImage::option()->set("Q", quality)->set("interlace", progressive)->set("strip", true)));
}

void writeTarget(const Target& target, const VImage& image, const OriginalMetadata& metadata,
                 const PreparationRequest& request, OriginalOutcome& outcome) {
    const bool large = target.kind == PictureKind::Large;
    const auto blob = encode(image, request.quality, !large);
    const VipsArea* area = VIPS_AREA(blob.get());
    std::string_view bytes(static_cast<const char*>(area->data), area->length);
    std::string credited;
    if (carriesCredits(target.kind)) {
        credited = withCredits(bytes, metadata, request, outcome.leftOut);
        if (!credited.empty()) {
            bytes = credited;
        }
    }
    if (large) {
        std::error_code ignored; // a folder that cannot be made shows as the file not written
        fs::create_directories(target.path->parent_path(), ignored);
    }
    if (const textfile::FileOutcome written = textfile::replaceFile(*target.path, bytes); written) {
        *target.made = true;
    } else {
        const int error = written.failure().error;
        outcome.failures.push_back({target.path->string(), texts::targetNotWritten(error), error});
    }
}

// With the large size, a JPEG more than twice as large is decoded at the smallest of its scales
// (1/2, 1/4, 1/8) that still holds the large size, a quarter of the work of the whole: the three
// targets share that one decoding. Without it libvips' own choice stands, which leaves twice the
// target, so the pictures come out as they always did.
int jpegScale(const Header& header, const std::vector<Target>& targets, int largest) {
    const bool large = std::any_of(targets.begin(), targets.end(),
                                   [](const Target& t) { return t.kind == PictureKind::Large; });
    int scale = 1;
    if (header.isJpeg && large) {
        const int longest = std::max(header.width, header.height);
        while (scale < 8 && longest / (scale * 2) >= largest) {
            scale *= 2;
        }
    }
    return scale;
}

// The image cut down to the longest side with the Catmull-Rom kernel, sharp and free of aliasing
// like libvips' Lanczos but with two thirds of its work: the large size's steps are small ones.
VImage cutDown(const VImage& image, int longestSide) {
    const double factor =
        static_cast<double>(longestSide) / std::max(image.width(), image.height());
    return factor < 1.0 ? image.resize(factor, VImage::option()->set("kernel", VIPS_KERNEL_CUBIC))
                        : image;
}

// Decodes the original once, shrunk on load to the largest target, and makes each target from
// that. A damaged original throws before anything is written.
void makeTargets(const OpenOriginal& original, const Header& header,
                 const OriginalMetadata& metadata, const std::vector<Target>& targets,
                 const PreparationRequest& request, OriginalOutcome& outcome) {
    int largest = 0;
    bool large = false;
    for (const Target& target : targets) {
        largest = std::max(largest, target.size);
        large = large || target.kind == PictureKind::Large;
    }
    const auto sized = [&] {
        auto options = VImage::option()->set("height", largest)->set("size", VIPS_SIZE_DOWN);
        if (header.hasProfile) {
            options->set("export_profile", "srgb");
        }
        return options;
    };
    // A damaged file fails instead of coming out grey in part. libjpeg reports missing or broken
    // data only as a warning; the other decoders warn also of harmless things (a PNG's odd
    // profile). libvips 8.14 passes fail_on to the loader of a source only as a loader option.
    VImage decoded;
    if (const int scale = jpegScale(header, targets, largest); scale > 1) {
        // Decoded at a scale that leaves less than twice the large size: one small step to it,
        // then upright and in sRGB, as the thumbnail would have made it.
        VImage loaded = VImage::new_from_source(original.source(), "",
                                                VImage::option()
                                                    ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                                    ->set("shrink", scale)
                                                    ->set("fail_on", VIPS_FAIL_ON_WARNING));
        loaded = cutDown(loaded, largest);
        if (header.hasProfile) {
            loaded = loaded.icc_transform("srgb", VImage::option()->set("embedded", true));
        }
        // Held in memory once; turned there, since turning needs the whole picture.
        decoded = webReady(loaded).copy_memory();
        if (intField(decoded, VIPS_META_ORIENTATION) > 1) {
            decoded = decoded.autorot().copy_memory();
        }
    } else {
        decoded = webReady(VImage::thumbnail_source(
            original.source(), largest,
            sized()->set("option_string", header.isJpeg ? "fail_on=warning" : "fail_on=error")));
    }
    if (targets.size() > 1) {
        // The targets come from one decoded copy; without it each would read the file again.
        decoded = decoded.copy_memory();
    }
    // With the large size the web-size picture is held too, and the preview is made from it: a
    // third of the pixels to read for the same preview.
    VImage smallest = decoded;
    for (const Target& target : targets) {
        if (target.size == largest) {
            writeTarget(target, decoded, metadata, request, outcome);
        } else if (large && carriesCredits(target.kind)) {
            // The web-size picture from the large one: one small step again.
            smallest = cutDown(decoded, target.size).copy_memory();
            writeTarget(target, smallest, metadata, request, outcome);
        } else {
            writeTarget(target,
                        smallest.thumbnail_image(target.size, VImage::option()
                                                                  ->set("height", target.size)
                                                                  ->set("size", VIPS_SIZE_DOWN)
                                                                  ->set("no_rotate", true)),
                        metadata, request, outcome);
        }
    }
}

// A web-size picture made anew without its large one: a large picture of an earlier run there
// may show an older original, and the pages would offer it. Only that one file goes.
void removeStaleLarge(const fs::path& large, OriginalOutcome& outcome) {
    if (!large.empty() && ::unlink(large.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) {
        const int error = errno;
        outcome.failures.push_back({large.string(), texts::staleLargeNotRemoved(error)});
    }
}

// Why the opened file cannot be an original: it cannot be read, is no plain file or is empty.
// Empty when it can; info then holds what fstat says of it.
std::string fileRefusal(const OpenOriginal& file, struct stat& info) {
    if (file.error() != 0 || ::fstat(file.fd(), &info) != 0) {
        return texts::originalUnreadable(file.error() != 0 ? file.error() : errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return texts::notAFile(info.st_mode);
    }
    if (info.st_size == 0) {
        return texts::originalEmpty();
    }
    return {};
}

// Reads the header of the original, and its metadata unless the run keeps none. Why it is
// skipped: no picture of a kind the run takes, too many pixels, more memory than the run has;
// empty when it is made.
std::string headerRefusal(const OpenOriginal& file, const PreparationRequest& request,
                          unsigned long long memory, Header& header, OriginalMetadata& metadata) {
    const std::string_view loader = originalLoader(file.source());
    if (loader.empty()) {
        return texts::notAPicture();
    }
    {
        const VImage image = headerOf(file.source());
        header = {image.width(), image.height(), image.get_typeof(VIPS_META_ICC_NAME) != 0,
                  loader == "VipsForeignLoadJpeg", decodingMemory(loader, image)};
        if (request.credits != CreditMode::None) {
            metadata = metadataOf(image);
        }
    }
    if (static_cast<long long>(header.width) * header.height > MostPixels) {
        return texts::pictureTooLarge(header.width, header.height);
    }
    if (header.decodingMemory > memory) {
        return texts::tooLargeForMemory(header.width, header.height, header.decodingMemory, memory);
    }
    return {};
}

// The large size only where the original has more than the web-size picture shows; else 0.
int largeSizeFor(int longest, const PreparationRequest& request) {
    return longest > request.pictureSize && request.largeSize > request.pictureSize
               ? request.largeSize
               : 0;
}

// The targets of the original that are asked for and need making, the large size first.
std::vector<Target> neededTargets(const PlannedOriginal& original,
                                  const PreparationRequest& request, int largeSize, int longest,
                                  const timespec& originalTime, OriginalOutcome& outcome) {
    const Target kinds[] = {
        {PictureKind::Large, &original.large, largeSize, &outcome.largeMade},
        {PictureKind::Picture, &original.picture, request.pictureSize, &outcome.pictureMade},
        {PictureKind::Mini, &original.mini, request.miniSize, &outcome.miniMade},
    };
    std::vector<Target> targets;
    for (const Target& target : kinds) {
        if (!target.path->empty() && target.size > 0 &&
            (request.redo ||
             isNeeded(*target.path, std::min(target.size, longest), originalTime))) {
            targets.push_back(target);
        }
    }
    return targets;
}

// Makes the targets once the original's decoding fits into the budget, and gives its share back
// after, also when the decoding fails.
void makeWithinBudget(MemoryBudget& budget, const OpenOriginal& file, const Header& header,
                      const OriginalMetadata& metadata, const std::vector<Target>& targets,
                      const PreparationRequest& request, OriginalOutcome& outcome) {
    budget.take(header.decodingMemory);
    struct GiveBack {
        MemoryBudget& budget;
        unsigned long long bytes;
        ~GiveBack() { budget.giveBack(bytes); }
    } const giveBack{budget, header.decodingMemory};
    makeTargets(file, header, metadata, targets, request, outcome);
}

} // namespace

void MemoryBudget::take(unsigned long long bytes) {
    std::unique_lock lock(m_mutex);
    const unsigned long long ticket = m_nextTicket++;
    m_changed.wait(lock, [&] { return ticket == m_serving && m_taken + bytes <= m_total; });
    m_taken += bytes;
    ++m_serving;
    m_changed.notify_all();
}

void MemoryBudget::giveBack(unsigned long long bytes) {
    {
        const std::lock_guard lock(m_mutex);
        m_taken -= bytes;
    }
    m_changed.notify_all();
}

OriginalOutcome prepareOriginal(const PlannedOriginal& original, const PreparationRequest& request,
                                MemoryBudget& budget) {
    OriginalOutcome outcome;
    if (!original.skipReason.empty()) {
        outcome.skipReason = original.skipReason;
        return outcome;
    }
    // Opened without waiting: a pipe named like a picture would block a plain open for good.
    const OpenOriginal file(original.source);
    struct stat info {};
    outcome.skipReason = fileRefusal(file, info);
    if (!outcome.skipReason.empty()) {
        return outcome;
    }
    try {
        Header header;
        OriginalMetadata metadata;
        outcome.skipReason = headerRefusal(file, request, budget.total(), header, metadata);
        if (!outcome.skipReason.empty()) {
            return outcome;
        }
        outcome.words = wordsOf(metadata);
        // Turning a picture upright swaps its sides, so the longest side stays what it is.
        const int longest = std::max(header.width, header.height);
        const int largeSize = largeSizeFor(longest, request);
        const std::vector<Target> targets =
            neededTargets(original, request, largeSize, longest, info.st_mtim, outcome);
        if (targets.empty()) {
            outcome.upToDate = true;
            return outcome;
        }
        makeWithinBudget(budget, file, header, metadata, targets, request, outcome);
        if (outcome.pictureMade && largeSize == 0) {
            removeStaleLarge(original.large, outcome);
        }
    } catch (const vips::VError&) {
        // libvips' own (English) words stay out of the report, and its error buffer, shared by
        // all workers, is not read: the file itself says whether it could not be read.
        vips_error_clear();
        const int readError = file.readFailure();
        outcome.skipReason =
            readError != 0 ? texts::originalUnreadable(readError) : texts::pictureDamaged();
        outcome.words = {}; // an original that gives no picture gives no words either
    }
    return outcome;
}

} // namespace bildertafel::imaging
