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
using settings::TemplateId;
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
                         std::initializer_list<TemplateId> templates, std::string_view page,
                         std::string_view pageFolder) {
    for (const TemplateId id : templates) {
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

// The pages of one run as they are written, and what they refer to: the start page and the
// all-pictures page grow from picture to picture, a picture's own page is written whole in its
// turn. A file that is not complete when the run stops is dropped by its writer, so it keeps its
// previous content; the pages finished before stay. A page whose bytes are already in its file
// is left as it is.
class Pages {
public:
    Pages(const ShowGeneratorInput& input, const RunValues& run, std::string_view startPageName,
          const std::string& startPagePath, LinkCheck& links)
        : m_input(input), m_run(run), m_startPageName(startPageName),
          m_startPagePath(startPagePath), m_links(links), m_startFile(startPagePath, Kept),
          m_startPage(m_startFile, run), m_rowBreaks(input.settings.PicturesPerRow()),
          m_largeFolder(input.PictureFolder + std::string(core::LargePictureFolder) + '/'),
          m_picturePagePath(input.PictureFolder) {}

    // The targets of the start page and the all-pictures page checked, and their tops.
    GeneratorOutcome begin();
    // One picture: its cell on the start page, its line on the all-pictures page, the row break
    // after it and its own page.
    GeneratorOutcome add(const std::string& thumbName, const words::PictureWords* words);
    // The start page links the zip of all pictures.
    void linkZip(ZipLink zip) { m_zip = std::move(zip); }
    // The bottoms, and the two pages replaced.
    GeneratorOutcome finish();

private:
    // The pages' temporary files are made only when their bytes are written, at the end; a run
    // that is killed before leaves none.
    static constexpr textfile::ReplaceMode Kept{.keepIdentical = true};

    void addEntries(bool hasLarge);
    GeneratorOutcome writeOwnPage(bool hasLarge);

    const ShowGeneratorInput& m_input;
    const RunValues& m_run;
    std::string_view m_startPageName;
    const std::string& m_startPagePath;
    LinkCheck& m_links;
    TextFileWriter m_startFile;
    StartPageWriter m_startPage;
    std::optional<TextFileWriter> m_allFile;
    std::optional<AllPicturesPageWriter> m_allPage;
    const RowBreaks m_rowBreaks;
    const std::string m_largeFolder;
    std::unordered_set<std::string> m_largeNames;
    PictureValues m_picture;
    std::string m_picturePagePath;
    std::int64_t m_position = 0;
    std::optional<ZipLink> m_zip;
};

GeneratorOutcome Pages::begin() {
    if (!m_startFile.prepare()) {
        return failureOf(m_startFile);
    }
    if (m_run.allPage) {
        m_allFile.emplace(m_input.PictureFolder + std::string(m_startPageName) + "_all.html", Kept);
        if (!m_allFile->prepare()) {
            return failureOf(*m_allFile);
        }
        m_allPage.emplace(*m_allFile);
        m_allPage->writeHeading(m_run.noindex);
    }
    m_startPage.writeTop();
    expectTemplateLinks(
        m_links, m_input.settings,
        {TemplateId::PageHead, TemplateId::CellBefore, TemplateId::CellAfter, TemplateId::PageFoot},
        m_startPagePath, m_input.ShowFolder);
    m_largeNames = namesIn(m_largeFolder);
    return {};
}

GeneratorOutcome Pages::add(const std::string& thumbName, const words::PictureWords* words) {
    ++m_position;
    m_picture.assign(thumbName, words);
    // Every file is looked for as the page names it, so a name the browser would resolve to
    // another file shows as missing.
    const bool hasLarge = !m_largeNames.empty() && m_largeNames.contains(thumbName);
    addEntries(hasLarge);
    if (m_run.ownPages) {
        if (GeneratorOutcome written = writeOwnPage(hasLarge); !written) {
            return written;
        }
    }
    // A write that failed on the way (a full disk) stops the run at this picture.
    if (m_startFile.failed()) {
        return failureOf(m_startFile);
    }
    if (m_allFile && m_allFile->failed()) {
        return failureOf(*m_allFile);
    }
    return {};
}

void Pages::addEntries(bool hasLarge) {
    const std::string& href = m_picture.fileHref();
    m_startPage.writeCell(m_picture, hasLarge);
    if (hasLarge) {
        m_links.expectLink(m_startPagePath, m_largeFolder, href);
    }
    if (!m_run.ownPages) {
        m_links.expectLink(m_startPagePath, m_input.PictureFolder, href);
    }
    if (m_allPage) {
        m_allPage->writePicture(m_picture);
        m_links.expectLink(m_allFile->target(), m_input.PictureFolder, href);
    }
    m_links.expectLink(m_startPagePath, m_input.ThumbFolder, href);
    if (m_rowBreaks.after(m_position)) {
        m_startPage.writeRowBreak();
    }
}

GeneratorOutcome Pages::writeOwnPage(bool hasLarge) {
    m_picturePagePath.resize(m_input.PictureFolder.size());
    m_picturePagePath += m_picture.base();
    m_picturePagePath += ".html";
    TextFileWriter pageFile(m_picturePagePath, Kept);
    if (!pageFile.prepare()) {
        return failureOf(pageFile);
    }
    writePicturePage(pageFile, m_run, m_picture, hasLarge);
    m_links.expectLink(m_picturePagePath, m_input.PictureFolder, m_picture.fileHref());
    if (hasLarge) {
        m_links.expectLink(m_picturePagePath, m_largeFolder, m_picture.fileHref());
    }
    if (m_position == 1) {
        // Every picture page has the same templates: their links are looked for once.
        expectTemplateLinks(m_links, m_input.settings,
                            {TemplateId::ImagePageBefore, TemplateId::ImagePageAfter},
                            m_picturePagePath, m_input.PictureFolder);
    }
    if (!pageFile.commit()) {
        return failureOf(pageFile);
    }
    return {};
}

GeneratorOutcome Pages::finish() {
    m_startPage.writeBottom(m_input.selection ? &*m_input.selection : nullptr,
                            m_zip ? &*m_zip : nullptr);
    // The all-pictures page first: a new start page never links to a page that is missing.
    if (m_allFile && !m_allFile->commit()) {
        return failureOf(*m_allFile);
    }
    if (!m_startFile.commit()) {
        return failureOf(m_startFile);
    }
    return {};
}

// Writes every page of the run, picture by picture in list order, and notes what the pages
// refer to.
GeneratorOutcome writePages(const ShowGeneratorInput& input, const RunValues& run,
                            const words::ShowWords& words, std::string_view startPageName,
                            const std::string& startPagePath, LinkCheck& links) {
    Pages pages(input, run, startPageName, startPagePath, links);
    // The zip before the start page that names its size.
    if (input.zip != ZipChoice::Off) {
        ZipLink zip{std::string(startPageName) + ".zip", 0};
        if (GeneratorOutcome zipped = writeShowZip(
                input.ShowFolder + zip.name,
                zipEntriesFor(input.ThumbNames, input.PictureFolder, input.zip), zip.bytes);
            !zipped) {
            return zipped;
        }
        pages.linkZip(std::move(zip));
    }
    if (GeneratorOutcome begun = pages.begin(); !begun) {
        return begun;
    }
    for (const std::string& thumbName : input.ThumbNames) {
        if (GeneratorOutcome added =
                pages.add(thumbName, words.empty() ? nullptr : words.find(thumbName));
            !added) {
            return added;
        }
    }
    return pages.finish();
}

// The run once its start page's name and its settings are settled.
RunOutcome writeRun(const ShowGeneratorInput& input, const std::string& startPageName,
                    GeneratorHost& host, host::DialogHost& dialogs);

} // namespace

RunOutcome ShowGenerator::run(const ShowGeneratorInput& input, GeneratorHost& host,
                              host::DialogHost& dialogs) {
    if (const GeneratorOutcome folders = checkFolders(input); !folders) {
        dialogs.showMessage(texts::failureText(folders.failure()), FileSystemProblemTitle);
        return RunOutcome::Refused;
    }

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

    const std::string startPagePath = input.ShowFolder + startPageName + ".html";
    const std::optional<settings::ShowSettings> chosen =
        host.settingsForPages(startPagePath, input.settings);
    if (!chosen) {
        return RunOutcome::Cancelled;
    }
    if (*chosen == input.settings) {
        return writeRun(input, startPageName, host, dialogs);
    }
    ShowGeneratorInput adjusted = input;
    adjusted.settings = *chosen;
    return writeRun(adjusted, startPageName, host, dialogs);
}

namespace {

RunOutcome writeRun(const ShowGeneratorInput& input, const std::string& startPageName,
                    GeneratorHost& host, host::DialogHost& dialogs) {
    const std::string thumbWebPath = webPathBelow(input.ShowFolder, input.ThumbFolder);
    const std::string pictureWebPath = webPathBelow(input.ShowFolder, input.PictureFolder);

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
    RunValues run(input.settings, startPageName, thumbWebPath, pictureWebPath);
    run.noindex = input.noindex;
    LinkCheck links(input.ShowFolder);
    const std::string startPagePath = input.ShowFolder + startPageName + ".html";
    const GeneratorOutcome written =
        writePages(input, run, words, startPageName, startPagePath, links);
    const std::vector<MissingLink> missing = written ? links.missing() : std::vector<MissingLink>();
    host.refreshFileLists();
    host.setBusy(false);
    if (!written) {
        dialogs.showMessage(texts::failureText(written.failure()), FileSystemProblemTitle);
        return RunOutcome::WriteFailed;
    }
    host.startPageWritten(startPagePath);
    if (!missing.empty()) {
        host.reportMissingLinks(missing);
    }
    return RunOutcome::Written;
}

} // namespace

} // namespace bildertafel::generator
