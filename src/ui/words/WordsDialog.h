#pragma once

#include "ui/common/StandardDialogs.h"
#include "words/PictureWords.h"

#include <QDialog>
#include <QProcess>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class WordsDialog;
}

namespace bildertafel::ui {

// The show whose words the dialog edits; folders end in "/", names and folders are bytes as the
// window keeps file names.
struct WordsSource {
    std::string showFolder;
    std::string pictureFolder;
    std::string thumbFolder;
    std::vector<std::string> names; // the full-size pictures, in list order
    std::size_t first = 0;          // the picture shown first, as a position in names
};

// "Bildtexte…": each picture of the show with its preview and name, and its title, caption and
// alternative text, saved to the show's file of words. Keyboard first: the fields are in tab
// order, Page Up and Page Down go to the previous and next picture from any field; closing with
// changes not saved asks.
class WordsDialog : public QDialog {
    Q_OBJECT

public:
    using UnsavedAnswer = ui::UnsavedAnswer;
    using UnsavedQuestion = std::function<UnsavedAnswer()>;

    // words: the show's file as read just before.
    WordsDialog(WordsSource source, words::ShowWords words, QWidget* parent);
    ~WordsDialog() override;

    // Replaces the question when the dialog closes with changes not saved (tests answer it).
    void setUnsavedQuestion(UnsavedQuestion ask) { m_askUnsaved = std::move(ask); }
    bool hasUnsavedChanges();
    int currentPicture() const;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPicture(int row);
    // Takes the fields into the words of the picture shown.
    void keepFields();
    bool save();
    void step(int by);
    void takeFromPictures();
    void readingEnded();

    std::unique_ptr<Ui::WordsDialog> m_ui;
    WordsSource m_source;
    words::ShowWords m_words;
    UnsavedQuestion m_askUnsaved;
    int m_shown = -1;
    bool m_changed = false;
    QProcess* m_reader = nullptr;
};

} // namespace bildertafel::ui
