#include "ui/PrepareDialog.h"

#include "ui/CreditSettings.h"
#include "ui/QtText.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"
#include "ui_PrepareDialog.h"

#include <QFileDialog>
#include <QThread>

#include <sys/stat.h>

namespace bildertafel::ui {

namespace {

// The toolkit's own chooser, in German like the rest of the program.
QString chooseWithToolkit(QWidget* parent, const QString& current) {
    return QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Ordner der Originale wählen"), current,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

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
    connect(m_ui->MakeMinis, &QCheckBox::toggled, m_ui->MiniSize, &QWidget::setEnabled);
    connect(m_ui->NoCredits, &QCheckBox::toggled, this, &PrepareDialog::showCreditChoice);
    connect(m_ui->Start, &QPushButton::clicked, this, &PrepareDialog::start);
    connect(m_ui->Cancel, &QPushButton::clicked, this, [this] {
        m_cancel = true;
        m_ui->Cancel->setEnabled(false);
        m_ui->ProgressText->setText(
            QStringLiteral("Wird abgebrochen, sobald die Bilder in Arbeit fertig sind…"));
    });
    connect(m_ui->Close, &QPushButton::clicked, this, &PrepareDialog::reject);
}

PrepareDialog::~PrepareDialog() {
    if (m_worker != nullptr) {
        m_cancel = true;
        m_worker->wait();
    }
}

void PrepareDialog::reject() {
    // A running run is stopped first; the dialog closes once it has.
    if (isRunning()) {
        m_ui->Cancel->click();
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
}

void PrepareDialog::keepChoices() {
    if (m_ui->MakePictures->isEnabled()) {
        m_choices.makePictures = m_ui->MakePictures->isChecked();
    }
    m_choices.pictureSize = m_ui->PictureSize->value();
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
    } else {
        m_ui->MiniSize->setEnabled(m_ui->MakeMinis->isChecked());
        showWhetherPicturesCanBeMade();
    }
    m_ui->Cancel->setEnabled(running);
}

void PrepareDialog::start() {
    keepChoices();
    imaging::PreparationRequest request;
    request.OriginalsFolder = uilists::toFileName(m_folders.originals);
    request.PictureFolder = uilists::toFileName(m_folders.pictures);
    request.ThumbFolder = uilists::toFileName(m_folders.thumbs);
    request.pictureSize = m_ui->MakePictures->isChecked() ? m_ui->PictureSize->value() : 0;
    request.miniSize = m_ui->MakeMinis->isChecked() ? m_ui->MiniSize->value() : 0;
    request.quality = m_ui->Quality->value();
    request.redo = m_ui->Redo->isChecked();
    request.credits = m_choices.noCredits        ? imaging::CreditMode::None
                      : m_choices.replaceCredits ? imaging::CreditMode::Replace
                                                 : imaging::CreditMode::Keep;
    request.artist = m_choices.artist.trimmed().toStdString();
    request.copyright = m_choices.copyright.trimmed().toStdString();

    m_cancel = false;
    m_ui->Summary->clear();
    m_ui->Progress->setMaximum(1);
    m_ui->Progress->setValue(0);
    m_ui->Progress->setTextVisible(true);
    m_ui->ProgressText->setText(QStringLiteral("Die Originale werden gelesen…"));
    setRunning(true);
    m_worker = QThread::create([this, request] {
        imaging::PreparationCallbacks callbacks;
        callbacks.progress = [this](const imaging::PreparationProgress& progress) {
            QMetaObject::invokeMethod(
                this, [this, progress] { showProgress(progress); }, Qt::QueuedConnection);
        };
        callbacks.cancelRequested = [this] { return m_cancel.load(); };
        m_result = imaging::prepareImages(request, callbacks);
    });
    connect(m_worker, &QThread::finished, this, &PrepareDialog::finish);
    m_worker->start();
}

void PrepareDialog::showProgress(const imaging::PreparationProgress& progress) {
    if (m_cancel) {
        return;
    }
    m_ui->Progress->setMaximum(static_cast<int>(std::max<std::size_t>(progress.total, 1)));
    m_ui->Progress->setValue(static_cast<int>(progress.done));
    QString text = uilists::fromFileName(progress.currentName);
    if (progress.secondsLeft >= 0) {
        text +=
            QStringLiteral(", noch etwa ") + fromUtf8(imaging::timeLeftText(progress.secondsLeft));
    }
    m_ui->ProgressText->setText(text);
}

void PrepareDialog::finish() {
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    setRunning(false);
    m_ui->ProgressText->clear();
    if (m_result.outcome == imaging::PreparationOutcome::Refused) {
        m_ui->Summary->setPlainText(fromUtf8(m_result.refusal));
        return;
    }
    // Progress reports still under way when "Abbrechen" was clicked are dropped: the bar shows
    // the count of the summary.
    m_ui->Progress->setMaximum(static_cast<int>(std::max<std::size_t>(m_result.originals, 1)));
    m_ui->Progress->setValue(static_cast<int>(m_result.finished));
    m_ui->Summary->setPlainText(fromUtf8(imaging::preparationSummary(m_result)));
    if (m_afterRun) {
        m_afterRun();
    }
}

} // namespace bildertafel::ui
