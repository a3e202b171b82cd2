// The context menus of the window's boxes: what the right mouse button (or the context-menu key)
// offers beyond the controls of the pages.
#include "ui/window/MainWindow.h"

#include "core/SlashPath.h"
#include "filelist/FileList.h"
#include "generator/GeneratorTexts.h"
#include "generator/PreviewFolder.h"
#include "host/CommonTexts.h"
#include "publish/UserPlaces.h"
#include "settings/ConfigCommands.h"
#include "settings/TemplateSets.h"
#include "ui/common/BrowserStart.h"
#include "ui/common/QtText.h"
#include "ui/common/StandardDialogs.h"
#include "ui/lists/FileListBox.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"
#include "ui/lists/FolderReading.h"
#include "ui/prepare/CreditSettings.h"
#include "ui/prepare/PrepareDialog.h"
#include "ui/publish/PublishDialog.h"
#include "ui/selection/SelectionDialog.h"
#include "ui/selection/SelectionOptionsDialog.h"
#include "ui/selection/SelectionSettings.h"
#include "ui/templates/TemplateEditor.h"
#include "ui/templates/TemplateSetDialog.h"
#include "ui/window/BrowserPreview.h"
#include "ui/window/WindowConfigHost.h"
#include "ui/window/WindowTexts.h"
#include "ui/words/WordsDialog.h"
#include "ui_MainWindow.h"
#include "words/WordsFile.h"
#include "words/WordsTexts.h"

#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QMenu>
#include <QPlainTextEdit>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include <sys/stat.h>

namespace bildertafel::ui {

namespace {

bool isFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The longest side of the first preview in the folder (its name with a trailing "/"), or 0 where
// it has none that can be read. Only its header is read.
int previewSizeIn(const QString& folder) {
    const std::string path = uilists::toFileName(folder);
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (it->is_regular_file(error) && filelist::matchesPattern(name, "*.jpg")) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string file = path + name;
        QImageReader reader(
            QFile::decodeName(QByteArray(file.data(), static_cast<qsizetype>(file.size()))));
        const QSize size = reader.size();
        const int longest = std::max(size.width(), size.height());
        if (longest > 0 && imaging::isValidSize(longest)) {
            return longest;
        }
    }
    return 0;
}

// More than anyone writes into ssh's configuration; a larger file is read so far.
constexpr qint64 MostSshConfigBytes = 1 << 20;

// A file URL of the path's bytes, so that a name from any disk opens the file it names.
QUrl fileUrl(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
}

// The start page of a preview is named like the page (a path) "Startseite im Browser ansehen"
// shows, so the pages link as that one's do; without one, as "HTML erstellen" proposes.
std::string previewStartPageName(const std::string& page) {
    std::string name = core::nameOf(page);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) {
        name.resize(dot);
    }
    return host::isUsableFileName(name) ? name : std::string(generator::texts::NamePreset);
}

} // namespace

void MainWindow::connectContextMenus() {
    for (QWidget* box : std::initializer_list<QWidget*>{m_ui->Frame2_0, m_ui->Frame2_1,
                                                        m_ui->Frame2_2, m_ui->Frame2_3}) {
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, box](const QPoint& at) { showContextMenu(*box, at); });
    }
    connect(m_ui->StartPageInBrowser, &QAction::triggered, this,
            &MainWindow::showStartPageInBrowser);
    connect(m_ui->PreviewInBrowser, &QAction::triggered, this, &MainWindow::previewInBrowser);
    connect(m_ui->PreparePictures, &QAction::triggered, this, &MainWindow::preparePictures);
    connect(m_ui->OpenShowSubFolders, &QAction::triggered, this, &MainWindow::openShowSubFolders);
    connect(m_ui->Publish, &QAction::triggered, this, &MainWindow::publishShow);
    connect(m_ui->LoadTemplateSet, &QAction::triggered, this, &MainWindow::loadTemplateSet);
    connect(m_ui->LoadShowTemplates, &QAction::triggered, this, &MainWindow::loadShowTemplates);
    connect(m_ui->EditWords, &QAction::triggered, this, &MainWindow::editWords);
    connect(m_ui->AllowSelection, &QAction::triggered, this, &MainWindow::allowSelection);
    connect(m_ui->TakeSelection, &QAction::triggered, this, &MainWindow::takeSelection);
    for (int id = 0; id < static_cast<int>(Text1.size()); ++id) {
        Text1[id]->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(Text1[id], &QWidget::customContextMenuRequested, this,
                [this, id](const QPoint& at) { showTemplateMenu(id, at); });
    }
    connect(m_ui->EditTemplate, &QAction::triggered, this,
            [this] { editTemplate(m_ui->EditTemplate->data().toInt()); });
}

