#pragma once

#include "TempDir.h"
#include "generator/ShowGenerator.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::test {

// A host that answers the name dialog from a script and records every call in order.
class RecordingHost : public generator::GeneratorHost, public host::DialogHost {
public:
    std::optional<std::string> answer; // none: the preset answer is taken
    std::function<void(bool)> onBusy;  // runs inside setBusy, to change the disk mid-run
    std::vector<std::string> events;

    void showMessage(std::string_view text, std::string_view title) override {
        events.push_back("message [" + std::string(title) + "] " + std::string(text));
    }
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view preset) override {
        events.push_back("ask [" + std::string(title) + "] " + std::string(prompt) + " " +
                         std::string(preset));
        return answer.value_or(std::string(preset));
    }
    void setBusy(bool on) override {
        events.push_back(on ? "busy on" : "busy off");
        if (onBusy) {
            onBusy(on);
        }
    }
    void refreshFileLists() override { events.push_back("refresh"); }
    void startPageWritten(const std::string& path) override { startPage = path; }
    void reportMissingLinks(const std::vector<links::MissingLink>& links) override {
        missingLinks.insert(missingLinks.end(), links.begin(), links.end());
    }

    std::vector<links::MissingLink> missingLinks;
    std::string startPage; // the last written
};

inline const std::string AskEvent =
    "ask [HTML-Startdatei speichern...] Dateiname (ohne Erweiterung): bilder01";
inline const std::vector<std::string> WrittenEvents{AskEvent, "busy on", "refresh", "busy off"};

// All templates empty and all options off, four pictures per row: pages hold only what the run
// itself writes.
inline settings::ShowSettings bareSettings() {
    settings::ShowSettings settings;
    settings.setTableWidthIndex(2);
    return settings;
}

// A show folder with the sub-folders minis/ and bilder/, and the inputs of a run on it.
struct Show {
    explicit Show(std::vector<std::string> thumbNames,
                  settings::ShowSettings settings = settings::DefaultShowSettings()) {
        std::filesystem::create_directories(dir / "show/minis");
        std::filesystem::create_directories(dir / "show/bilder");
        input.settings = std::move(settings);
        input.ShowFolder = showFolder();
        input.ThumbFolder = showFolder() + "minis/";
        input.PictureFolder = showFolder() + "bilder/";
        input.PictureCount = static_cast<long>(thumbNames.size());
        input.ThumbNames = std::move(thumbNames);
    }

    std::string showFolder() const { return dir.folder() + "show/"; }
    std::filesystem::path show() const { return dir / "show"; }
    std::filesystem::path pictures() const { return dir / "show/bilder"; }

    generator::RunOutcome run() { return generator::ShowGenerator::run(input, host, host); }

    TempDir dir;
    generator::ShowGeneratorInput input;
    RecordingHost host;
};

} // namespace bildertafel::test
