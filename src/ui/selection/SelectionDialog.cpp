#include "ui/selection/SelectionDialog.h"

#include "filelist/FileList.h"
#include "imaging/Preparation.h"
#include "selection/SelectionCopy.h"
#include "selection/SelectionTexts.h"
#include "ui/common/QtText.h"
#include "ui/lists/FileNames.h"
#include "ui_SelectionDialog.h"

#include <QFileDialog>
#include <QImageReader>
#include <QPushButton>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

namespace bildertafel::ui {

namespace {

QString chooseFolderWithToolkit(QWidget* parent) {
    return QFileDialog::getSaveFileName(
        parent, QStringLiteral("Neuer Ordner für die Auswahl"), QString(), QString(), nullptr,
        QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
}

QString chooseListFileWithToolkit(QWidget* parent) {
    return QFileDialog::getSaveFileName(
        parent, QStringLiteral("Liste speichern"), QStringLiteral("auswahl.txt"),
        QStringLiteral("Textdateien (*.txt)"), nullptr, QFileDialog::DontUseNativeDialog);
}

QIcon previewOf(const std::string& path) {
    QImageReader reader(uilists::fromFileName(path));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && size.width() > 0 && size.height() > 0) {
        reader.setScaledSize(size.scaled(96, 96, Qt::KeepAspectRatio));
    }
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

std::string pictureNameOf(std::string_view file) {
    return std::string(selection::pictureBaseOf(file));
}

std::string originalPictureNameOf(std::string_view original) {
    return pictureNameOf(imaging::targetNameFor(original));
}

bool isJpeg(std::string_view name) {
    return filelist::matchesPattern(name, "*.jpg");
}

// Copies the chosen pictures' files; the German result.
QString copyChosen(const std::vector<std::string>& chosen, const std::string& folder,
                   bool originals, const std::string& target, std::atomic<bool>& stop,
                   std::atomic<std::size_t>& done) {
    std::error_code error;
    const std::vector<std::string> files =
        filelist::listFolderFiles(folder, originals ? imaging::isOriginalName : isJpeg, error);
    if (error) {
        return fromUtf8(selection::texts::copyFailureText(
            {selection::CopyFailureKind::SourceUnreadable, folder, error.value()}));
    }
    std::vector<std::string> missing;
    const std::vector<std::string> sources = selection::filesOfChosen(
        chosen, files, originals ? originalPictureNameOf : pictureNameOf, missing);
    const selection::CopyOutcome copied =
        selection::copyFiles(folder, sources, target, [&](std::size_t at, std::size_t) {
            done = at;
            return !stop;
        });
    std::string text = copied ? selection::texts::copiedText(sources.size(), originals, target)
                              : selection::texts::copyFailureText(copied.failure());
    if (!missing.empty()) {
        text += '\n' + selection::texts::missingText(missing, folder);
    }
    return fromUtf8(text).trimmed();
}

} // namespace

SelectionDialog::SelectionDialog(SelectionSource source, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SelectionDialog>()), m_source(std::move(source)),
      m_chooseFolder([this] { return chooseFolderWithToolkit(this); }),
      m_chooseListFile([this] { return chooseListFileWithToolkit(this); }) {
    m_ui->setupUi(this);
    for (const std::string& name : m_source.thumbNames) {
        m_showNames.push_back(pictureNameOf(name));
    }
    m_ui->Source->setText(m_source.originalsFolder.empty()
                              ? fromUtf8(selection::texts::noOriginalsText(m_source.pictureFolder))
                              : QStringLiteral("Kopiert werden die Originale aus „%1“.")
                                    .arg(uilists::fromFileName(m_source.originalsFolder)));
    m_ui->Progress->hide();
    m_ui->StopCopy->hide();
    connect(m_ui->Answer, &QPlainTextEdit::textChanged, this, &SelectionDialog::readAnswer);
    connect(m_ui->CopyToFolder, &QPushButton::clicked, this, &SelectionDialog::copyToFolder);
    connect(m_ui->SaveList, &QPushButton::clicked, this, &SelectionDialog::saveList);
    connect(m_ui->StopCopy, &QPushButton::clicked, this, [this] { m_stop = true; });
    connect(m_ui->Buttons, &QDialogButtonBox::rejected, this, &SelectionDialog::reject);
    readAnswer();
}

SelectionDialog::~SelectionDialog() {
    if (m_worker != nullptr) {
        m_stop = true;
        m_worker->wait();
    }
}

std::vector<std::string> SelectionDialog::chosenNames() const {
    std::vector<std::string> names;
    for (const std::size_t at : m_answer.chosen) {
        names.push_back(m_showNames[at]);
    }
    return names;
}

void SelectionDialog::readAnswer() {
    m_answer =
        selection::readSelectionAnswer(m_ui->Answer->toPlainText().toStdString(), m_showNames);
    m_ui->Chosen->clear();
    for (const std::size_t at : m_answer.chosen) {
        auto* item = new QListWidgetItem(previewOf(m_source.thumbFolder + m_source.thumbNames[at]),
                                         fromUtf8(m_showNames[at]), m_ui->Chosen);
        item->setToolTip(fromUtf8(m_showNames[at]));
    }
    const std::size_t count = m_answer.chosen.size();
    m_ui->Summary->setText(count == 1 ? QStringLiteral("1 Bild gewählt")
                                      : QStringLiteral("%1 Bilder gewählt").arg(count));
    m_ui->Chooser->setText(m_answer.chooser.empty()
                               ? QString()
                               : QStringLiteral("Gewählt von: %1").arg(fromUtf8(m_answer.chooser)));
    m_ui->Chooser->setVisible(!m_answer.chooser.empty());
    QStringList unknown;
    for (const std::string& name : m_answer.unknown) {
        unknown << fromUtf8(name);
    }
    if (m_answer.unknownCount > m_answer.unknown.size()) {
        unknown << QStringLiteral("und %1 weitere")
                       .arg(m_answer.unknownCount - m_answer.unknown.size());
    }
    m_ui->Unknown->setText(
        unknown.isEmpty()
            ? QString()
            : QStringLiteral("Nicht in der Show: %1").arg(unknown.join(QStringLiteral(", "))));
    m_ui->Unknown->setVisible(!unknown.isEmpty());
    m_ui->CopyToFolder->setEnabled(count > 0 && m_worker == nullptr);
    m_ui->SaveList->setEnabled(count > 0);
}

void SelectionDialog::copyToFolder() {
    const QString chosenFolder = m_chooseFolder();
    if (chosenFolder.isEmpty() || m_worker != nullptr) {
        return;
    }
    const bool originals = !m_source.originalsFolder.empty();
    const std::string folder = originals ? m_source.originalsFolder : m_source.pictureFolder;
    const std::string target = uilists::toFileName(chosenFolder);
    m_stop = false;
    m_done = 0;
    m_ui->Progress->setRange(0, static_cast<int>(m_answer.chosen.size()));
    m_ui->Progress->setValue(0);
    m_ui->Progress->show();
    m_ui->StopCopy->show();
    m_ui->CopyToFolder->setEnabled(false);
    m_ui->Result->setText(QStringLiteral("Die Bilder werden kopiert…"));
    m_worker = QThread::create([this, chosen = chosenNames(), folder, originals, target] {
        m_copyResult = copyChosen(chosen, folder, originals, target, m_stop, m_done);
    });
    auto* progress = new QTimer(m_worker);
    connect(progress, &QTimer::timeout, this,
            [this] { m_ui->Progress->setValue(static_cast<int>(m_done.load())); });
    progress->start(100);
    connect(m_worker, &QThread::finished, this, &SelectionDialog::copyDone);
    m_worker->start();
}

void SelectionDialog::copyDone() {
    m_worker->deleteLater();
    m_worker = nullptr;
    m_ui->Progress->hide();
    m_ui->StopCopy->hide();
    m_ui->Result->setText(m_copyResult);
    readAnswer();
}

void SelectionDialog::saveList() {
    const QString path = m_chooseListFile();
    if (path.isEmpty()) {
        return;
    }
    QSaveFile file(path);
    QByteArray text;
    for (const std::string& name : chosenNames()) {
        text.append(name.data(), static_cast<qsizetype>(name.size())).append('\n');
    }
    const bool saved =
        file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    m_ui->Result->setText(saved ? QStringLiteral("Liste gespeichert: „%1“.").arg(path)
                                : QStringLiteral("Die Liste kann nicht gespeichert werden: %1.")
                                      .arg(file.errorString()));
}

void SelectionDialog::reject() {
    if (m_worker != nullptr) {
        m_stop = true;
        m_worker->wait();
    }
    QDialog::reject();
}

} // namespace bildertafel::ui
