#include "batch/BatchOptions.h"

#include "imaging/Preparation.h"
#include "publish/ShowAccess.h"
#include "publish/Target.h"
#include "selection/MailAddress.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace bildertafel::batch {

namespace {

// Applies an option's value; returns the German complaint when the value is not acceptable.
using ApplyValue = std::optional<std::string> (*)(BatchOptions&, std::string_view flag,
                                                  std::string_view value);

std::optional<std::string> onOff(std::optional<std::int16_t>& target, std::string_view flag,
                                 std::string_view value) {
    if (value == "on" || value == "off") {
        target = value == "on" ? 1 : 0;
        return std::nullopt;
    }
    return std::string(flag) + " erwartet on oder off, nicht \"" + std::string(value) + "\".";
}

std::optional<std::string> file(std::optional<std::string>& target, std::string_view flag,
                                std::string_view value) {
    if (value.empty()) {
        return std::string(flag) + " braucht eine Datei.";
    }
    target = value;
    return std::nullopt;
}

std::optional<std::string> folder(std::string& target, std::string_view flag,
                                  std::string_view value) {
    if (value.empty()) {
        return std::string(flag) + " braucht einen Ordner.";
    }
    target = value;
    return std::nullopt;
}

// A whole number from lowest to highest, or one of the allowed others.
std::optional<std::string> number(std::optional<int>& target, std::string_view flag,
                                  std::string_view value, int lowest, int highest, bool zero) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    const bool whole = !value.empty() && error == std::errc() && end == value.data() + value.size();
    if (whole && ((parsed >= lowest && parsed <= highest) || (zero && parsed == 0))) {
        target = parsed;
        return std::nullopt;
    }
    return std::string(flag) + " erwartet " + (zero ? "0 oder " : "") + std::to_string(lowest) +
           " bis " + std::to_string(highest) + ", nicht \"" + std::string(value) + "\".";
}

std::optional<std::string> size(std::optional<int>& target, std::string_view flag,
                                std::string_view value) {
    return number(target, flag, value, imaging::SmallestSize, imaging::LargestSize, true);
}

struct ValueOption {
    std::string_view flag;
    ApplyValue apply;
};

// Every option takes one value. A new option is one more row here and one line in the usage.
constexpr ValueOption ValueOptions[] = {
    {"--config",
     [](BatchOptions& o, std::string_view f, std::string_view v) { return file(o.config, f, v); }},
    {"--preset",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (v.empty()) {
             return std::string(f) + " braucht den Namen einer Vorlage.";
         }
         o.preset = std::string(v);
         return std::nullopt;
     }},
    {"--save-config", [](BatchOptions& o, std::string_view f,
                         std::string_view v) { return file(o.saveConfig, f, v); }},
    {"--per-row",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.perRow = std::string(v);
         return std::nullopt;
     }},
    {"--own-pages", [](BatchOptions& o, std::string_view f,
                       std::string_view v) { return onOff(o.ownPages, f, v); }},
    {"--new-window", [](BatchOptions& o, std::string_view f,
                        std::string_view v) { return onOff(o.newWindow, f, v); }},
    {"--all-page", [](BatchOptions& o, std::string_view f,
                      std::string_view v) { return onOff(o.allPage, f, v); }},
    {"--show",
     [](BatchOptions& o, std::string_view f, std::string_view v) { return folder(o.show, f, v); }},
    {"--minis",
     [](BatchOptions& o, std::string_view f, std::string_view v) { return folder(o.minis, f, v); }},
    {"--pictures", [](BatchOptions& o, std::string_view f,
                      std::string_view v) { return folder(o.pictures, f, v); }},
    {"--prepare", [](BatchOptions& o, std::string_view f,
                     std::string_view v) { return folder(o.prepare, f, v); }},
    {"--picture-size", [](BatchOptions& o, std::string_view f,
                          std::string_view v) { return size(o.pictureSize, f, v); }},
    {"--large-size", [](BatchOptions& o, std::string_view f,
                        std::string_view v) { return size(o.largeSize, f, v); }},
    {"--mini-size", [](BatchOptions& o, std::string_view f,
                       std::string_view v) { return size(o.miniSize, f, v); }},
    {"--quality", [](BatchOptions& o, std::string_view f,
                     std::string_view v) { return number(o.quality, f, v, 1, 100, false); }},
    {"--name",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.name = std::string(v);
         return std::nullopt;
     }},
    {"--artist",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.artist = std::string(v);
         return std::nullopt;
     }},
    {"--copyright",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.copyright = std::string(v);
         return std::nullopt;
     }},
    {"--publish",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.publish = std::string(v);
         return std::nullopt;
     }},
    {"--key",
     [](BatchOptions& o, std::string_view f, std::string_view v) { return file(o.keyFile, f, v); }},
    {"--selection", [](BatchOptions& o, std::string_view f,
                       std::string_view v) { return file(o.selection, f, v); }},
    {"--copy-selection",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (v.empty()) {
             return std::string(f) + " braucht einen Ordner.";
         }
         o.copySelection = std::string(v);
         return std::nullopt;
     }},
    {"--originals", [](BatchOptions& o, std::string_view f,
                       std::string_view v) { return folder(o.originals, f, v); }},
    {"--selection-mail",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (!selection::isMailAddress(v)) {
             return std::string(f) +
                    " erwartet eine E-Mail-Adresse wie name@example.org, nicht \"" +
                    std::string(v) + "\".";
         }
         o.selectionMail = std::string(v);
         return std::nullopt;
     }},
    {"--selection-note",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.selectionNote = std::string(v);
         return std::nullopt;
     }},
    {"--zip",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         for (const auto& [word, choice] : {std::pair{"off", 0}, {"on", 1}, {"large", 2}}) {
             if (v == word) {
                 o.zip = choice;
                 return std::nullopt;
             }
         }
         return std::string(f) + " erwartet off, on oder large, nicht \"" + std::string(v) + "\".";
     }},
    {"--protect",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (v.empty()) {
             return std::string(f) + " braucht einen Benutzernamen.";
         }
         o.protectUser = std::string(v);
         return std::nullopt;
     }},
    {"--visible-until",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (!publish::parseDay(v)) {
             return std::string(f) + " erwartet ein Datum JJJJ-MM-TT, nicht \"" + std::string(v) +
                    "\".";
         }
         o.visibleUntil = std::string(v);
         return std::nullopt;
     }},
    {"--web-address",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (!publish::isWebAddress(v)) {
             return std::string(f) + " erwartet eine Adresse https://… oder http://…, nicht \"" +
                    std::string(v) + "\".";
         }
         o.webAddress = std::string(v);
         return std::nullopt;
     }},
    {"--server-path",
     [](BatchOptions& o, std::string_view f, std::string_view v) -> std::optional<std::string> {
         if (!publish::isUsableServerPath(v)) {
             return std::string(f) +
                    " erwartet einen vollständigen Pfad, der mit / beginnt, ohne \" und \\.";
         }
         o.serverPath = std::string(v);
         return std::nullopt;
     }},
    {"--noindex", [](BatchOptions& o, std::string_view f,
                     std::string_view v) { return onOff(o.noindex, f, v); }},
    {"--start-page",
     [](BatchOptions& o, std::string_view, std::string_view v) -> std::optional<std::string> {
         o.startPage = std::string(v);
         return std::nullopt;
     }},
};