void MainWindow::showTemplateMenu(int id, const QPoint& at) {
    QPlainTextEdit& box = *Text1[id];
    // The box's own entries (undo, copy, paste…) stay; the editor and the preview come below.
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    menu->addSeparator();
    m_ui->EditTemplate->setData(id);
    menu->addAction(m_ui->EditTemplate);
    // What the templates make, seen without writing into the show.
    menu->addAction(m_ui->PreviewInBrowser);
    // The request comes from the box's viewport, in its coordinates.
    menu->exec(box.viewport()->mapToGlobal(at));
}

void MainWindow::editTemplate(int id) {
    if (id < 0 || id >= static_cast<int>(Text1.size())) {
        return;
    }
    QPlainTextEdit& box = *Text1[id];
    const auto* frame = qobject_cast<const QGroupBox*>(box.parentWidget());
    TemplateEditor editor(box, frame != nullptr ? frame->title() : QString(), this);
    if (m_templateEditorShown) {
        m_templateEditorShown(editor);
    }
    editor.exec();
}

void MainWindow::showContextMenu(QWidget& box, const QPoint& at) {
    QMenu menu(this);
    menu.setToolTipsVisible(true);
    if (&box == m_ui->Frame2_0) {
        menu.addAction(m_ui->LoadTemplateSet);
    } else if (&box == m_ui->Frame2_1) {
        const bool pageKnown = !startPageToShow().empty();
        m_ui->StartPageInBrowser->setEnabled(pageKnown);
        m_ui->StartPageInBrowser->setToolTip(pageKnown ? QString()
                                                       : fromUtf8(texts::NoStartPageYet));
        menu.addAction(m_ui->StartPageInBrowser);
        menu.addAction(m_ui->PreviewInBrowser);
        if (uilists::isExistingFolder(showSubFolder(subfolder::Thumbs)) &&
            uilists::isExistingFolder(showSubFolder(subfolder::Pictures))) {
            menu.addAction(m_ui->OpenShowSubFolders);
        }
        m_ui->AllowSelection->setEnabled(
            uilists::isExistingFolder(ShowFolders[folderslot::ShowFolder]));
        menu.addAction(m_ui->AllowSelection);
        const std::optional<ShowTemplates> memory =
            recallShowTemplates(folderOf(folderslot::ShowFolder));
        const bool templatesKnown =
            memory &&
            (memory->source.known() || hasKeptPagesSettings(folderOf(folderslot::ShowFolder)));
        m_ui->LoadShowTemplates->setEnabled(templatesKnown);
        m_ui->LoadShowTemplates->setToolTip(templatesKnown ? QString()
                                                           : fromUtf8(texts::NoShowTemplatesYet));
        menu.addAction(m_ui->LoadShowTemplates);
        const bool pagesWritten = File1[filelistslot::ShowPages]->count() > 0;
        m_ui->Publish->setEnabled(pagesWritten);
        m_ui->Publish->setToolTip(pagesWritten ? QString() : fromUtf8(texts::NothingToPublishYet));
        menu.addAction(m_ui->Publish);
    } else {
        menu.addAction(m_ui->PreparePictures);
        if (&box == m_ui->Frame2_3) {
            // "Bildtexte…" begins at the picture under the pointer, else at the one selected.
            const uilists::FileListBox& list = *File1[filelistslot::Pictures];
            const QModelIndex under = list.indexAt(list.viewport()->mapFrom(&box, at));
            m_menuPicture = under.isValid() ? under.row() : list.selectedIndex();
            const bool pictures = File1[filelistslot::Pictures]->count() > 0 &&
                                  uilists::isExistingFolder(ShowFolders[folderslot::ShowFolder]);
            m_ui->EditWords->setEnabled(pictures);
            m_ui->EditWords->setToolTip(pictures ? QString() : fromUtf8(texts::NoPicturesYet));
            menu.addAction(m_ui->EditWords);
            m_ui->TakeSelection->setEnabled(File1[filelistslot::Pictures]->count() > 0);
            m_ui->TakeSelection->setToolTip(File1[filelistslot::Pictures]->count() > 0
                                                ? QString()
                                                : fromUtf8(texts::NoPicturesYet));
            menu.addAction(m_ui->TakeSelection);
        }
    }
    menu.exec(box.mapToGlobal(at));
}

