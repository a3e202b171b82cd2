#include "ui/prepare/PrepareDialog.h"

#include "ui/common/DialogFit.h"

#include "core/TimeLeft.h"
#include "imaging/PreparationTexts.h"
#include "ui/common/PictureProgram.h"
#include "ui/common/QtText.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"
#include "ui/prepare/CreditSettings.h"
#include "ui_PrepareDialog.h"
#include "words/WordsFile.h"
#include "words/WordsTexts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

#include <sys/stat.h>

namespace bildertafel::ui {

namespace {

// The toolkit's own chooser, in German like the rest of the program.
QString chooseWithToolkit(QWidget* parent, const QString& current) {
    return QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Ordner der Originale wählen"), current,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

// How long a program asked to stop may take for the pictures in progress when the dialog goes.
constexpr int StopWaitMilliseconds = 60000;

} // namespace

PrepareDialog::PrepareDialog(PreparationFolders folders, PreparationChoices& choices,
                             QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::PrepareDialog>()), m_folders(std::move(folders)),
      m_choices(choices) {
    m_ui->setupUi(this);
    m_ui->OriginalsFolder->setText(m_folders.originals);
    m_ui->PictureTarget->setText(m_folders.pictures);
    m_ui->ThumbTarget->setText(m_folders.thumbs);
    m_ui->MakePictures->setChecked(m_choices.makePictures);
    m_ui->PictureSize->setValue(m_choices.pictureSize);
    m_ui->MakeLarge->setChecked(m_choices.makeLarge);
    m_ui->LargeSize->setValue(m_choices.largeSize);
    m_ui->MakeMinis->setChecked(m_choices.makeMinis);
    m_ui->MiniSize->setValue(m_choices.miniSize);
    m_ui->Quality->setValue(m_choices.quality);
    m_ui->Redo->setChecked(m_choices.redo);
    readCreditSettings(m_choices);
    m_ui->Artist->setText(m_choices.artist);
    m_ui->Copyright->setText(m_choices.copyright);
    m_ui->ReplaceCredits->setChecked(m_choices.replaceCredits);
    m_ui->NoCredits->setChecked(m_choices.noCredits);
    showCreditChoice();
    // The bar counts only once a run has begun.
    m_ui->Progress->setTextVisible(false);
    showWhetherPicturesCanBeMade();

    connect(m_ui->ChooseOriginals, &QPushButton::clicked, this, &PrepareDialog::chooseOriginals);
    connect(m_ui->MakePictures, &QCheckBox::toggled, m_ui->PictureSize, &QWidget::setEnabled);
    connect(m_ui->MakePictures, &QCheckBox::toggled, this, &PrepareDialog::showLargeChoice);
    connect(m_ui->MakeLarge, &QCheckBox::toggled, this, &PrepareDialog::showLargeChoice);
    connect(m_ui->MakeMinis, &QCheckBox::toggled, m_ui->MiniSize, &QWidget::setEnabled);
    connect(m_ui->NoCredits, &QCheckBox::toggled, this, &PrepareDialog::showCreditChoice);
    connect(m_ui->Start, &QPushButton::clicked, this, &PrepareDialog::start);
    connect(m_ui->GoOn, &QPushButton::clicked, this, [this] {
        m_ui->GoOn->hide();
        setRunning(true);
        startProgram();
    });
    connect(m_ui->Cancel, &QPushButton::clicked, this, &PrepareDialog::cancelRun);
    connect(m_ui->Close, &QPushButton::clicked, this, &PrepareDialog::reject);
    fitToScreen(*this, *m_ui->Scroll);
}

PrepareDialog::~PrepareDialog() {
    if (m_child != nullptr) {
        m_child->disconnect(this);
        // As on "Abbrechen": a second signal would end the program before the pictures in
        // progress are finished.
        if (!m_cancel) {
            m_child->terminate();
        }
        if (!m_child->waitForFinished(StopWaitMilliseconds)) {
            m_child->kill();
            m_child->waitForFinished();
        }
    }
}

void PrepareDialog::cancelRun() {
    if (!isRunning() || m_cancel) {
        return;
    }
    m_cancel = true;
    // The program finishes the pictures in progress and removes its temporary files.
    m_child->terminate();
    m_ui->Cancel->setEnabled(false);
    m_ui->ProgressText->setText(
        QStringLiteral("Wird abgebrochen, sobald die Bilder in Arbeit fertig sind…"));
}

void PrepareDialog::reject() {
    // A running run is stopped first; the dialog stays until it has.
    if (isRunning()) {
        cancelRun();
        return;
    }
    keepChoices();
    QDialog::reject();
}

void PrepareDialog::chooseOriginals() {
    const QString chosen = chooseWithToolkit(this, m_folders.originals);
    if (chosen.isEmpty()) {
        return;
    }
    m_folders.originals = uilists::withTrailingSeparator(chosen);
    m_ui->OriginalsFolder->setText(m_folders.originals);
    showWhetherPicturesCanBeMade();
}

void PrepareDialog::showWhetherPicturesCanBeMade() {
    const bool originalsArePictures =
        uilists::isSameFolder(m_folders.originals, m_folders.pictures);
    m_ui->MakePictures->setEnabled(!originalsArePictures);
    m_ui->PictureSize->setEnabled(!originalsArePictures && m_ui->MakePictures->isChecked());
    if (originalsArePictures) {
        m_ui->MakePictures->setChecked(false);
    } else {
        m_ui->MakePictures->setChecked(m_choices.makePictures);
    }
    showLargeChoice();
}

// The large size goes with the web-size pictures.
void PrepareDialog::showLargeChoice() {
    const bool pictures = m_ui->MakePictures->isEnabled() && m_ui->MakePictures->isChecked();
    m_ui->MakeLarge->setEnabled(pictures);
    m_ui->LargeSize->setEnabled(pictures && m_ui->MakeLarge->isChecked());
}

void PrepareDialog::keepChoices() {
    if (m_ui->MakePictures->isEnabled()) {
        m_choices.makePictures = m_ui->MakePictures->isChecked();
    }
    m_choices.pictureSize = m_ui->PictureSize->value();
    m_choices.makeLarge = m_ui->MakeLarge->isChecked();
    m_choices.largeSize = m_ui->LargeSize->value();
    m_choices.makeMinis = m_ui->MakeMinis->isChecked();
    m_choices.miniSize = m_ui->MiniSize->value();
    m_choices.quality = m_ui->Quality->value();
    m_choices.redo = m_ui->Redo->isChecked();
    m_choices.artist = m_ui->Artist->text();
    m_choices.copyright = m_ui->Copyright->text();
    m_choices.replaceCredits = m_ui->ReplaceCredits->isChecked();
    m_choices.noCredits = m_ui->NoCredits->isChecked();
    writeCreditSettings(m_choices);
}

// Without any metadata the notice has nothing to go into.
void PrepareDialog::showCreditChoice() {
    const bool credits = !m_ui->NoCredits->isChecked() && m_ui->NoCredits->isEnabled();
    for (QWidget* input :
         std::initializer_list<QWidget*>{m_ui->Artist, m_ui->Copyright, m_ui->ReplaceCredits}) {
        input->setEnabled(credits);
    }
}

void PrepareDialog::setRunning(bool running) {
    for (QWidget* input : std::initializer_list<QWidget*>{
             m_ui->ChooseOriginals, m_ui->MakeMinis, m_ui->MiniSize, m_ui->Quality, m_ui->Redo,
             m_ui->NoCredits, m_ui->Start, m_ui->Close}) {
        input->setEnabled(!running);
    }
    showCreditChoice();
    if (running) {
        m_ui->MakePictures->setEnabled(false);
        m_ui->PictureSize->setEnabled(false);
        showLargeChoice();
    } else {
        m_ui->MiniSize->setEnabled(m_ui->MakeMinis->isChecked());
        showWhetherPicturesCanBeMade();
    }
    m_ui->Cancel->setEnabled(running);
}

void PrepareDialog::start() {
    keepChoices();
    // The next "Bilder vorbereiten" of this show, also after a restart, begins where this one.
    if (!m_folders.show.isEmpty()) {
        rememberShowPreparation(uilists::toFileName(m_folders.show), m_choices,
                                m_folders.originals);
    }
    const auto number = [](int value) { return std::to_string(value); };
    m_arguments = {
        "--prepare",      uilists::toFileName(m_folders.originals),
        "--minis",        uilists::toFileName(m_folders.thumbs),
        "--pictures",     uilists::toFileName(m_folders.pictures),
        "--picture-size", number(m_ui->MakePictures->isChecked() ? m_ui->PictureSize->value() : 0),
        "--large-size",   number(m_ui->MakeLarge->isChecked() ? m_ui->LargeSize->value() : 0),
        "--mini-size",    number(m_ui->MakeMinis->isChecked() ? m_ui->MiniSize->value() : 0),
        "--quality",      number(m_ui->Quality->value())};
    if (m_ui->Redo->isChecked()) {
        m_arguments.emplace_back("--redo");
    }
    if (m_choices.noCredits) {
        m_arguments.emplace_back("--no-credits");
    } else {
        if (m_choices.replaceCredits) {
            m_arguments.emplace_back("--replace-credits");
        }
        const std::string artist = m_choices.artist.trimmed().toStdString();
        const std::string copyright = m_choices.copyright.trimmed().toStdString();
        if (!artist.empty()) {
            m_arguments.insert(m_arguments.end(), {"--artist", artist});
        }
        if (!copyright.empty()) {
            m_arguments.insert(m_arguments.end(), {"--copyright", copyright});
        }
    }

    m_report = {};
    m_ui->GoOn->hide();
    m_ui->Summary->clear();
    m_ui->Progress->setMaximum(1);
    m_ui->Progress->setValue(0);
    m_ui->Progress->setTextVisible(true);
    m_ui->ProgressText->setText(QStringLiteral("Die Originale werden gelesen…"));
    setRunning(true);
    startProgram();
}

void PrepareDialog::startProgram() {
    m_cancel = false;
    m_report.startProgram();
    // The arguments go on standard input, each ended by a zero byte: folder names keep their
    // bytes, which a command line made of text would not promise.
    QByteArray input;
    const auto add = [&input](std::string_view argument) {
        input.append(argument.data(), static_cast<qsizetype>(argument.size()));
        input.append('\0');
    };
    for (const std::string& name : m_report.leaveOut()) {
        add("--leave-out");
        add(name);
    }
    for (const std::string& argument : m_arguments) {
        add(argument);
    }
    m_child = new QProcess(this);
    m_child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_child, &QProcess::readyReadStandardOutput, this, &PrepareDialog::readProgramOutput);
    connect(m_child, &QProcess::finished, this, &PrepareDialog::programEnded);
    connect(m_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            programNotStarted();
        }
    });
    m_child->start(pictureProgram(), {QStringLiteral("--window-child")});
    if (m_child != nullptr) {
        m_child->write(input);
        m_child->closeWriteChannel();
    }
}