// Options without a value.
struct FlagOption {
    std::string_view flag;
    bool BatchOptions::*target;
};

constexpr FlagOption FlagOptions[] = {
    {"--strict", &BatchOptions::strict},
    {"--redo", &BatchOptions::redo},
    {"--replace-credits", &BatchOptions::replaceCredits},
    {"--no-credits", &BatchOptions::noCredits},
    {"--words-from-pictures", &BatchOptions::wordsFromPictures},
    {"--dry-run", &BatchOptions::dryRun},
    {"--delete", &BatchOptions::deleteUnneeded},
    {"--no-protect", &BatchOptions::noProtect},
    {"--no-check", &BatchOptions::noCheck},
    {"--public-read", &BatchOptions::publicRead},
};

ParsedCommandLine wrongUsage(std::string error) {
    ParsedCommandLine parsed;
    parsed.kind = ParsedCommandLine::Kind::WrongUsage;
    parsed.error = std::move(error);
    return parsed;
}

// The options of a visitor's answer go together, and with nothing that writes a show.
std::optional<std::string> selectionComplaint(const BatchOptions& options) {
    if (options.selectionNote && !options.selectionMail) {
        return "--selection-note gilt nur mit --selection-mail.";
    }
    if (!options.selection) {
        return options.copySelection || !options.originals.empty()
                   ? std::optional<std::string>("--copy-selection und --originals gelten nur mit "
                                                "--selection.")
                   : std::nullopt;
    }
    if (!options.prepare.empty() || !options.publish.empty() || options.saveConfig ||
        options.wordsFromPictures) {
        return "--selection schließt --prepare, --publish, --save-config und "
               "--words-from-pictures aus.";
    }
    if (options.minis.empty() && options.pictures.empty()) {
        return "Zu --selection gehören die Bilder der Show: --pictures ORDNER (oder --minis "
               "ORDNER).";
    }
    if (!options.originals.empty() && !options.copySelection) {
        return "--originals gilt nur mit --copy-selection.";
    }
    if (options.copySelection && options.originals.empty() && options.pictures.empty()) {
        return "Zu --copy-selection gehört --originals ORDNER oder --pictures ORDNER.";
    }
    return std::nullopt;
}

} // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> args) {
    ParsedCommandLine parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "--list-presets") {
            parsed.kind = arg == "--help" ? ParsedCommandLine::Kind::Help
                                          : ParsedCommandLine::Kind::ListPresets;
            return parsed;
        }
        const auto flag = std::find_if(std::begin(FlagOptions), std::end(FlagOptions),
                                       [arg](const FlagOption& f) { return f.flag == arg; });
        if (flag != std::end(FlagOptions)) {
            parsed.options.*(flag->target) = true;
            continue;
        }
        const ValueOption* option = nullptr;
        for (const ValueOption& candidate : ValueOptions) {
            if (candidate.flag == arg) {
                option = &candidate;
            }
        }
        if (option == nullptr) {
            return wrongUsage(arg.starts_with("-")
                                  ? "Unbekannte Option " + std::string(arg) + "."
                                  : "Unerwartetes Argument \"" + std::string(arg) + "\".");
        }
        if (i + 1 == args.size()) {
            return wrongUsage("Zu " + std::string(arg) + " fehlt der Wert.");
        }
        if (auto complaint = option->apply(parsed.options, arg, args[++i])) {
            return wrongUsage(std::move(*complaint));
        }
    }

    const BatchOptions& options = parsed.options;
    if (auto complaint = selectionComplaint(options)) {
        return wrongUsage(std::move(*complaint));
    }
    if (options.selection) {
        return parsed;
    }
    if (options.config && options.preset) {
        return wrongUsage("--config und --preset schließen einander aus.");
    }
    if (options.prepare.empty() && (options.pictureSize || options.largeSize || options.miniSize ||
                                    options.quality || options.redo)) {
        return wrongUsage("--picture-size, --large-size, --mini-size, --quality und --redo gelten "
                          "nur mit --prepare.");
    }
    const bool credits = options.artist || options.copyright || options.replaceCredits;
    if (options.prepare.empty() && (credits || options.noCredits)) {
        return wrongUsage("--artist, --copyright, --replace-credits und --no-credits gelten nur "
                          "mit --prepare.");
    }
    if (options.noCredits && credits) {
        return wrongUsage("--no-credits schließt --artist, --copyright und --replace-credits aus.");
    }
    if (options.publish.empty() &&
        (options.startPage || options.dryRun || options.deleteUnneeded)) {
        return wrongUsage("--start-page, --dry-run und --delete gelten nur mit --publish.");
    }
    const bool access = options.protectUser || options.noProtect || options.visibleUntil ||
                        options.webAddress || options.serverPath || options.noCheck;
    if (options.publish.empty() && access) {
        return wrongUsage("--protect, --no-protect, --visible-until, --web-address, --server-path "
                          "und --no-check gelten nur mit --publish.");
    }
    const publish::TargetParse publishTarget = publish::parseTarget(options.publish);
    if (options.publicRead &&
        !(publishTarget.target && publishTarget.target->protocol == publish::Protocol::S3)) {
        return wrongUsage("--public-read gilt nur mit einer Adresse s3://… in --publish.");
    }
    if (options.protectUser && options.noProtect) {
        return wrongUsage("--protect und --no-protect schließen einander aus.");
    }
    if (options.keyFile) {
        const publish::TargetParse target = publish::parseTarget(options.publish);
        if (options.publish.empty() ||
            (target.target && target.target->protocol != publish::Protocol::Sftp)) {
            return wrongUsage("--key gilt nur mit einer Adresse sftp://… in --publish; bei ftps:// "
                              "und ftp:// meldet man sich mit dem Passwort an.");
        }
    }
    if (!options.publish.empty() && options.show.empty()) {
        return wrongUsage("Zu --publish gehört der Ordner der Fotoshow: --show ORDNER.");
    }
    if (options.wordsFromPictures && (options.show.empty() || options.pictures.empty())) {
        return wrongUsage("Zu --words-from-pictures gehören --show und --pictures.");
    }
    if ((!options.publish.empty() || options.wordsFromPictures) && !options.generates()) {
        return parsed;
    }
    // Configuration files alone need no folders; a generation needs all three, preparing the
    // pictures the two it makes them in.
    if (!options.generates() && options.prepare.empty() &&
        (options.config || options.preset || options.saveConfig)) {
        return parsed;
    }
    std::string missing;
    for (const auto& [flag, value] :
         {std::pair{"--show", &options.show}, std::pair{"--minis", &options.minis},
          std::pair{"--pictures", &options.pictures}}) {
        if (value->empty() && (options.prepare.empty() || value != &options.show)) {
            missing += missing.empty() ? "" : ", ";
            missing += flag;
        }
    }
    if (!missing.empty()) {
        return wrongUsage("Es fehlt: " + missing + ".");
    }
    return parsed;
}

} // namespace bildertafel::batch
