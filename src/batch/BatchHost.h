#pragma once

#include "generator/ShowGenerator.h"
#include "host/DialogHost.h"

#include <optional>
#include <ostream>
#include <string>

namespace bildertafel::batch {

// The run's surroundings without a window: messages go to standard error as their text, one line
// each; the name dialog is answered with the name from the command line or else its preset.
class BatchHost : public generator::GeneratorHost, public host::DialogHost {
public:
    BatchHost(std::optional<std::string> name, std::ostream& err)
        : m_name(std::move(name)), m_err(err) {}

    void showMessage(std::string_view text, std::string_view title) override;
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override;
    void setBusy(bool) override {}
    void refreshFileLists() override {}
    void startPageWritten(const std::string&) override {}
    // One warning line per missing file, then their count.
    void reportMissingLinks(const std::vector<links::MissingLink>& links) override;

    std::size_t missingLinks() const { return m_missingLinks; }

private:
    std::optional<std::string> m_name;
    std::ostream& m_err;
    std::size_t m_missingLinks = 0;
};

} // namespace bildertafel::batch
