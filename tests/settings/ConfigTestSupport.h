#pragma once

#include "settings/ConfigCommands.h"
#include "settings/ShowSettings.h"

#include <ostream>
#include <string>
#include <vector>

namespace bildertafel::settings {

// Lets GoogleTest show settings readably when a comparison fails.
inline void PrintTo(const ShowSettings& settings, std::ostream* out) {
    for (int t = 0; t < TemplateCount; ++t) {
        *out << "\n  [" << t << "] \"" << settings.Template(static_cast<TemplateId>(t)) << '"';
    }
    *out << "\n  index " << settings.TableWidthIndex() << " \"" << settings.TableWidthText()
         << "\"\n  options " << settings.OwnPagePerPicture() << ' ' << settings.NewBrowserWindow()
         << ' ' << settings.AllPicturesPage() << '\n';
}

} // namespace bildertafel::settings

namespace bildertafel::test {

// Stands in for the window: a scripted answer for the name dialog, a folder, a selection, and a
// record of everything the commands asked for, in order.
class FakeConfigHost : public settings::ConfigCommandHost, public host::DialogHost {
public:
    std::string folder;
    std::optional<std::string> selected;
    std::string answer;

    struct Message {
        std::string text;
        std::string title;
    };
    std::vector<Message> messages;
    std::vector<std::string> events; // "ask", "message", "reread", "loaded:<name>"
    std::string askedPrompt, askedTitle, askedPreset;

    void showMessage(std::string_view text, std::string_view title) override {
        messages.push_back({std::string(text), std::string(title)});
        events.emplace_back("message");
    }
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override {
        askedPrompt = prompt;
        askedTitle = title;
        askedPreset = presetAnswer;
        events.emplace_back("ask");
        return answer;
    }
    std::string ConfigFolder() const override { return folder; }
    std::optional<std::string> selectedConfigName() const override { return selected; }
    void rereadConfigList() override { events.emplace_back("reread"); }
    void showLoadedConfigName(std::string_view name) override {
        events.push_back("loaded:" + std::string(name));
    }
};

} // namespace bildertafel::test
