// The fields that say whose a picture is, through whole runs: originals written by exiftool,
// the finished pictures read back by it.
#include "imaging/PictureWords.h"
#include "imaging/Preparation.h"
#include "imaging/VipsSetup.h"

#include "RequestIn.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <cstdio>
#include <memory>
#include <set>

using namespace bildertafel::imaging;
using bildertafel::test::readFile;
using bildertafel::test::requestIn;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;
namespace fs = std::filesystem;

namespace {

using Fields = std::set<std::string>; // "Group:Tag=value" as exiftool prints them in JSON

std::string quoted(const std::string& text) {
    return "'" + text + "'"; // the texts of these tests hold no "'"
}

std::string output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string text;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        text += buffer;
    }
    return text;
}

// A plain picture of the given kind with the fields that exiftool sets from args.
void makeOriginal(const fs::path& path, const std::string& args) {
    ASSERT_TRUE(startVips());
    fs::create_directories(path.parent_path());
    const vips::VImage image = vips::VImage::black(64, 48, vips::VImage::option()->set("bands", 3));
    image.write_to_file((path.string() + "[strip]").c_str());
    const std::string said = output(EXIFTOOL " -q -q -overwrite_original " + args + " " +
                                    quoted(path.string()) + " 2>&1");
    ASSERT_EQ(said, "") << args;
}

// Every field exiftool finds, without those of the file itself and of the JPEG's frame.
Fields fieldsOf(const fs::path& path) {
    Fields fields;
    const std::string json = output(EXIFTOOL " -j -a -G1 " + quoted(path.string()));
    std::size_t at = 0;
    while ((at = json.find("\n  \"", at)) != std::string::npos) {
        at += 4;
        const std::size_t nameEnd = json.find("\": ", at);
        const std::size_t lineEnd = json.find('\n', nameEnd);
        const std::string name = json.substr(at, nameEnd - at);
        std::string value = json.substr(nameEnd + 3, lineEnd - nameEnd - 3);
        if (value.ends_with(',')) {
            value.pop_back();
        }
        bool structural = name == "SourceFile";
        for (const char* group : {"ExifTool:", "System:", "File:", "JFIF:", "Composite:"}) {
            structural = structural || name.starts_with(group);
        }
        if (!structural) {
            fields.insert(name + "=" + value);
        }
    }
    return fields;
}

std::string describe(const Fields& fields) {
    std::string text;
    for (const std::string& field : fields) {
        text += "\n  " + field;
    }
    return text;
}

const std::string Kept = "-EXIF:Artist='Jörg Müller' -EXIF:Copyright='© 2025 Jörg Müller' "
                         "-XMP-dc:Creator='Jörg Müller' -XMP-dc:Creator='Anna Zweit' "
                         "-XMP-dc:Rights='© 2025 Jörg Müller' "
                         "-XMP-xmpRights:UsageTerms='Nur mit Genehmigung' "
                         "-XMP-xmpRights:WebStatement=https://example.org/rechte "
                         "-XMP-xmpRights:Marked=True -IPTC:CodedCharacterSet=UTF8 "
                         "-IPTC:By-line='Jörg Müller' -IPTC:CopyrightNotice='© 2025 Jörg Müller' "
                         "-IPTC:Credit='Agentur Süd' -IPTC:Source=Archiv ";

const std::string NeverKept =
    "-GPSLatitude=52.5 -GPSLatitudeRef=N -GPSLongitude=13.4 -GPSLongitudeRef=E "
    "-XMP-photoshop:City=Berlin -XMP-photoshop:State=Berlin -XMP-photoshop:Country=Deutschland "
    "-XMP-iptcCore:Location=Alexanderplatz -IPTC:City=Berlin -IPTC:Sub-location=Mitte "
    "-IPTC:Province-State=Berlin -IPTC:Country-PrimaryLocationName=Deutschland "
    "-ExifIFD:SerialNumber=123456 -ExifIFD:LensSerialNumber=987 -ExifIFD:OwnerName='Otto Besitzer' "
    "-Make=Beispielwerk -Model=X1 '-MakerNoteUnknownText=Seriennummer 4711' -Orientation#=6 "
    "-XMP-xmpMM:HistoryAction=saved -XMP-xmpMM:HistoryWhen=2026:01:01 "
    "-XMP-mwg-rs:RegionName=Anna -XMP-mwg-rs:RegionType=Face -XMP-mwg-rs:RegionAreaX=0.5 "
    "-XMP-mwg-rs:RegionAreaY=0.5 -XMP-mwg-rs:RegionAreaW=0.1 -XMP-mwg-rs:RegionAreaH=0.1 "
    "-XMP-mwg-rs:RegionAreaUnit=normalized ";

