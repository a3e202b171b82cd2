#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every text of the picture preparation that a user reads, in one place.
namespace bildertafel::imaging::texts {

// Refusals: the run writes nothing.
std::string sizeOutOfRange(bool pictures, int size);
std::string largeSizeOutOfRange(int size);
std::string qualityOutOfRange(int quality);
std::string nothingToMake();
std::string nothingToMakeInPictureFolder();
std::string folderMissing(bool originals, bool pictures);
std::string originalsAreThumbFolder(std::string_view folder);
std::string picturesAndThumbsShareFolder(std::string_view folder);
std::string originalsNotListed(std::string_view folder, int error);
std::string targetNameClashes(); // the heading; one clashLine() follows per clash
std::string clashLine(std::string_view first, std::string_view second, std::string_view target);
// With no permission or on a read-only disk (a memory card), what to do instead.
std::string folderNotCreated(std::string_view folder, int error);
// The run stopped at the first file the folder would not take, and what to do.
std::string folderNotWritable(std::string_view folder, int error);
std::string libraryNotStarted();

// Why an original was skipped.
std::string onlyJpgInPictureFolder();
std::string originalUnreadable(int error);
std::string notAFile(unsigned mode); // a folder, a pipe, a device: what st_mode says
std::string tooLargeForMemory(int width, int height, unsigned long long needed,
                              unsigned long long budget);
std::string originalEmpty();
std::string notAPicture();
std::string pictureDamaged();
std::string pictureTooLarge(int width, int height);
std::string unexpectedFailure();
std::string pictureCrashedProgram();

// The program making the pictures ended unexpectedly while working on these originals (none
// when it had none in progress).
std::string programCrashed(const std::vector<std::string>& workingOn);
std::string programNotStarted(std::string_view program, bool exists);

// Why a target could not be written; error is the system's.
std::string targetNotWritten(int error);
// Why the large picture of an earlier run stays beside a web-size picture made anew without one.
std::string staleLargeNotRemoved(int error);

// Why a field of an original is not in its web-size picture; the picture is made without it.
std::string creditFieldTooLong(std::string_view field, std::size_t bytes);
std::string creditFieldNotUtf8(std::string_view field);
std::string creditFieldInvalid(std::string_view field);
std::string creditBlockDamaged(std::string_view block); // "EXIF", "XMP", "IPTC"
std::string creditBlockTooLarge(std::string_view block);

// Refusals for the run's own notice ("Urheber", "Copyright").
std::string noticeTooLong(std::string_view field, std::size_t bytes);
std::string noticeNotUtf8(std::string_view field);

} // namespace bildertafel::imaging::texts
