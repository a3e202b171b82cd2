#pragma once

// What the publish benchmarks share: random bytes for pictures, a quiet host, timing.

#include "publish/Publisher.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace bildertafel::bench {

// Pictures do not compress, so the bytes are random.
inline void writeRandom(const std::filesystem::path& path, std::size_t size) {
    static std::mt19937_64 random64(2026);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t value = random64();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A show of pictures with previews, one page per picture, a start page and the page with all
// pictures: 3 * pictures + 2 files.
inline void makeShow(const std::filesystem::path& show, int pictures, std::size_t pictureSize,
                     std::size_t previewSize) {
    std::filesystem::create_directories(show / "minis");
    std::filesystem::create_directories(show / "bilder");
    std::string start = "<html><body><table>\n";
    std::string all = "<html><body>\n";
    for (int i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "bild%04d", i);
        writeRandom(show / "minis" / (std::string(name) + ".jpg"), previewSize);
        writeRandom(show / "bilder" / (std::string(name) + ".jpg"), pictureSize);
        writeText(show / "bilder" / (std::string(name) + ".html"),
                  "<html><body><img src=\"" + std::string(name) +
                      ".jpg\"><a href=\"../index.html\">Zur&uuml;ck</a></body></html>\n");
        start += "<td><a href=\"bilder/" + std::string(name) + ".html\"><img src=\"minis/" + name +
                 ".jpg\"></a></td>\n";
        all += "<a href=\"bilder/" + std::string(name) + ".jpg\">" + name + "</a>\n";
    }
    writeText(show / "index.html", start + "</table><a href=\"index_all.html\">Alle</a>\n");
    writeText(show / "index_all.html", all + "</body></html>\n");
}

inline bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

class QuietHost : public publish::PublishHost {
public:
    bool acceptUnknownHostKey(const std::string&) override { return false; }
    bool confirmPlainFtp(const std::string&) override { return false; }
    void progress(const publish::Progress&) override {}
    bool cancelRequested() override { return false; }
};

inline double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times FTPS publishing against lftp mirror -R; 0 when done or skipped, else 1.
int benchmarkFtps();
// Times S3 publishing against rclone sync; 0 when done or skipped, else 1.
int benchmarkS3();

} // namespace bildertafel::bench