void PrepareDialog::readProgramOutput() {
    const QByteArray bytes = m_child->readAllStandardOutput();
    m_report.read(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                  [this](const imaging::PreparationProgress& progress) { showProgress(progress); });
}

void PrepareDialog::showProgress(const imaging::PreparationProgress& progress) {
    if (m_cancel) {
        return;
    }
    // The bar counts the originals whose pictures are there: one that failed never fills it.
    m_ui->Progress->setMaximum(static_cast<int>(std::max<std::size_t>(progress.total, 1)));
    m_ui->Progress->setValue(static_cast<int>(progress.completed));
    QString text = uilists::fromFileName(progress.currentName);
    if (progress.secondsLeft >= 0) {
        text += QStringLiteral(", noch etwa ") + fromUtf8(core::timeLeftText(progress.secondsLeft));
    }
    m_ui->ProgressText->setText(text);
}

void PrepareDialog::programEnded() {
    readProgramOutput();
    m_child->deleteLater();
    m_child = nullptr;
    const imaging::PreparationReport::Ending ending = m_report.programEnded(m_cancel);
    setRunning(false);
    m_ui->ProgressText->clear();
    if (ending == imaging::PreparationReport::Ending::Refused) {
        // Refused before any original: nothing to count.
        m_ui->Progress->reset();
        m_ui->Progress->setTextVisible(false);
        m_ui->Summary->setPlainText(fromUtf8(m_report.refusal()));
        return;
    }
    // Progress reports still under way when "Abbrechen" was clicked are dropped: the bar shows
    // the originals whose pictures are there, as the summary counts them.
    const imaging::PreparationResult result = m_report.result();
    m_ui->Progress->setMaximum(static_cast<int>(std::max<std::size_t>(result.originals, 1)));
    m_ui->Progress->setValue(static_cast<int>(result.completed));
    QString summary = fromUtf8(imaging::preparationSummary(result));
    if (const QString words = fillWords(result); !words.isEmpty()) {
        summary += u'\n' + words;
    }
    if (ending == imaging::PreparationReport::Ending::Crashed) {
        summary = fromUtf8(imaging::texts::programCrashed(m_report.crashedOn())) + u'\n' + summary;
        m_ui->GoOn->show();
    }
    m_ui->Summary->setPlainText(summary);
    if (m_afterRun) {
        m_afterRun();
    }
}

QString PrepareDialog::fillWords(const imaging::PreparationResult& result) const {
    if (result.words.empty() || m_folders.show.isEmpty()) {
        return {};
    }
    const std::string path = words::wordsFilePath(uilists::toFileName(m_folders.show));
    std::size_t added = 0;
    if (const words::WordsOutcome filled = words::fillWordsFile(path, result.words, added);
        !filled) {
        return fromUtf8(words::texts::wordsNotWritten(path, filled.failure()));
    }
    if (added == 0) {
        return {};
    }
    return fromUtf8(words::texts::wordsTakenOver(added, uilists::fromFileName(path).toStdString()));
}

void PrepareDialog::programNotStarted() {
    const QString program = m_child->program();
    m_child->deleteLater();
    m_child = nullptr;
    setRunning(false);
    m_ui->ProgressText->clear();
    m_ui->Summary->setPlainText(fromUtf8(imaging::texts::programNotStarted(
        uilists::toFileName(program), QFileInfo::exists(program))));
}

} // namespace bildertafel::ui
