#include "settings/TemplateSets.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace bildertafel::settings {

namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// The installed folder, seen from the folder of the running program.
std::string installedFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return withSlash((program.parent_path() / BILDERTAFEL_VORLAGEN_FROM_BINDIR).lexically_normal());
}

// The lines of the description file; a missing one gives none.
std::vector<std::string> descriptionLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < 3 && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (lines.empty() && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3);
        }
        lines.push_back(line);
    }
    return lines;
}

int sizeOf(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    text = first == std::string_view::npos ? std::string_view() : text.substr(first);
    text = text.substr(0, text.find_last_not_of(" \t") + 1);
    int size = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    const bool whole = !text.empty() && error == std::errc() && end == text.data() + text.size();
    return whole && size > 0 ? size : 0;
}

} // namespace

std::string templateSetFolder(std::string_view named) {
    if (!named.empty()) {
        return withSlash(std::string(named));
    }
    std::string installed = installedFolder();
    if (isFolder(installed)) {
        return installed;
    }
    const std::string source = withSlash(BILDERTAFEL_VORLAGEN_SOURCE);
    return isFolder(source) ? source : installed;
}

std::vector<TemplateSet> listTemplateSets(const std::string& folder) {
    std::vector<TemplateSet> sets;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() != ".cfg" || !it->is_regular_file(error)) {
            continue;
        }
        TemplateSet set;
        set.name = path.stem().string();
        set.configPath = path.string();
        const std::vector<std::string> lines = descriptionLines(folder + set.name + ".txt");
        set.title = lines.empty() || lines[0].empty() ? set.name : lines[0];
        set.description = lines.size() > 1 ? lines[1] : std::string();
        set.previewSize = lines.size() > 2 ? sizeOf(lines[2]) : 0;
        const std::string picture = folder + set.name + ".png";
        if (fs::is_regular_file(picture, error)) {
            set.picturePath = picture;
        }
        sets.push_back(std::move(set));
    }
    std::sort(sets.begin(), sets.end(),
              [](const TemplateSet& a, const TemplateSet& b) { return a.name < b.name; });
    return sets;
}

std::string noTemplateSetsMessage(std::string_view folder) {
    return "Es wurden keine Vorlagen gefunden. Sie werden im Ordner " + std::string(folder) +
           " erwartet.";
}

std::string unknownTemplateSetMessage(std::string_view name, const std::vector<TemplateSet>& sets,
                                      std::string_view folder) {
    if (sets.empty()) {
        return "Die Vorlage \"" + std::string(name) + "\" gibt es nicht. " +
               noTemplateSetsMessage(folder);
    }
    std::string text = "Die Vorlage \"" + std::string(name) + "\" gibt es nicht. Vorhanden: ";
    for (std::size_t i = 0; i < sets.size(); ++i) {
        text += i == 0 ? "" : ", ";
        text += sets[i].name;
    }
    return text + ".";
}

std::string previewSizeText(const TemplateSet& set) {
    return set.previewSize > 0 ? "Mini-Bilder: " + std::to_string(set.previewSize) + " Pixel"
                               : std::string();
}

} // namespace bildertafel::settings