const Fields KeptFields = {
    "IFD0:Artist=\"Jörg Müller\"",
    "IFD0:Copyright=\"© 2025 Jörg Müller\"",
    "XMP-dc:Creator=[\"Jörg Müller\",\"Anna Zweit\"]",
    "XMP-dc:Rights=\"© 2025 Jörg Müller\"",
    "XMP-xmpRights:UsageTerms=\"Nur mit Genehmigung\"",
    "XMP-xmpRights:WebStatement=\"https://example.org/rechte\"",
    "XMP-xmpRights:Marked=true",
    "IPTC:CodedCharacterSet=\"UTF8\"",
    "IPTC:By-line=\"Jörg Müller\"",
    "IPTC:CopyrightNotice=\"© 2025 Jörg Müller\"",
    "IPTC:Credit=\"Agentur Süd\"",
    "IPTC:Source=\"Archiv\"",
};

PreparationRequest requestFor(const TempDir& dir) {
    return requestIn(dir, 32, 16);
}

TEST(CreditFields, ThePictureKeepsWhoseItIsAndNothingElseThePreviewNothing) {
    TempDir dir;
    ASSERT_TRUE(startVips());
    vips::VImage::black(16, 12).jpegsave((dir / "daumen.jpg").c_str());
    makeOriginal(dir / "originale/a.jpg",
                 Kept + NeverKept + "'-ThumbnailImage<=" + (dir / "daumen.jpg").string() + "'");
    const Fields original = fieldsOf(dir / "originale/a.jpg");
    for (const char* field : {"GPS:GPSLatitude=", "XMP-photoshop:City=", "IPTC:Sub-location=",
                              "ExifIFD:SerialNumber=", "ExifIFD:MakerNoteUnknownText=",
                              "XMP-mwg-rs:RegionType=", "IFD0:Orientation=", "IFD0:Artist="}) {
        EXPECT_NE(describe(original).find(field), std::string::npos) << "not in the original";
    }

    const PreparationResult result = prepareImages(requestFor(dir));
    ASSERT_EQ(result.picturesMade, 1U) << preparationSummary(result);
    EXPECT_TRUE(result.leftOut.empty()) << preparationSummary(result);
    const Fields picture = fieldsOf(dir / "bilder/a.jpg");
    EXPECT_EQ(picture, KeptFields) << describe(picture);
    EXPECT_EQ(fieldsOf(dir / "thumbs/a.jpg"), Fields{});
}

struct NoticeCase {
    const char* label;
    std::string original; // exiftool's arguments
    CreditMode mode;
    const char* artist;
    const char* copyright;
    Fields expected;
};

