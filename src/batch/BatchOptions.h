#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace bildertafel::batch {

// What the command line asks for. The run applies it in this order: the defaults, the
// configuration file (or the set), the option overrides, the pictures-per-row text, saving the
// configuration, then the generation (only when the folders are given).
struct BatchOptions {
    std::optional<std::string> config;     // read onto the defaults as the window loads a file
    std::optional<std::string> preset;     // the name of an installed set, loaded as config is
    std::optional<std::string> saveConfig; // the whole path, written as the window saves
    std::optional<std::string> perRow;
    std::optional<std::int16_t> ownPages; // 0 or 1
    std::optional<std::int16_t> newWindow;
    std::optional<std::int16_t> allPage;
    std::string show;
    std::string minis;
    std::string pictures;
    std::optional<std::string> name; // the answer to the name dialog; none: its preset
    bool strict = false;             // links of the pages that lead nowhere make the run fail
    // The folder of the originals: the previews and pictures are made before the generation.
    std::string prepare;
    std::optional<int> pictureSize; // 0 or 16 to 20000
    std::optional<int> largeSize;   // the same
    std::optional<int> miniSize;
    std::optional<int> quality; // 1 to 100
    bool redo = false;
    std::optional<std::string> artist;    // the web-size pictures' "Urheber" where none is named
    std::optional<std::string> copyright; // their "Copyright" likewise
    bool replaceCredits = false;          // the two instead of the originals' own
    bool noCredits = false;               // no metadata at all
    // The words the pictures of --pictures carry go into the show's file of words, for pictures
    // that have no entry there yet.
    bool wordsFromPictures = false;
    // The address the show folder goes to, after the generation when that is asked too.
    std::string publish;
    std::optional<std::string> startPage; // none: the --name of the run, else its preset
    bool dryRun = false;
    bool deleteUnneeded = false;
    // SFTP: the private key tried first, as "Schlüsseldatei…" chooses it in the window.
    std::optional<std::string> keyFile;
    // A visitor's answer ("-": standard input): its pictures are printed, and with copySelection
    // copied from the originals (or, without them, the pictures of --pictures).
    std::optional<std::string> selection;
    std::optional<std::string> copySelection;
    std::string originals;
    // Visitors of the show may choose pictures and send their choice to this address.
    std::optional<std::string> selectionMail;
    std::optional<std::string> selectionNote;
    // "Alle Bilder als ZIP anbieten": 0 off, 1 the pictures, 2 the large ones.
    std::optional<int> zip;
    // Who may see the published show: --protect USER (the password from
    // BILDERTAFEL_SHOW_PASSWORD, or asked twice on the terminal), --no-protect; neither: a
    // protected show on the server stays protected as it is.
    std::optional<std::string> protectUser;
    bool noProtect = false;
    std::optional<std::string> visibleUntil; // YYYY-MM-DD
    std::optional<std::string> webAddress;   // of the target folder, for the check from outside
    std::optional<std::string> serverPath;   // the target folder's path on the web server
    std::optional<std::int16_t> noindex;     // on: search engines are asked to keep away
    bool noCheck = false;
    // s3://: the show's objects get "x-amz-acl: public-read" (providers that need it).
    bool publicRead = false;

    // A run without folders only reads and writes configuration files; with --prepare the
    // generation follows when the show folder is given; --publish with the show folder alone
    // only publishes.
    bool generates() const {
        if (!publish.empty() && minis.empty() && pictures.empty()) {
            return false;
        }
        if (wordsFromPictures && minis.empty()) {
            return false;
        }
        return !show.empty() || (prepare.empty() && (!minis.empty() || !pictures.empty()));
    }
};

struct ParsedCommandLine {
    enum class Kind { Run, Help, ListPresets, WrongUsage };
    Kind kind = Kind::Run;
    BatchOptions options;
    std::string error; // for WrongUsage: what is wrong, in German
};

// Reads the arguments after the program name.
ParsedCommandLine parseCommandLine(std::span<const std::string_view> args);

} // namespace bildertafel::batch
