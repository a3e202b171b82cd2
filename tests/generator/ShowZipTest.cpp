#include "generator/ShowZip.h"
#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <sys/stat.h>

namespace bildertafel::test {
namespace {

using generator::ZipChoice;

struct Entry {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::string bytes;
};

std::uint16_t at16(const std::string& data, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) |
                                      static_cast<unsigned char>(data[at + 1]) << 8);
}

// The zip's central directory as its bytes say, and each entry's content as libzip reads it.
std::vector<Entry> entriesOf(const std::filesystem::path& path) {
    const std::string data = readFile(path);
    std::vector<Entry> entries;
    for (std::size_t at = data.find("PK\1\2"); at != std::string::npos;
         at = data.find("PK\1\2", at + 4)) {
        entries.push_back({data.substr(at + 46, at16(data, at + 28)),
                           at16(data, at + 8),
                           at16(data, at + 10),
                           {}});
    }
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    EXPECT_NE(archive, nullptr);
    for (std::size_t i = 0; archive != nullptr && i < entries.size(); ++i) {
        zip_file_t* file = zip_fopen_index(archive, i, 0);
        std::string bytes(1 << 16, '\0');
        const zip_int64_t got = zip_fread(file, bytes.data(), bytes.size());
        entries[i].bytes = bytes.substr(0, static_cast<std::size_t>(std::max<zip_int64_t>(got, 0)));
        zip_fclose(file);
    }
    if (archive != nullptr) {
        zip_discard(archive);
    }
    return entries;
}

struct ZipCase {
    const char* name;
    ZipChoice choice;
    std::vector<std::string> expected; // name=bytes, in show order
};

class ShowZip : public testing::TestWithParam<ZipCase> {};

TEST_P(ShowZip, StoresThePicturesWithUtf8NamesAndWritesOnlyWhenOneChanged) {
    const ZipCase& row = GetParam();
    Show show({"Bild 2.jpg", "Möwe über der Düne.jpg", "fehlt.jpg"});
    writeFile(show.pictures() / "Bild 2.jpg", "zwei");
    writeFile(show.pictures() / "Möwe über der Düne.jpg", "möwe");
    writeFile(show.pictures() / "gross/Möwe über der Düne.jpg", "möwe groß");
    const std::filesystem::path zipPath = show.show() / "bilder01.zip";
    const auto entries =
        generator::zipEntriesFor(show.input.ThumbNames, show.input.PictureFolder, row.choice);
    std::uint64_t bytes = 0;
    ASSERT_TRUE(generator::writeShowZip(zipPath.string(), entries, bytes));

    std::vector<std::string> found;
    for (const Entry& entry : entriesOf(zipPath)) {
        found.push_back(entry.name + "=" + entry.bytes);
        EXPECT_EQ(entry.method, 0) << entry.name << ": stored";
        const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        EXPECT_EQ((entry.flags & 0x800) != 0, !ascii) << entry.name << ": the UTF-8 flag";
    }
    EXPECT_EQ(found, row.expected);
    EXPECT_EQ(bytes, std::filesystem::file_size(zipPath));

    // Again with nothing changed: the same file, untouched; a picture changed: a new one.
    struct stat before {};
    ASSERT_EQ(::stat(zipPath.c_str(), &before), 0);
    ASSERT_TRUE(generator::writeShowZip(zipPath.string(), entries, bytes));
    struct stat again {};
    ASSERT_EQ(::stat(zipPath.c_str(), &again), 0);
    EXPECT_EQ(again.st_ino, before.st_ino);
    EXPECT_EQ(again.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    writeFile(entries.front().path, "neu");
    ASSERT_TRUE(generator::writeShowZip(zipPath.string(), entries, bytes));
    EXPECT_EQ(entriesOf(zipPath).front().bytes, "neu");
    EXPECT_EQ(listNames(show.show()), "bilder\nbilder01.zip\nminis\n") << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ShowZip,
    testing::Values(ZipCase{"Pictures",
                            ZipChoice::Pictures,
                            {"Bild 2.jpg=zwei", "Möwe über der Düne.jpg=möwe"}},
                    ZipCase{"LargeWhereThereAre",
                            ZipChoice::Large,
                            {"Bild 2.jpg=zwei", "Möwe über der Düne.jpg=möwe groß"}}),
    [](const testing::TestParamInfo<ZipCase>& info) { return info.param.name; });

TEST(ShowZipCount, MoreThan65535PicturesTakeZip64) {
    TempDir dir;
    std::filesystem::create_directories(dir / "bilder");
    std::vector<generator::ZipEntry> entries;
    for (int n = 0; n < 65'600; ++n) {
        const std::string name = std::to_string(n) + ".jpg";
        writeFile(dir / "bilder" / name, "");
        entries.push_back({name, (dir / "bilder" / name).string()});
    }
    std::uint64_t bytes = 0;
    ASSERT_TRUE(generator::writeShowZip((dir / "alle.zip").string(), entries, bytes));
    const std::string data = readFile(dir / "alle.zip");
    EXPECT_NE(data.find("PK\6\6"), std::string::npos) << "the ZIP64 end of the directory";
    int error = 0;
    zip_t* archive = zip_open((dir / "alle.zip").c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(zip_get_num_entries(archive, 0), 65'600);
    zip_discard(archive);
}

TEST(ShowZipPage, TheStartPageLinksItWithItsSize) {
    Show show({"a.jpg"});
    writeFile(show.pictures() / "a.jpg", std::string(2500, 'x'));
    show.input.zip = ZipChoice::Pictures;
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    const std::string page = readFile(show.show() / "bilder01.html");
    const std::string size = "2,6 KB"; // the picture and the zip's own few bytes
    EXPECT_NE(page.find("</tr></table>\r\n<p class=\"zip\"><a href=\"bilder01.zip\" download>Alle "
                        "Bilder herunterladen (" +
                        size + ")</a></p>\r\n"),
              std::string::npos)
        << page;
    for (const auto& missing : show.host.missingLinks) {
        EXPECT_NE(missing.file, "bilder01.zip");
    }
    EXPECT_FALSE(show.host.missingLinks.empty()) << "the preview, which the show lacks";
}

} // namespace
} // namespace bildertafel::test
