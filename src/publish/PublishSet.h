#pragma once

#include "generator/LinkCheck.h"

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

    bool operator==(const LocalFile&) const = default;
};

// Exactly what a visitor can reach: the start page and every file that its relative links and
// images name below the show folder, followed through every page (".html", ".htm") reached that
// way, with the link check's rules (names compared exactly, fragment and query dropped,
// percent-decoded).
struct PublishSet {
    // In sending order: pictures, then pages, then the start page; within a kind by path.
    std::vector<LocalFile> files;
    // German warnings, one per link that leaves the show folder ("Warnung: a.html: ../x.jpg
    // liegt außerhalb des Ordners der Fotoshow und wird nicht veröffentlicht"); not followed.
    std::vector<std::string> warnings;
    // Links that lead nowhere, as the link check names them; when there is any, nothing may be
    // sent, and error holds the link check's notice.
    std::vector<generator::MissingLink> missing;
    // German; empty when the set can be published. Also a start page that is missing or lies
    // not directly in the show folder, or a page that cannot be read.
    std::string error;

    std::uint64_t totalBytes() const;
};

// showFolder: absolute, with or without a trailing "/"; startPage: the start page's file name in
// the show folder ("index.html"). Reads the pages and the sizes; touches no server.
PublishSet collectPublishSet(const std::string& showFolder, const std::string& startPage);

} // namespace bildertafel::publish