std::string MainWindow::startPageToShow() const {
    const uilists::FileListBox& pages = *File1[filelistslot::ShowPages];
    if (pages.selectedIndex() >= 0) {
        return folderOf(folderslot::ShowFolder) + pages.fileNameAt(pages.selectedIndex());
    }
    return isFile(m_lastStartPage) ? m_lastStartPage : std::string();
}

void MainWindow::preparePictures() {
    // Right after a show folder was chosen, both lists show it: the pictures go to its
    // sub-folders "bilder" and "minis" then, which the run creates.
    const QString show = ShowFolders[folderslot::ShowFolder];
    const QString thumbs = ShowFolders[folderslot::ThumbFolder];
    const QString pictures = ShowFolders[folderslot::PictureFolder];
    PreparationFolders folders{pictures,
                               pictures == show ? showSubFolder(subfolder::Pictures) : pictures,
                               thumbs == show ? showSubFolder(subfolder::Thumbs) : thumbs,
                               uilists::isExistingFolder(show) ? show : QString()};
    // The show's own sub-folders hold what a run made, never the originals: those lie in the
    // show folder itself then, or where the last run of this show took them from.
    if (pictures == showSubFolder(subfolder::Pictures) ||
        pictures == showSubFolder(subfolder::Thumbs)) {
        folders.originals = show;
    }
    QString remembered;
    if (!folders.show.isEmpty() &&
        recallShowPreparation(uilists::toFileName(show), m_preparationChoices, remembered)) {
        if (uilists::isExistingFolder(remembered)) {
            folders.originals = remembered;
        }
    } else {
        // A show without a memory: the size of its previews on disk, else the loaded set's.
        const int onDisk = previewSizeIn(folders.thumbs);
        m_preparationChoices.miniSize = onDisk > 0                     ? onDisk
                                        : m_templateSetPreviewSize > 0 ? m_templateSetPreviewSize
                                                                       : imaging::DefaultMiniSize;
    }
    PrepareDialog dialog(folders, m_preparationChoices, this);
    dialog.setAfterRun([this, folders] {
        for (const auto& [slot, folder] :
             {std::pair{folderslot::ThumbFolder, folders.thumbs},
              std::pair{folderslot::PictureFolder, folders.pictures}}) {
            if (ShowFolders[slot] != folder && uilists::isExistingFolder(folder)) {
                openFolder(slot, folder);
            }
        }
        RefreshFileLists();
        UpdateButtons();
    });
    if (m_prepareDialogShown) {
        m_prepareDialogShown(dialog);
    }
    dialog.exec();
}

QString MainWindow::showSubFolder(const char16_t* name) const {
    return ShowFolders[folderslot::ShowFolder] + QString::fromUtf16(name) + u'/';
}

void MainWindow::openShowSubFolders() {
    openFolder(folderslot::ThumbFolder, showSubFolder(subfolder::Thumbs));
    openFolder(folderslot::PictureFolder, showSubFolder(subfolder::Pictures));
}

void MainWindow::publishShow() {
    const uilists::FileListBox& pages = *File1[filelistslot::ShowPages];
    const std::string folder = folderOf(folderslot::ShowFolder);
    PublishSource source{folder, {}, -1};
    const std::string preset = startPageToShow();
    for (int position = 0; position < pages.count(); ++position) {
        source.startPages.push_back({pages.nameAt(position), pages.fileNameAt(position)});
        if (preset == folder + pages.fileNameAt(position)) {
            source.presetPage = position;
        }
    }
    PublishDialog dialog(std::move(source), m_publishPasswords, this);
    // The user's cache, ~/.ssh and the ssh-agent, as the environment of the window names them.
    const publish::PublishOptions user =
        publish::userPublishOptions([](std::string_view name) -> std::optional<std::string> {
            const std::string variable(name);
            if (!qEnvironmentVariableIsSet(variable.c_str())) {
                return std::nullopt;
            }
            return qgetenv(variable.c_str()).toStdString();
        });
    dialog.setAdjustOptions([user](publish::PublishOptions& options) {
        options.cacheFolder = user.cacheFolder;
        options.sshFolder = user.sshFolder;
        options.agentSockets = user.agentSockets;
    });
    // "Benutzer" left empty is whom ssh would take, as ssh's configuration says for the host.
    dialog.setSshUser([config = user.sshFolder + "/config"](const QString& host) {
        QFile file(QFile::decodeName(QByteArray::fromStdString(config)));
        const QByteArray text =
            file.open(QIODevice::ReadOnly) ? file.read(MostSshConfigBytes) : QByteArray();
        return fromUtf8(publish::sshUserFor(text.toStdString(), host.toStdString(),
                                            publish::systemUser().name));
    });
    if (m_publishDialogShown) {
        m_publishDialogShown(dialog);
    }
    dialog.exec();
}

