#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vips {
class VImage;
}

// An original's metadata and the fields of it that the run takes over: those that say whose the
// picture is, for its web-size JPEG, and the photographer's words (title, caption, descriptions
// for people who cannot see it), for the show's pages.
namespace bildertafel::imaging {

// The starts of the blocks in a JPEG's segments, each with its closing zeros.
inline constexpr std::string_view ExifStart("Exif\0\0", 6);
inline constexpr std::string_view XmpStart("http://ns.adobe.com/xap/1.0/\0", 29);
inline constexpr std::string_view PhotoshopStart("Photoshop 3.0\0", 14);

// An original's metadata blocks as the picture library read them: EXIF (with or without its
// "Exif\0\0" start), the XMP packet, and the Photoshop block that holds IPTC.
struct OriginalMetadata {
    std::string exif;
    std::string xmp;
    std::string photoshop;
};

OriginalMetadata metadataOf(const vips::VImage& image);

using LangTexts = std::vector<std::pair<std::string, std::string>>; // language, text

// The kept fields of one picture: whose it is, and the photographer's words.
struct MetadataFields {
    std::string artist;    // EXIF
    std::string copyright; // EXIF; the photographer's and the editor's notice apart by a zero
    std::vector<std::string> creators; // XMP dc:creator, in order
    LangTexts rights;                  // XMP dc:rights
    LangTexts usageTerms;              // XMP xmpRights:UsageTerms
    std::string webStatement;          // XMP xmpRights:WebStatement
    std::string marked;                // XMP xmpRights:Marked: "True" or "False"
    std::vector<std::string> byLines;  // IPTC
    std::string copyrightNotice;       // IPTC
    std::string credit;                // IPTC
    std::string source;                // IPTC
    std::string description;           // EXIF ImageDescription
    LangTexts titles;                  // XMP dc:title
    LangTexts descriptions;            // XMP dc:description
    std::string headline;              // XMP photoshop:Headline
    LangTexts altTexts;                // XMP Iptc4xmpCore:AltTextAccessibility
    LangTexts extendedDescriptions;    // XMP Iptc4xmpCore:ExtDescrAccessibility
    std::string objectName;            // IPTC
    std::string iptcHeadline;          // IPTC
    std::string caption;               // IPTC Caption-Abstract

    bool namesArtist() const { return !artist.empty() || !creators.empty() || !byLines.empty(); }
    bool namesCopyright() const {
        return !copyright.empty() || !rights.empty() || !copyrightNotice.empty();
    }
};

// Takes the fields of the original that can go into a picture, naming the reason for the rest.
class FieldReader {
public:
    explicit FieldReader(std::vector<std::string>& leftOut) : m_leftOut(leftOut) {}

    // True when the text can be taken: not too long, UTF-8.
    bool take(std::string_view label, std::string_view text);
    void invalid(std::string_view label);
    void damaged(std::string_view block);
    void tooLarge(std::string_view block);

private:
    std::vector<std::string>& m_leftOut;
};

// The kept fields of the EXIF, XMP and IPTC blocks; a field that cannot be taken is told to the
// reader.
MetadataFields readFields(const OriginalMetadata& original, FieldReader& reader);

// The XMP toolkit keeps global state that is not safe to use from two threads at once; every use
// of it holds this.
std::mutex& xmpMutex();

} // namespace bildertafel::imaging