TEST(CreditFields, TheNoticeFillsInAndReplacesAsAsked) {
    const Fields notice = {
        "IFD0:Artist=\"Anna Beispiel\"",
        "IFD0:Copyright=\"© 2026 Anna Beispiel\"",
        "XMP-dc:Creator=\"Anna Beispiel\"",
        "XMP-dc:Rights=\"© 2026 Anna Beispiel\"",
        "IPTC:CodedCharacterSet=\"UTF8\"",
        "IPTC:By-line=\"Anna Beispiel\"",
        "IPTC:CopyrightNotice=\"© 2026 Anna Beispiel\"",
    };
    Fields artistReplaced = KeptFields;
    for (const char* field : {"IFD0:Artist=\"Jörg Müller\"", "IPTC:By-line=\"Jörg Müller\"",
                              "XMP-dc:Creator=[\"Jörg Müller\",\"Anna Zweit\"]"}) {
        artistReplaced.erase(field);
    }
    artistReplaced.insert({"IFD0:Artist=\"Anna Beispiel\"", "XMP-dc:Creator=\"Anna Beispiel\"",
                           "IPTC:By-line=\"Anna Beispiel\""});
    Fields bothReplaced = artistReplaced;
    for (const char* field :
         {"IFD0:Copyright=\"© 2025 Jörg Müller\"", "XMP-dc:Rights=\"© 2025 Jörg Müller\"",
          "IPTC:CopyrightNotice=\"© 2025 Jörg Müller\""}) {
        bothReplaced.erase(field);
    }
    bothReplaced.insert({"IFD0:Copyright=\"© 2026 Anna Beispiel\"",
                         "XMP-dc:Rights=\"© 2026 Anna Beispiel\"",
                         "IPTC:CopyrightNotice=\"© 2026 Anna Beispiel\""});
    const Fields onlyByLine = {
        "IPTC:CodedCharacterSet=\"UTF8\"",
        "IPTC:By-line=\"Jörg Müller\"",
        "IFD0:Copyright=\"© 2026 Anna Beispiel\"",
        "XMP-dc:Rights=\"© 2026 Anna Beispiel\"",
        "IPTC:CopyrightNotice=\"© 2026 Anna Beispiel\"",
    };
    const NoticeCase cases[] = {
        {"none in the original", NeverKept, CreditMode::Keep, "Anna Beispiel",
         "© 2026 Anna Beispiel", notice},
        {"the original's stay", Kept, CreditMode::Keep, "Anna Beispiel", "© 2026 Anna Beispiel",
         KeptFields},
        {"replaced", Kept + NeverKept, CreditMode::Replace, "Anna Beispiel", "© 2026 Anna Beispiel",
         bothReplaced},
        {"an empty notice replaces nothing", Kept, CreditMode::Replace, "Anna Beispiel", "",
         artistReplaced},
        {"a by-line names the artist", "-IPTC:CodedCharacterSet=UTF8 -IPTC:By-line='Jörg Müller'",
         CreditMode::Keep, "Anna Beispiel", "© 2026 Anna Beispiel", onlyByLine},
        {"no metadata at all",
         Kept + NeverKept,
         CreditMode::None,
         "Anna Beispiel",
         "© 2026 Anna Beispiel",
         {}},
        {"nothing asked, nothing there", NeverKept, CreditMode::Keep, "", "", {}},
    };
    for (const NoticeCase& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        makeOriginal(dir / "originale/a.jpg", c.original);
        PreparationRequest request = requestFor(dir);
        request.credits = c.mode;
        request.artist = c.artist;
        request.copyright = c.copyright;
        const PreparationResult result = prepareImages(request);
        ASSERT_EQ(result.picturesMade, 1U) << preparationSummary(result);
        const Fields picture = fieldsOf(dir / "bilder/a.jpg");
        EXPECT_EQ(picture, c.expected) << describe(picture);
    }
}

struct HostileCase {
    const char* label;
    const char* name;
    std::string original;
    void (*spoil)(const fs::path&); // changes the original's bytes after exiftool
    std::size_t reasons;            // fields left out
    const char* reason;             // the first one's
    Fields expected;
};

