#include "imaging/PictureWords.h"

#include "imaging/MetadataFields.h"
#include "imaging/VipsSetup.h"

#include <vips/vips8>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bildertafel::imaging {

namespace {

// The text of the language a German show wants: the default, else German, else the first.
std::string chosenText(const LangTexts& texts) {
    const LangTexts::const_iterator chosen[] = {
        std::find_if(texts.begin(), texts.end(),
                     [](const auto& text) { return text.first == "x-default"; }),
        std::find_if(texts.begin(), texts.end(),
                     [](const auto& text) { return text.first.starts_with("de"); }),
        texts.begin()};
    for (const auto& found : chosen) {
        if (found != texts.end()) {
            return found->second;
        }
    }
    return {};
}

std::string firstOf(std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) {
        if (!text.empty()) {
            return text;
        }
    }
    return {};
}

} // namespace

words::PictureWords wordsOf(const OriginalMetadata& original) {
    std::vector<std::string> leftOut;
    FieldReader reader(leftOut);
    const MetadataFields fields = readFields(original, reader);
    return words::cleaned(
        {firstOf(
             {chosenText(fields.titles), fields.objectName, fields.headline, fields.iptcHeadline}),
         firstOf({chosenText(fields.descriptions), fields.caption, fields.description}),
         chosenText(fields.altTexts)});
}

bool wordsInPictures(const std::string& folder, const std::vector<std::string>& names,
                     std::vector<words::WordsEntry>& found) {
    if (!startVips()) {
        return false;
    }
    for (const std::string& name : names) {
        // Opened without waiting and read only as a file: a pipe named like a picture is passed
        // over.
        const std::string path = folder + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } const closer{fd};
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        try {
            const vips::VImage image = vips::VImage::new_from_source(
                vips::VSource::new_from_descriptor(fd), "",
                vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
            words::PictureWords words = wordsOf(metadataOf(image));
            if (!words.empty()) {
                found.push_back({name, std::move(words)});
            }
        } catch (const vips::VError&) {
            vips_error_clear(); // no picture: no words
        }
    }
    return true;
}

} // namespace bildertafel::imaging
