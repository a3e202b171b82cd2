#include "generator/ShowZip.h"

#include "core/LargePictures.h"

#include <zip.h>

#include <cerrno>
#include <sys/stat.h>

namespace bildertafel::generator {

namespace {

bool statOf(const std::string& path, struct stat& facts) {
    return ::stat(path.c_str(), &facts) == 0 && S_ISREG(facts.st_mode);
}

std::uint64_t sizeOf(const std::string& path) {
    struct stat facts {};
    return statOf(path, facts) ? static_cast<std::uint64_t>(facts.st_size) : 0;
}

// The zip there holds these entries as they are now: it is newer than each, with the same names
// and sizes in the same order.
bool isUpToDate(const std::string& zipPath, const std::vector<ZipEntry>& entries) {
    struct stat zipFacts {};
    if (!statOf(zipPath, zipFacts)) {
        return false;
    }
    for (const ZipEntry& entry : entries) {
        struct stat facts {};
        if (!statOf(entry.path, facts) || facts.st_mtim.tv_sec > zipFacts.st_mtim.tv_sec ||
            (facts.st_mtim.tv_sec == zipFacts.st_mtim.tv_sec &&
             facts.st_mtim.tv_nsec >= zipFacts.st_mtim.tv_nsec)) {
            return false;
        }
    }
    int error = 0;
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return false;
    }
    bool same = zip_get_num_entries(archive, 0) == static_cast<zip_int64_t>(entries.size());
    for (std::size_t at = 0; same && at < entries.size(); ++at) {
        zip_stat_t facts;
        zip_stat_init(&facts);
        same = zip_stat_index(archive, at, ZIP_FL_ENC_RAW, &facts) == 0 &&
               entries[at].name == facts.name && facts.size == sizeOf(entries[at].path);
    }
    zip_discard(archive);
    return same;
}

// The system's error number of a libzip failure, EIO where it names none.
int systemErrorOf(zip_error_t* error) {
    const int system =
        zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0;
    return system != 0 ? system : EIO;
}

} // namespace

std::vector<ZipEntry> zipEntriesFor(const std::vector<std::string>& thumbNames,
                                    const std::string& pictureFolder, ZipChoice choice) {
    std::vector<ZipEntry> entries;
    const std::string largeFolder = pictureFolder + std::string(core::LargePictureFolder) + '/';
    for (const std::string& name : thumbNames) {
        struct stat facts {};
        if (choice == ZipChoice::Large && statOf(largeFolder + name, facts)) {
            entries.push_back({name, largeFolder + name});
        } else if (statOf(pictureFolder + name, facts)) {
            entries.push_back({name, pictureFolder + name});
        }
    }
    return entries;
}

GeneratorOutcome writeShowZip(const std::string& zipPath, const std::vector<ZipEntry>& entries,
                              std::uint64_t& bytes) {
    using Kind = GeneratorFailure::Kind;
    if (isUpToDate(zipPath, entries)) {
        bytes = sizeOf(zipPath);
        return {};
    }
    int openError = 0;
    // libzip writes the whole archive into a temporary file beside it and renames it at close.
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (archive == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        const int reason = systemErrorOf(&error);
        zip_error_fini(&error);
        return GeneratorFailure(Kind::ZipNotWritten, zipPath, reason);
    }
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_file(archive, entry.path.c_str(), 0, -1);
        const zip_int64_t at =
            source == nullptr ? -1
                              : zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (at < 0 || zip_set_file_compression(archive, static_cast<zip_uint64_t>(at), ZIP_CM_STORE,
                                               0) != 0) {
            if (source != nullptr && at < 0) {
                zip_source_free(source);
            }
            const int reason = systemErrorOf(zip_get_error(archive));
            zip_discard(archive);
            return GeneratorFailure(Kind::ZipNotWritten, entry.path, reason);
        }
    }
    if (zip_close(archive) != 0) {
        const int reason = systemErrorOf(zip_get_error(archive));
        zip_discard(archive);
        return GeneratorFailure(Kind::ZipNotWritten, zipPath, reason);
    }
    bytes = sizeOf(zipPath);
    return {};
}

} // namespace bildertafel::generator
