#pragma once

#include "generator/SelectionBlock.h"
#include "generator/ShowZip.h"
#include "host/DialogHost.h"
#include "links/LinkCheck.h"
#include "settings/ShowSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace bildertafel::generator {

// What a generation run needs of its surroundings besides the two dialogs.
class GeneratorHost {
public:
    virtual ~GeneratorHost() = default;

    // The busy pointer while the pages are written.
    virtual void setBusy(bool on) = 0;
    // Re-read the file lists so that the new pages are listed and counted.
    virtual void refreshFileLists() = 0;
    // After a run that wrote its pages: the full path of the start page.
    virtual void startPageWritten(const std::string& path) = 0;
    // After pages were written whose links or images name files that are not there.
    virtual void reportMissingLinks(const std::vector<links::MissingLink>& links) = 0;
    // Once the start page's name is known (its full path), before anything is written: the
    // settings to write the pages with, the run's own or others the host loaded, or none to
    // write nothing. Unless a host says otherwise, the run's own.
    virtual std::optional<settings::ShowSettings>
    settingsForPages(const std::string& startPagePath, const settings::ShowSettings& settings) {
        (void)startPagePath;
        return settings;
    }
};

// The inputs of one run; folder paths are absolute and end in "/".
struct ShowGeneratorInput {
    settings::ShowSettings settings;
    std::string ShowFolder;
    std::string ThumbFolder;
    std::string PictureFolder;
    std::vector<std::string> ThumbNames; // file names without folder, in list order
    long PictureCount = 0;
    // Visitors may choose pictures on the start page; none: the pages have nothing of it.
    std::optional<SelectionChoice> selection;
    // "Alle Bilder als ZIP anbieten": START.zip beside the start page, linked from it.
    ZipChoice zip = ZipChoice::Off;
    // The pages ask search engines to leave them and their pictures out; off: not a byte of the
    // pages changes.
    bool noindex = false;
};

enum class RunOutcome {
    Refused,     // a folder check failed, two pages would share a file name, the show's file of
                 // words cannot be read, or another run works on the show; a message was shown,
                 // nothing written
    Cancelled,   // empty or invalid start page name (a message was shown), or the host chose to
                 // write nothing; nothing written
    Written,     // every page written
    WriteFailed, // the file system failed; a message was shown, the run stopped at that step
};

class ShowGenerator {
public:
    // Checks the folders, asks for the start page's name, waits a moment for another run on the
    // same show to end (refusing when it does not), reads the show's file of words and writes the
    // pages, with the words of the pictures that have any. Every file is
    // replaced safely, and a page that would get the bytes it holds already is left untouched;
    // when the file system fails, the run stops there, refreshes the file lists, switches the
    // busy indicator off and names the file and the system's reason. After a written run the
    // links and images of the pages are looked for on the disk, and those that name no file
    // are reported to the host.
    static RunOutcome run(const ShowGeneratorInput& input, GeneratorHost& host,
                          host::DialogHost& dialogs);
};

} // namespace bildertafel::generator
