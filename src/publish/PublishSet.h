#pragma once

#include "links/LinkCheck.h"
#include "publish/FailureFacts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bildertafel::publish {

// What a file is to a visitor; the files of a publish go up in this order, so that a visitor
// never follows a new link to a file that is not there yet.
enum class FileKind {
    Picture,   // everything that is not a page: pictures, previews, style sheets, downloads
    Page,      // picture pages and the all-pictures page, any page but the start page
    StartPage, // the chosen start page, last
};

struct LocalFile {
    std::string path; // below the show folder, "/"-separated, the bytes of the names as on disk
    std::uint64_t size = 0;
    FileKind kind = FileKind::Picture;
    // Where the bytes are read: the file's real path (absolute, every symbolic link resolved),
    // which lies inside the show folder's real path. A link inside the show to another file of
    // the show sends that file's bytes under the link's name.
    std::string source;
    // Its modification time when the set was made, in nanoseconds since 1970: the file that is
    // sent must still have it.
    std::int64_t modified = 0;

    bool operator==(const LocalFile&) const = default;
};

// Exactly what a visitor can reach: the start page and every file that its relative links and
// images name below the show folder, followed through every page (".html", ".htm") reached that
// way, with the link check's rules (names compared exactly, fragment and query dropped,
// percent-decoded). Only the show's own files: a file belongs to the set only when its real
// path (every symbolic link resolved) lies inside the show folder's real path, it is a regular
// file, no part of its path below the show folder (as linked, and as resolved) starts with "."
// and it is no ".cfg" file. Whatever else a page links is left out with a warning.
struct PublishSet {
    // In sending order: pictures, then pages, then the start page; within a kind by path.
    std::vector<LocalFile> files;
    // German warnings, one per page and link that is left out ("Warnung: a.html: ../x.jpg
    // liegt außerhalb des Ordners der Fotoshow und wird nicht veröffentlicht"); not followed.
    std::vector<std::string> warnings;
    // Links that lead nowhere, as the link check names them; when there is any, nothing may be
    // sent, and error holds the link check's notice.
    std::vector<links::MissingLink> missing;
    // German; empty when the set can be published. Also a start page that is missing or lies
    // not directly in the show folder, or a page that cannot be read.
    std::string error;
};

// showFolder: absolute, with or without a trailing "/"; startPage: the start page's file name in
// the show folder ("index.html"); controls: how the calling front end names its own. Reads the
// pages and the sizes; touches no server.
PublishSet collectPublishSet(const std::string& showFolder, const std::string& startPage,
                             const ControlNames& controls = {});

// Why a name below the show folder is never sent, whatever links it: German ("ist versteckt"),
// empty when it may be. Hidden names (a part starting with "."), configuration files (".cfg"),
// the show's words (bildtexte.txt) and the program's own files on the server are never sent.
std::string neverSentReason(std::string_view below);
// The show's words file, which earlier versions sent: a record may name it, so that it can be
// removed as no longer needed.
bool isWordsFile(std::string_view below);

} // namespace bildertafel::publish
