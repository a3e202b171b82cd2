#include "ui/words/WordsDialog.h"

#include "ui/common/DialogFit.h"

#include "ui/common/PictureProgram.h"
#include "ui/common/QtText.h"
#include "ui/common/StandardDialogs.h"
#include "ui/lists/FileNames.h"
#include "ui_WordsDialog.h"
#include "words/WordsFile.h"
#include "words/WordsTexts.h"

#include <QImageReader>
#include <QKeyEvent>
#include <QPixmap>
#include <QPushButton>

namespace bildertafel::ui {

namespace {

constexpr int PreviewWidth = 240;
constexpr int PreviewHeight = 180;

// The preview, else the picture itself, scaled to the dialog's box while it is read.
QPixmap previewOf(const WordsSource& source, const std::string& name) {
    for (const std::string* folder : {&source.thumbFolder, &source.pictureFolder}) {
        QImageReader reader(uilists::fromFileName(*folder + name));
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (!size.isValid()) {
            continue;
        }
        reader.setScaledSize(size.scaled(PreviewWidth, PreviewHeight, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (!image.isNull()) {
            return QPixmap::fromImage(image);
        }
    }
    return {};
}

} // namespace

WordsDialog::WordsDialog(WordsSource source, words::ShowWords words, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::WordsDialog>()), m_source(std::move(source)),
      m_words(std::move(words)) {
    m_ui->setupUi(this);
    m_askUnsaved = [this] {
        return askUnsaved(*this,
                          QStringLiteral("Die Bildtexte wurden geändert. Sollen sie gespeichert "
                                         "werden?"),
                          QStringLiteral("Speichern"), QStringLiteral("Nicht speichern"),
                          QStringLiteral("Abbrechen"));
    };
    for (const std::string& name : m_source.names) {
        m_ui->Pictures->addItem(uilists::fromFileName(name));
    }
    for (QWidget* field : std::initializer_list<QWidget*>{m_ui->Pictures, m_ui->TitleEdit,
                                                          m_ui->CaptionEdit, m_ui->AltTextEdit}) {
        field->installEventFilter(this);
    }
    connect(m_ui->Pictures, &QListWidget::currentRowChanged, this, &WordsDialog::showPicture);
    connect(m_ui->Save, &QPushButton::clicked, this, &WordsDialog::save);
    connect(m_ui->Close, &QPushButton::clicked, this, &WordsDialog::reject);
    connect(m_ui->FromPictures, &QPushButton::clicked, this, &WordsDialog::takeFromPictures);
    const bool any = !m_source.names.empty();
    for (QWidget* field : std::initializer_list<QWidget*>{m_ui->TitleEdit, m_ui->CaptionEdit,
                                                          m_ui->AltTextEdit, m_ui->FromPictures}) {
        field->setEnabled(any);
    }
    if (any) {
        m_ui->Pictures->setCurrentRow(
            static_cast<int>(m_source.first < m_source.names.size() ? m_source.first : 0));
    }
    m_ui->TitleEdit->setFocus();
    fitToScreen(*this, *m_ui->Scroll);
}

WordsDialog::~WordsDialog() {
    if (m_reader != nullptr) {
        m_reader->disconnect(this);
        m_reader->kill();
        m_reader->waitForFinished();
    }
}

int WordsDialog::currentPicture() const {
    return m_shown;
}

bool WordsDialog::hasUnsavedChanges() {
    keepFields();
    return m_changed;
}

void WordsDialog::keepFields() {
    if (m_shown < 0) {
        return;
    }
    const std::string& name = m_source.names[static_cast<std::size_t>(m_shown)];
    const words::PictureWords edited = words::cleaned(
        {m_ui->TitleEdit->text().toStdString(), m_ui->CaptionEdit->toPlainText().toStdString(),
         m_ui->AltTextEdit->text().toStdString()});
    const words::PictureWords* kept = m_words.find(name);
    const words::PictureWords before = kept != nullptr ? *kept : words::PictureWords();
    // A picture without entry stays without one until it gets words; one whose words are all
    // removed keeps an empty entry, so its original's words do not come back.
    if (edited != before) {
        m_words.set(name, edited);
        m_changed = true;
    }
}

void WordsDialog::showPicture(int row) {
    keepFields();
    m_shown = row;
    if (row < 0 || static_cast<std::size_t>(row) >= m_source.names.size()) {
        m_shown = -1;
        return;
    }
    const std::string& name = m_source.names[static_cast<std::size_t>(row)];
    const words::PictureWords* kept = m_words.find(name);
    const words::PictureWords shown = kept != nullptr ? *kept : words::PictureWords();
    m_ui->TitleEdit->setText(fromUtf8(shown.title));
    m_ui->CaptionEdit->setPlainText(fromUtf8(shown.caption));
    m_ui->AltTextEdit->setText(fromUtf8(shown.altText));
    m_ui->PictureName->setText(uilists::fromFileName(name));
    m_ui->Preview->setPixmap(previewOf(m_source, name));
}

void WordsDialog::step(int by) {
    const int row = m_ui->Pictures->currentRow() + by;
    if (row >= 0 && row < m_ui->Pictures->count()) {
        m_ui->Pictures->setCurrentRow(row);
    }
}

bool WordsDialog::eventFilter(QObject* watched, QEvent* event) {
    // Page Up and Page Down go to the previous and next picture, also from the caption, which
    // would otherwise scroll; the focus stays in its field.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (event->type() == QEvent::KeyPress) {
                step(key->key() == Qt::Key_PageUp ? -1 : 1);
            }
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool WordsDialog::save() {
    keepFields();
    const std::string path = words::wordsFilePath(m_source.showFolder);
    if (const words::WordsOutcome written = words::writeWordsFile(path, m_words); !written) {
        m_ui->Status->setText(fromUtf8(words::texts::wordsNotWritten(path, written.failure())));
        return false;
    }
    m_changed = false;
    m_ui->Status->setText(QStringLiteral("Gespeichert in „%1“.").arg(uilists::fromFileName(path)));
    return true;
}

void WordsDialog::reject() {
    if (hasUnsavedChanges()) {
        switch (m_askUnsaved()) {
        case UnsavedAnswer::Keep:
            if (!save()) {
                return;
            }
            break;
        case UnsavedAnswer::Discard:
            break;
        case UnsavedAnswer::Stay:
            return;
        }
    }
    QDialog::reject();
}

void WordsDialog::takeFromPictures() {
    if (m_reader != nullptr) {
        return;
    }
    keepFields();
    m_ui->FromPictures->setEnabled(false);
    m_ui->Status->setText(QStringLiteral("Die Bildtexte werden aus den Bildern gelesen…"));
    m_reader = new QProcess(this);
    m_reader->setProcessChannelMode(QProcess::SeparateChannels);
    connect(m_reader, &QProcess::finished, this, &WordsDialog::readingEnded);
    connect(m_reader, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            readingEnded();
        }
    });
    m_reader->start(pictureProgram(),
                    {QStringLiteral("--words-from-pictures"), QStringLiteral("--show"),
                     uilists::fromFileName(m_source.showFolder), QStringLiteral("--pictures"),
                     uilists::fromFileName(m_source.pictureFolder)});
}

void WordsDialog::readingEnded() {
    QProcess* reader = m_reader;
    m_reader = nullptr;
    reader->deleteLater();
    m_ui->FromPictures->setEnabled(true);
    keepFields();
    if (reader->error() == QProcess::FailedToStart ||
        reader->exitStatus() != QProcess::NormalExit || reader->exitCode() != 0) {
        const QString said = QString::fromUtf8(reader->readAllStandardError()).trimmed();
        m_ui->Status->setText(said.isEmpty()
                                  ? QStringLiteral("Die Bildtexte konnten nicht aus den Bildern "
                                                   "gelesen werden: „%1“ lief nicht.")
                                        .arg(reader->program())
                                  : said);
        return;
    }
    // The program added what the pictures say to the file for pictures without an entry there;
    // here it comes to the pictures without an entry in the dialog, whose edits stay as they are.
    words::ShowWords file;
    const std::string path = words::wordsFilePath(m_source.showFolder);
    if (const words::WordsOutcome read = words::readWordsFile(path, file); !read) {
        m_ui->Status->setText(fromUtf8(words::texts::wordsNotRead(path, read.failure())));
        return;
    }
    const std::size_t added = m_words.fillIn(file.entries());
    m_ui->Status->setText(added == 0 ? QStringLiteral("Die Bilder bringen keine neuen Bildtexte.")
                          : added == 1
                              ? QStringLiteral("Bildtexte für ein Bild übernommen.")
                              : QStringLiteral("Bildtexte für %1 Bilder übernommen.").arg(added));
    if (m_shown >= 0) {
        const int shown = m_shown;
        m_shown = -1; // the fields are taken as they are already
        showPicture(shown);
    }
}

} // namespace bildertafel::ui
