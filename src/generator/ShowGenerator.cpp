#include "generator/ShowGenerator.h"

#include "core/LargePictures.h"
#include "filelist/FileList.h"
#include "generator/AllPicturesPageWriter.h"
#include "generator/FolderChecks.h"
#include "generator/GeneratorTexts.h"
#include "generator/PageNameClash.h"
#include "generator/PicturePageWriter.h"
#include "generator/RowBreaks.h"
#include "generator/RunValues.h"
#include "generator/StartPageWriter.h"
#include "generator/WebText.h"
#include "host/CommonTexts.h"
#include "links/LinkCheck.h"
#include "textfile/RunLock.h"
#include "textfile/TextFileWriter.h"
#include "words/WordsFile.h"
#include "words/WordsTexts.h"

#include <cstdint>
#include <optional>
#include <unordered_set>

namespace bildertafel::generator {

namespace {

using links::LinkCheck;
using links::MissingLink;
using links::relativeLinksOf;
using textfile::TextFileWriter;

using host::FileNamePrompt;
using host::FileSystemProblemTitle;
using host::InvalidFileName;
using host::isUsableFileName;

GeneratorFailure failureOf(const TextFileWriter& file) {
    return {GeneratorFailure::Kind::PageNotWritten, file.target(), file.failure().error};
}

// Registers the relative links of the templates of a page.
void expectTemplateLinks(LinkCheck& links, const settings::ShowSettings& settings,
                         std::initializer_list<settings::TemplateId> templates,
                         std::string_view page, std::string_view pageFolder) {
    for (const settings::TemplateId id : templates) {
        if (const auto relative = relativeLinksOf(settings.Template(id))) {
            for (const std::string& link : *relative) {
                links.expectRelative(page, pageFolder, link);
            }
        }
    }
}

// The names in the folder of the pictures in the large size; none when the show has no such
// folder.
std::unordered_set<std::string> namesIn(const std::string& folder) {
    std::unordered_set<std::string> names;
    std::error_code none;
    filelist::forEachName(
        folder, [&](std::string_view name) { names.emplace(name); }, none);
    return names;
}

// Writes every page of the run and notes what the pages refer to. A file that is not complete
// when the run stops is dropped by its writer, so it keeps its previous content; the pages
// finished before stay. A page whose bytes are already in its file is left as it is.
std::optional<GeneratorFailure> writePages(const ShowGeneratorInput& input, const RunValues& run,
                                           const words::ShowWords& words,
                                           std::string_view startPageName,
                                           const std::string& startPagePath, LinkCheck& links) {
    using settings::TemplateId;
    constexpr textfile::ReplaceMode Pages{.keepIdentical = true};
    // The pages' temporary files are made only when their bytes are written, at the end; a run
    // that is killed before leaves none.
    TextFileWriter startFile(startPagePath, Pages);
    if (!startFile.prepare()) {
        return failureOf(startFile);
    }
    std::optional<TextFileWriter> allFile;
    std::optional<AllPicturesPageWriter> allPage;
    if (run.allPage) {
        allFile.emplace(input.PictureFolder + std::string(startPageName) + "_all.html", Pages);
        if (!allFile->prepare()) {
            return failureOf(*allFile);
        }
        allPage.emplace(*allFile);
        allPage->writeHeading();
    }

    StartPageWriter startPage(startFile, run);
    startPage.writeTop();
    expectTemplateLinks(
        links, input.settings,
        {TemplateId::PageHead, TemplateId::CellBefore, TemplateId::CellAfter, TemplateId::PageFoot},
        startPagePath, input.ShowFolder);

    const std::string largeFolder =
        input.PictureFolder + std::string(core::LargePictureFolder) + '/';
    const std::unordered_set<std::string> largeNames = namesIn(largeFolder);
    const RowBreaks rowBreaks(input.settings.PicturesPerRow());
    PictureValues picture;
    std::string picturePagePath = input.PictureFolder;
    std::int64_t position = 0;
    for (const std::string& thumbName : input.ThumbNames) {
        ++position;
        picture.assign(thumbName, words.empty() ? nullptr : words.find(thumbName));
        // Every file is looked for as the page names it, so a name the browser would resolve
        // to another file shows as missing.
        const bool hasLarge = !largeNames.empty() && largeNames.contains(thumbName);
        startPage.writeCell(picture, hasLarge);
        if (hasLarge) {
            links.expectLink(startPagePath, largeFolder, picture.fileHref());
        }
        if (!run.ownPages) {
            links.expectLink(startPagePath, input.PictureFolder, picture.fileHref());
        }
        if (allPage) {
            allPage->writePicture(picture);
            links.expectLink(allFile->target(), input.PictureFolder, picture.fileHref());
        }
        links.expectLink(startPagePath, input.ThumbFolder, picture.fileHref());
        if (rowBreaks.after(position)) {
            startPage.writeRowBreak();
        }
        if (run.ownPages) {
            picturePagePath.resize(input.PictureFolder.size());
            picturePagePath += picture.base();
            picturePagePath += ".html";
            TextFileWriter pageFile(picturePagePath, Pages);
            if (!pageFile.prepare()) {
                return failureOf(pageFile);
            }
            writePicturePage(pageFile, run, picture, hasLarge);
            links.expectLink(picturePagePath, input.PictureFolder, picture.fileHref());
            if (hasLarge) {
                links.expectLink(picturePagePath, largeFolder, picture.fileHref());
            }
            if (position == 1) {
                // Every picture page has the same templates: their links are looked for once.
                expectTemplateLinks(links, input.settings,
                                    {TemplateId::ImagePageBefore, TemplateId::ImagePageAfter},
                                    picturePagePath, input.PictureFolder);
            }
            if (!pageFile.commit()) {
                return failureOf(pageFile);
            }
        }
        // A write that failed on the way (a full disk) stops the run at this picture.
        if (startFile.failed()) {
            return failureOf(startFile);
        }
        if (allFile && allFile->failed()) {
            return failureOf(*allFile);
        }
    }

    startPage.writeBottom();
    // The all-pictures page first: a new start page never links to a page that is missing.
    if (allFile && !allFile->commit()) {
        return failureOf(*allFile);
    }
    if (!startFile.commit()) {
        return failureOf(startFile);
    }
    return std::nullopt;
}

} // namespace

RunOutcome ShowGenerator::run(const ShowGeneratorInput& input, GeneratorHost& host,
                              host::DialogHost& dialogs) {
    if (const GeneratorOutcome folders = checkFolders(input); !folders) {
        dialogs.showMessage(texts::failureText(folders.failure()), FileSystemProblemTitle);
        return RunOutcome::Refused;
    }

    const std::string thumbWebPath = webPathBelow(input.ShowFolder, input.ThumbFolder);
    const std::string pictureWebPath = webPathBelow(input.ShowFolder, input.PictureFolder);

    const std::string startPageName =
        dialogs.askText(FileNamePrompt, texts::NameTitle, texts::NamePreset);
    if (!isUsableFileName(startPageName)) {
        dialogs.showMessage(InvalidFileName, texts::CancelledTitle);
        return RunOutcome::Cancelled;
    }
    if (const GeneratorOutcome names = checkPageNames(input, startPageName); !names) {
        dialogs.showMessage(texts::failureText(names.failure()), FileSystemProblemTitle);
        return RunOutcome::Refused;
    }

    // One run at a time on a show: another run's pages would mix with these.
    textfile::RunLock lock;
    if (!lock.acquire({input.ShowFolder, input.PictureFolder, input.ThumbFolder})) {
        dialogs.showMessage(textfile::anotherRunIsWorking(lock.busyFolder()),
                            FileSystemProblemTitle);
        return RunOutcome::Refused;
    }
    // What a killed run left behind goes: the lock says no other run is writing here.
    textfile::removeStaleTemporaries(input.ShowFolder);
    textfile::removeStaleTemporaries(input.PictureFolder);

    // The photographer's words of the pictures; a show without the file has none.
    words::ShowWords words;
    const std::string wordsPath = words::wordsFilePath(input.ShowFolder);
    if (const words::WordsOutcome read = words::readWordsFile(wordsPath, words); !read) {
        dialogs.showMessage(words::texts::wordsNotRead(wordsPath, read.failure()),
                            FileSystemProblemTitle);
        return RunOutcome::Refused;
    }

    host.setBusy(true);
    const RunValues run(input.settings, startPageName, thumbWebPath, pictureWebPath);
    LinkCheck links(input.ShowFolder);
    const std::string startPagePath = input.ShowFolder + startPageName + ".html";
    const std::optional<GeneratorFailure> failure =
        writePages(input, run, words, startPageName, startPagePath, links);
    const std::vector<MissingLink> missing = failure ? std::vector<MissingLink>() : links.missing();
    host.refreshFileLists();
    host.setBusy(false);
    if (failure) {
        dialogs.showMessage(texts::failureText(*failure), FileSystemProblemTitle);
        return RunOutcome::WriteFailed;
    }
    host.startPageWritten(startPagePath);
    if (!missing.empty()) {
        host.reportMissingLinks(missing);
    }
    return RunOutcome::Written;
}

} // namespace bildertafel::generator
