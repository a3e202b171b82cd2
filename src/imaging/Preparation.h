#pragma once

#include "words/PictureWords.h"

#include <cerrno>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::imaging {

// The limits of the sizes and the quality a run can be asked for.
inline constexpr int DefaultPictureSize = 1600;
inline constexpr int DefaultLargeSize = 2560;
inline constexpr int DefaultMiniSize = 160;
inline constexpr int DefaultQuality = 85;
inline constexpr int SmallestSize = 16; // a size is 0 (that kind is not made) or 16 to 20000
inline constexpr int LargestSize = 20000;
constexpr bool isValidSize(int size) {
    return size == 0 || (size >= SmallestSize && size <= LargestSize);
}

// Which notices of authorship the web-size pictures carry. Previews never carry any.
enum class CreditMode {
    Keep,    // the original's; the run's own notice where an original names no one
    Replace, // the run's own notice instead of the original's, where the run has one
    None,    // nothing at all: no metadata in any picture
};

// The longest text of one field, in bytes, that a web-size picture takes over.
inline constexpr std::size_t LongestCreditText = 2000;

// What one run of "Bilder vorbereiten" is asked to make. Folders are absolute and end in "/".
struct PreparationRequest {
    std::string originalsFolder;
    std::string PictureFolder;            // the web-size pictures
    std::string ThumbFolder;              // the previews ("Mini-Bilder")
    int pictureSize = DefaultPictureSize; // longest side in pixels; 0: no web-size pictures
    // The large size beside the web-size pictures, in their sub-folder LargePictureFolder, for
    // originals larger than pictureSize; 0: none.
    int largeSize = DefaultLargeSize;
    int miniSize = DefaultMiniSize; // longest side in pixels; 0: no previews
    int quality = DefaultQuality;   // JPEG quality, 1 to 100
    bool redo = false;              // make every target again, needed or not
    CreditMode credits = CreditMode::Keep;
    std::string artist;    // "Urheber", UTF-8; empty: none
    std::string copyright; // "Copyright", UTF-8; empty: none
    // Bytes the originals being decoded at one time may take together; 0: defaultMemoryBudget().
    // An original that alone would need more is skipped.
    unsigned long long memoryBudget = 0;
    // Originals not listed in this run at all: handled already by an earlier one that ended early.
    std::vector<std::string> leaveOut;
};

// A quarter of the machine's memory, at most 2 GiB.
unsigned long long defaultMemoryBudget();

struct SkippedOriginal {
    std::string name;   // the original's file name
    std::string reason; // German
};

// A field of an original that its web-size picture does not carry, and why.
struct LeftOutField {
    std::string name;   // the original's file name
    std::string reason; // German
};

struct FailedTarget {
    std::string path;   // the target that could not be written
    std::string reason; // German
    int error = 0;      // the system's error number, where the system refused
};

// The system refuses writing into the target's folder itself (no permission, a read-only file
// system): every other target there would fail alike, so the run stops at the first.
inline bool refusesEveryTarget(int error) {
    return error == EACCES || error == EROFS;
}

// What became of one original.
struct OriginalOutcome {
    std::string skipReason; // German; set when the original was skipped
    bool upToDate = false;  // nothing needed making
    bool pictureMade = false;
    bool largeMade = false;
    bool miniMade = false;
    std::vector<FailedTarget> failures;
    // Every target made or up to date, nothing skipped.
    bool complete() const { return skipReason.empty() && failures.empty(); }
    std::vector<std::string> leftOut; // German: fields of the original its picture does not carry
    // The photographer's words in the original (none with CreditMode::None), also when its
    // targets were up to date.
    words::PictureWords words;
};

// Where a run stands; reported after each original.
struct PreparationProgress {
    std::size_t done = 0;                     // originals finished (made, up to date or skipped)
    std::size_t total = 0;                    // originals of the run
    std::string currentName;                  // the original just finished
    double secondsLeft = -1;                  // estimate; negative while unknown
    const OriginalOutcome* outcome = nullptr; // of the original just finished, during the call
    std::size_t completed = 0; // of those done, the ones with every target made or up to date
};

enum class PreparationOutcome {
    Done,      // every original handled (some may have been skipped, some targets failed)
    Refused,   // nothing written: see refusal
    Cancelled, // stopped on request after the pictures in progress; what is finished stays
    Crashed,   // the program making the pictures ended unexpectedly; what is finished stays
    // Stopped at the first target the system would not let be written into its folder (see
    // refusesEveryTarget): notWritable holds it; what is finished stays.
    NotWritable,
};

struct PreparationResult {
    PreparationOutcome outcome = PreparationOutcome::Done;
    std::string refusal; // German, when Refused
    std::size_t originals = 0;
    std::size_t finished =
        0; // originals handled before the run ended (all of them unless cancelled)
    std::size_t upToDate = 0; // originals whose targets were all up to date already
    std::size_t picturesMade = 0;
    std::size_t minisMade = 0;
    std::vector<SkippedOriginal> skipped; // in the originals' list order
    std::vector<FailedTarget> failures;   // in the originals' list order
    std::vector<LeftOutField> leftOut;    // in the originals' list order; the pictures are made
    std::size_t largeMade = 0;            // pictures made in the large size too
    // The words of the originals that have any, by the name of their pictures, in list order.
    std::vector<words::WordsEntry> words;
    std::size_t completed = 0; // originals finished with every target made or up to date
    FailedTarget notWritable;  // with NotWritable: the target that stopped the run

    // True when no original was skipped and no target failed.
    bool complete() const { return skipped.empty() && failures.empty(); }
};

// How a run talks to its host. Each may be empty. They are called one at a time, possibly from
// a worker thread, never at the same time.
struct PreparationCallbacks {
    std::function<void(const PreparationProgress&)> progress;
    // Asked before an original is begun: true stops the run after the pictures in progress.
    std::function<bool()> cancelRequested;
    // An original is begun, on the thread that works on it.
    std::function<void(const std::string& name)> begun;
};

// Makes the web-size pictures and the previews of the originals, as far as they are needed.
PreparationResult prepareImages(const PreparationRequest& request,
                                const PreparationCallbacks& callbacks = {});

// The German summary shown after a run: what was made, the skipped originals (the first 20,
// then how many more) and the targets that could not be written.
std::string preparationSummary(const PreparationResult& result);

// True for the names of originals: .jpg, .jpeg, .png, .tif, .tiff, .webp, .heic, .heif in any
// letter case, not hidden.
bool isOriginalName(std::string_view name);

// The name of both targets of an original: NAME.jpg, except that a name ending in ".jpg" in any
// letter case is kept exactly.
std::string targetNameFor(std::string_view originalName);

// Larger originals would take gigabytes to decode; no camera makes them. They are skipped.
inline constexpr long long MostPixels = 250'000'000;

} // namespace bildertafel::imaging