TEST(CreditFields, AHostileFieldIsLeftOutWithItsReason) {
    TempDir dir;
    writeFile(dir / "lang.txt", std::string(1 << 20, 'x'));
    const std::string big = (dir / "lang.txt").string();
    const HostileCase cases[] = {
        {"1 MB copyright",
         "a.png",
         "-EXIF:Artist=Anna -GPSLatitude=52.5 -GPSLatitudeRef=N '-EXIF:Copyright<=" + big +
             "' '-XMP-dc:Rights<=" + big + "' -XMP-dc:Creator=Anna",
         nullptr,
         2,
         "„EXIF Copyright“ ist mit 1048576 Bytes zu lang",
         {"IFD0:Artist=\"Anna\"", "XMP-dc:Creator=\"Anna\""}},
        {"invalid UTF-8",
         "b.jpg",
         "-EXIF:Artist=\"$(printf 'Anna \\351')\" -EXIF:Copyright=Anna -XMP-photoshop:City=Berlin",
         nullptr,
         1,
         "„EXIF Artist“ ist kein Text in UTF-8",
         {"IFD0:Copyright=\"Anna\""}},
        {"broken XMP packet",
         "c.jpg",
         "-EXIF:Artist=Anna -XMP-dc:Rights=Anna -XMP-photoshop:City=Berlin",
         [](const fs::path& path) {
             std::string bytes = readFile(path);
             const std::size_t end = bytes.find("</rdf:RDF>");
             ASSERT_NE(end, std::string::npos);
             bytes.replace(end, 10, "</rdf:RDX>");
             writeFile(path, bytes);
         },
         1,
         "Die XMP-Angaben des Originals sind beschädigt",
         {"IFD0:Artist=\"Anna\""}},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(dir / "originale");
        fs::remove_all(dir / "bilder");
        makeOriginal(dir / "originale" / c.name, "-m " + c.original);
        if (c.spoil != nullptr) {
            c.spoil(dir / "originale" / c.name);
        }
        const PreparationResult result = prepareImages(requestFor(dir));
        ASSERT_EQ(result.picturesMade, 1U) << preparationSummary(result);
        ASSERT_EQ(result.leftOut.size(), c.reasons) << preparationSummary(result);
        EXPECT_EQ(result.leftOut[0].name, c.name);
        EXPECT_NE(result.leftOut[0].reason.find(c.reason), std::string::npos)
            << result.leftOut[0].reason;
        EXPECT_NE(preparationSummary(result).find("Nicht übernommene Angaben:"), std::string::npos);
        const fs::path picture = dir / "bilder" / (fs::path(c.name).stem().string() + ".jpg");
        const Fields fields = fieldsOf(picture);
        EXPECT_EQ(fields, c.expected) << describe(fields);
    }
}