void MainWindow::loadTemplateSet() {
    const std::string folder = settings::templateSetFolder(
        qgetenv(settings::TemplateSetFolderVariable.data()).toStdString());
    const std::vector<settings::TemplateSet> sets = settings::listTemplateSets(folder);
    if (sets.empty()) {
        m_dialogs->showMessage(settings::noTemplateSetsMessage(folder), settings::TemplateSetTitle);
        return;
    }
    TemplateSetDialog dialog(sets, this);
    if (m_templateSetDialogShown) {
        m_templateSetDialogShown(dialog);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.chosen() < 0) {
        return;
    }
    applyTemplateSet(sets[static_cast<std::size_t>(dialog.chosen())]);
}

// As "Konfiguration Laden": all or nothing, with its messages and the loaded name shown.
bool MainWindow::applyConfigFile(const std::string& path, const std::string& shownName) {
    settings::ShowSettings loaded = settings();
    if (settings::loadConfigAndTell(path, loaded, *m_dialogs) != settings::ConfigOutcome::Done) {
        return false;
    }
    applyLoaded(loaded, shownName);
    return true;
}

void MainWindow::applyLoaded(const settings::ShowSettings& loaded, const std::string& shownName) {
    applySettings(loaded);
    WindowConfigHost(ShowFolders[folderslot::ConfigFolder], *File1[filelistslot::ConfigFiles],
                     *m_ui->Label4)
        .showLoadedConfigName(shownName);
}

bool MainWindow::applyTemplateSet(const settings::TemplateSet& set) {
    if (!applyConfigFile(set.configPath, set.name + ".cfg")) {
        return false;
    }
    m_templateSource = {TemplateSource::Kind::TemplateSet, set.name, fromUtf8(set.title)};
    // "Bilder vorbereiten" offers the preview size the set expects.
    if (set.previewSize > 0 && imaging::isValidSize(set.previewSize)) {
        m_preparationChoices.miniSize = set.previewSize;
        m_templateSetPreviewSize = set.previewSize;
    }
    return true;
}

bool MainWindow::loadTemplateSource(const TemplateSource& source) {
    if (source.kind == TemplateSource::Kind::TemplateSet) {
        const std::string folder = settings::templateSetFolder(
            qgetenv(settings::TemplateSetFolderVariable.data()).toStdString());
        const std::vector<settings::TemplateSet> sets = settings::listTemplateSets(folder);
        const auto set = std::find_if(sets.begin(), sets.end(), [&source](const auto& each) {
            return each.name == source.where;
        });
        if (set == sets.end()) {
            m_dialogs->showMessage(settings::unknownTemplateSetMessage(source.where, sets, folder),
                                   settings::TemplateSetTitle);
            return false;
        }
        return applyTemplateSet(*set);
    }
    if (!applyConfigFile(source.where, source.configName())) {
        return false;
    }
    m_templateSource = source;
    return true;
}

bool MainWindow::loadPagesTemplates(const ShowTemplates& memory) {
    const std::optional<settings::ShowSettings> kept =
        keptPagesSettings(folderOf(folderslot::ShowFolder), memory.templatesHash, settings());
    if (!kept) {
        return memory.source.known() && loadTemplateSource(memory.source);
    }
    applyLoaded(*kept, memory.source.configName());
    m_templateSource = memory.source;
    return true;
}

void MainWindow::loadShowTemplates() {
    const std::optional<ShowTemplates> memory =
        recallShowTemplates(folderOf(folderslot::ShowFolder));
    if (!memory || !loadPagesTemplates(*memory)) {
        return;
    }
    if (templatesHash(settings()) != memory->templatesHash) {
        m_dialogs->showMessage(
            texts::loadedTemplatesDiffer(memory->source.shown.toStdString(), false),
            texts::ShowTemplatesTitle);
    }
}

