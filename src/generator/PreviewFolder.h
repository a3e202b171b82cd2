#pragma once

#include "generator/GeneratorFailure.h"
#include "generator/ShowGenerator.h"

#include <memory>
#include <string>
#include <string_view>

namespace bildertafel::generator {

// A folder of its own in the temporary folder where a show's pages are written as they would be
// now, for a look in the browser, while the show itself stays as it is. The folder takes the
// show's layout: the show folder, the folders of the previews and the pictures and the folders
// between are real folders, and every other name in them is a symbolic link to the show's own
// file or folder, so the pages find the real previews, pictures, words and style sheets by the
// same relative paths, and nothing of the show is copied. The names the run writes are left out,
// so a page is always a new file of the preview and never a way into the show.
class PreviewFolder {
public:
    // Makes a new folder "bildertafel-vorschau-PID-XXXXXX" in `parent` (ending in "/") and sets
    // `folder` to it; on failure `folder` stays empty.
    static GeneratorOutcome create(const std::string& parent,
                                   std::unique_ptr<PreviewFolder>& folder);
    // Removes the folder with what the run wrote; of the links only the links go, never what they
    // lead to.
    ~PreviewFolder();
    PreviewFolder(const PreviewFolder&) = delete;
    PreviewFolder& operator=(const PreviewFolder&) = delete;

    // Absolute, ending in "/".
    const std::string& path() const { return m_path; }

    // Lays the show of `show` out in the folder (see above) for a run with the start page
    // `startPageName`, and gives that run's input: the same settings and pictures, the folders
    // in the preview. Fails when the folder checks refuse, a folder of the show cannot be read or
    // a link cannot be made.
    GeneratorOutcome lay(const ShowGeneratorInput& show, std::string_view startPageName,
                         ShowGeneratorInput& preview) const;

private:
    explicit PreviewFolder(std::string path) : m_path(std::move(path)) {}

    std::string m_path;
};

// The system's temporary folder, ending in "/": `named` (the value of TMPDIR, empty when it is
// not set) when it is an absolute path, else /tmp.
std::string temporaryFolder(std::string_view named);

// Removes from `parent` the preview folders of this user whose program has ended without
// removing them (a crash, a kill). Folders of running programs, of other users and links are
// left alone.
void removeLeftPreviewFolders(const std::string& parent);

} // namespace bildertafel::generator