TEST(CreditFields, ANoticeThatCannotBeWrittenRefusesTheRun) {
    const struct {
        std::string artist, copyright;
        const char* refusal;
    } cases[] = {
        {"Anna \xe9", "", "Feld „Urheber“ ist kein gültiges UTF-8"},
        {"", std::string(LongestCreditText + 1, 'x'),
         "Feld „Copyright“ ist mit 2001 Bytes zu lang"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        makeOriginal(dir / "originale/a.jpg", "-EXIF:Artist=Anna");
        PreparationRequest request = requestFor(dir);
        request.artist = c.artist;
        request.copyright = c.copyright;
        const PreparationResult result = prepareImages(request);
        EXPECT_EQ(result.outcome, PreparationOutcome::Refused);
        EXPECT_NE(result.refusal.find(c.refusal), std::string::npos) << result.refusal;
        EXPECT_FALSE(fs::exists(dir / "bilder"));
    }
}

struct WordsCase {
    const char* label;
    std::string original; // exiftool's arguments
    bildertafel::words::PictureWords words;
    Fields expected;     // the picture's fields
    const char* leftOut; // the reason of the one field left out, or none
};

TEST(CreditFields, ThePhotographersWordsAreKeptAndSaidInTheirOrder) {
    TempDir dir;
    writeFile(dir / "lang.txt", std::string(3000, 'x'));
    const std::string big = (dir / "lang.txt").string();
    const std::string summer = "Großmutter am See, Juli – <Sommer> & Sonne";
    const WordsCase cases[] = {
        {"every field",
         "-EXIF:ImageDescription='Beschreibung' -XMP-dc:Title='Großmutter' "
         "-XMP-dc:Description='" +
             summer +
             "' -XMP-photoshop:Headline=Schlagzeile "
             "-XMP-iptcCore:AltTextAccessibility='Eine Frau am Ufer' "
             "-XMP-iptcCore:ExtDescrAccessibility='Lang beschrieben' -IPTC:CodedCharacterSet=UTF8 "
             "-IPTC:ObjectName=Objekt -IPTC:Headline=Kopf -IPTC:Caption-Abstract='Unterschrift'",
         {"Großmutter", summer, "Eine Frau am Ufer"},
         {"IFD0:ImageDescription=\"Beschreibung\"", "XMP-dc:Title=\"Großmutter\"",
          "XMP-dc:Description=\"" + summer + "\"", "XMP-photoshop:Headline=\"Schlagzeile\"",
          "XMP-iptcCore:AltTextAccessibility=\"Eine Frau am Ufer\"",
          "XMP-iptcCore:ExtDescrAccessibility=\"Lang beschrieben\"",
          "IPTC:CodedCharacterSet=\"UTF8\"", "IPTC:ObjectName=\"Objekt\"", "IPTC:Headline=\"Kopf\"",
          "IPTC:Caption-Abstract=\"Unterschrift\""},
         nullptr},
        {"IPTC alone, a hostile caption",
         "-IPTC:CodedCharacterSet=UTF8 -IPTC:Headline=Kopf "
         "'-IPTC:Caption-Abstract=<img src=x onerror=alert(1)>'",
         {"Kopf", "<img src=x onerror=alert(1)>", ""},
         {"IPTC:CodedCharacterSet=\"UTF8\"", "IPTC:Headline=\"Kopf\"",
          "IPTC:Caption-Abstract=\"<img src=x onerror=alert(1)>\""},
         nullptr},
        {"EXIF's description is a caption, a camera's own text is none",
         "-EXIF:ImageDescription='" + summer + "'",
         {"", summer, ""},
         {"IFD0:ImageDescription=\"" + summer + "\""},
         nullptr},
        {"a camera's own text", "-EXIF:ImageDescription='OLYMPUS DIGITAL CAMERA'", {}, {}, nullptr},
        {"an oversized caption is left out, the next one says it",
         "'-XMP-dc:Description<=" + big + "' -EXIF:ImageDescription=Kurz",
         {"", "Kurz", ""},
         {"IFD0:ImageDescription=\"Kurz\""},
         "„XMP dc:description“ ist mit 3000 Bytes zu lang"},
    };
    for (const WordsCase& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(dir / "originale");
        fs::remove_all(dir / "bilder");
        makeOriginal(dir / "originale/a.jpg", "-m " + c.original);
        const PreparationResult result = prepareImages(requestFor(dir));
        ASSERT_EQ(result.picturesMade, 1U) << preparationSummary(result);
        const Fields picture = fieldsOf(dir / "bilder/a.jpg");
        EXPECT_EQ(picture, c.expected) << describe(picture);
        EXPECT_EQ(result.leftOut.size(), c.leftOut != nullptr ? 1U : 0U)
            << preparationSummary(result);
        if (c.leftOut != nullptr && !result.leftOut.empty()) {
            EXPECT_NE(result.leftOut[0].reason.find(c.leftOut), std::string::npos)
                << result.leftOut[0].reason;
        }
        const bildertafel::words::PictureWords none;
        EXPECT_EQ(result.words.empty() ? none : result.words[0].words, c.words);

        // The picture says them as its original did.
        std::vector<bildertafel::words::WordsEntry> read;
        ASSERT_TRUE(wordsInPictures((dir / "bilder/").string(), {"a.jpg", "fehlt.jpg"}, read));
        EXPECT_EQ(read.empty() ? none : read[0].words, c.words);
    }
}

TEST(CreditFields, WithoutMetadataThereAreNoWordsEitherAndAnUpToDatePictureStillSaysThem) {
    TempDir dir;
    makeOriginal(dir / "originale/a.jpg", "-XMP-dc:Title=Titel");
    PreparationRequest request = requestFor(dir);
    request.credits = CreditMode::None;
    EXPECT_TRUE(prepareImages(request).words.empty());

    request.credits = CreditMode::Keep;
    const PreparationResult again = prepareImages(request);
    EXPECT_EQ(again.upToDate, 1U);
    ASSERT_EQ(again.words.size(), 1U);
    EXPECT_EQ(again.words[0].name, "a.jpg");
    EXPECT_EQ(again.words[0].words.title, "Titel");
}

} // namespace