void MainWindow::editWords() {
    const uilists::FileListBox& pictures = *File1[filelistslot::Pictures];
    WordsSource source{folderOf(folderslot::ShowFolder),
                       folderOf(folderslot::PictureFolder),
                       folderOf(folderslot::ThumbFolder),
                       {}};
    for (int position = 0; position < pictures.count(); ++position) {
        source.names.push_back(pictures.fileNameAt(position));
    }
    // A file that cannot be read is never replaced by one made from nothing.
    words::ShowWords words;
    const std::string path = words::wordsFilePath(source.showFolder);
    if (const words::WordsOutcome read = words::readWordsFile(path, words); !read) {
        m_dialogs->showMessage(words::texts::wordsNotRead(path, read.failure()), texts::WordsTitle);
        return;
    }
    if (m_menuPicture >= 0) {
        source.first = static_cast<std::size_t>(m_menuPicture);
    }
    WordsDialog dialog(std::move(source), std::move(words), this);
    if (m_wordsDialogShown) {
        m_wordsDialogShown(dialog);
    }
    dialog.exec();
}

void MainWindow::allowSelection() {
    const std::string show = folderOf(folderslot::ShowFolder);
    SelectionOptionsDialog dialog(rememberedSelection(show), this);
    if (dialog.exec() == QDialog::Accepted) {
        rememberSelection(show, dialog.settings());
    }
}

void MainWindow::takeSelection() {
    // The names of the show are those of its previews, as the pages take them; without
    // previews, those of the pictures.
    const bool previews = File1[filelistslot::Thumbs]->count() > 0;
    const uilists::FileListBox& list =
        *File1[previews ? filelistslot::Thumbs : filelistslot::Pictures];
    SelectionSource source{folderOf(previews ? folderslot::ThumbFolder : folderslot::PictureFolder),
                           folderOf(folderslot::PictureFolder),
                           {},
                           {}};
    for (int position = 0; position < list.count(); ++position) {
        source.thumbNames.push_back(list.fileNameAt(position));
    }
    PreparationChoices choices;
    QString originals;
    if (recallShowPreparation(folderOf(folderslot::ShowFolder), choices, originals) &&
        uilists::isExistingFolder(originals) &&
        !uilists::isSameFolder(originals, ShowFolders[folderslot::PictureFolder])) {
        source.originalsFolder = uilists::toFileName(uilists::withTrailingSeparator(originals));
    }
    SelectionDialog dialog(std::move(source), this);
    dialog.exec();
}

void MainWindow::showStartPageInBrowser() {
    const std::string page = startPageToShow();
    if (!page.empty()) {
        openPageInBrowser(page, texts::StartPageInBrowserTitle);
    }
}

void MainWindow::openPageInBrowser(const std::string& page, std::string_view title) {
    const QUrl url = fileUrl(page);
    // Without a browser the user still learns where the page is, to open it by hand.
    auto tellPath = [this, page, title = std::string(title)] {
        m_dialogs->showMessage(texts::browserNotStarted(uilists::fromFileName(page).toStdString()),
                               title);
    };
    if (!m_openUrl) {
        openInBrowser(url, this, tellPath);
    } else if (!m_openUrl(url)) {
        tellPath();
    }
}

void MainWindow::previewInBrowser() {
    if (!uilists::isExistingFolder(ShowFolders[folderslot::ShowFolder])) {
        m_dialogs->showMessage(texts::PreviewNeedsShowFolder, texts::PreviewTitle);
        return;
    }
    if (File1[filelistslot::Thumbs]->count() == 0) {
        m_dialogs->showMessage(texts::PreviewNeedsThumbs, texts::PreviewTitle);
        return;
    }
    if (!m_browserPreview) {
        m_browserPreview = std::make_unique<BrowserPreview>(
            *this,
            [this](std::string_view text, std::string_view title) {
                m_dialogs->showMessage(text, title);
            },
            [this](const std::string& page) { openPageInBrowser(page, texts::PreviewTitle); });
    }
    m_browserPreview->start(generatorInput(), previewStartPageName(startPageToShow()),
                            generator::temporaryFolder(qgetenv("TMPDIR").toStdString()));
}

} // namespace bildertafel::ui
