#pragma once

#include "imaging/Preparation.h"
#include "imaging/PreparationMessages.h"

#include <QDialog>
#include <QProcess>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class PrepareDialog;
}

namespace bildertafel::ui {

// What the user set in the dialog; it lives as long as the program, like every setting.
struct PreparationChoices {
    bool makePictures = true;
    int pictureSize = imaging::DefaultPictureSize;
    bool makeLarge = true;
    int largeSize = imaging::DefaultLargeSize;
    bool makeMinis = true;
    int miniSize = imaging::DefaultMiniSize;
    int quality = imaging::DefaultQuality;
    bool redo = false;
    QString artist; // the notice for the web-size pictures; see CreditSettings.h
    QString copyright;
    bool replaceCredits = false;
    bool noCredits = false;
};

// The three folders of a run, each with one trailing "/", their bytes kept as the window keeps
// folder names.
struct PreparationFolders {
    QString originals;
    QString pictures;
    QString thumbs;
    QString show; // its file of words takes what the originals say; empty: none
};

// "Bilder vorbereiten": the folder of the originals, the sizes and the quality, and the run with
// its progress. The pictures are made by the batch command in a process of its own, so that a
// decoder that crashes never takes the window with it, and the window never loads the decoders;
// the dialog is modal, so no other command runs meanwhile, while the window keeps being drawn.
class PrepareDialog : public QDialog {
    Q_OBJECT

public:
    PrepareDialog(PreparationFolders folders, PreparationChoices& choices, QWidget* parent);
    ~PrepareDialog() override;

    // Runs in the window's thread after every run that got past its refusals.
    void setAfterRun(std::function<void()> afterRun) { m_afterRun = std::move(afterRun); }
    bool isRunning() const { return m_child != nullptr; }

public slots:
    void reject() override;

private:
    void chooseOriginals();
    // The web-size pictures are not made where the originals lie: they are taken as they are.
    void showWhetherPicturesCanBeMade();
    void showLargeChoice();
    void start();
    // Asks the picture program to stop after the pictures in progress.
    void cancelRun();
    // Starts the picture program on what the run has not finished yet.
    void startProgram();
    void readProgramOutput();
    void programEnded();
    void programNotStarted();
    void showProgress(const imaging::PreparationProgress& progress);
    // The words of the originals go into the show's file for pictures without an entry; the
    // line for the summary.
    QString fillWords(const imaging::PreparationResult& result) const;
    void keepChoices();
    void showCreditChoice();
    void setRunning(bool running);

    std::unique_ptr<Ui::PrepareDialog> m_ui;
    PreparationFolders m_folders;
    PreparationChoices& m_choices;
    std::function<void()> m_afterRun;
    QProcess* m_child = nullptr;
    std::vector<std::string> m_arguments; // of the run, for every program that works on it
    imaging::PreparationReport m_report;
    bool m_cancel = false;
};

} // namespace bildertafel::ui
