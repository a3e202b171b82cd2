#include "ui/window/ShowTemplates.h"

#include "core/SlashPath.h"
#include "settings/ConfigFile.h"
#include "ui/common/UserSettings.h"
#include "ui/lists/FileNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace bildertafel::ui {

namespace {

const QString Section = QStringLiteral("Vorlagen");

QByteArray bytesOf(const std::string& text) {
    return {text.data(), static_cast<qsizetype>(text.size())};
}

TemplateSource::Kind kindOf(const QString& stored) {
    if (stored == QStringLiteral("Datei")) {
        return TemplateSource::Kind::ConfigFile;
    }
    if (stored == QStringLiteral("Vorlage")) {
        return TemplateSource::Kind::TemplateSet;
    }
    return TemplateSource::Kind::None;
}

QString storedKind(TemplateSource::Kind kind) {
    switch (kind) {
    case TemplateSource::Kind::ConfigFile:
        return QStringLiteral("Datei");
    case TemplateSource::Kind::TemplateSet:
        return QStringLiteral("Vorlage");
    case TemplateSource::Kind::None:
        break;
    }
    return {};
}

} // namespace

std::string TemplateSource::configName() const {
    if (!known()) {
        return {};
    }
    return kind == Kind::TemplateSet ? where + ".cfg" : core::nameOf(where);
}

std::optional<ShowTemplates> recallShowTemplates(const std::string& showFolder) {
    QSettings settings(userSettingsName(), userSettingsName());
    settings.beginGroup(showGroup(Section, showFolder));
    ShowTemplates memory;
    memory.templatesHash = settings.value(QStringLiteral("templatesHash")).toByteArray();
    memory.startPage = settings.value(QStringLiteral("startPage")).toByteArray().toStdString();
    memory.startPageHash = settings.value(QStringLiteral("startPageHash")).toByteArray();
    if (memory.templatesHash.isEmpty() || memory.startPage.empty()) {
        return std::nullopt;
    }
    memory.source.kind = kindOf(settings.value(QStringLiteral("kind")).toString());
    memory.source.where = settings.value(QStringLiteral("source")).toByteArray().toStdString();
    memory.source.shown = settings.value(QStringLiteral("shown")).toString();
    if (!memory.source.known()) {
        memory.source = {};
    }
    return memory;
}

void rememberShowTemplates(const std::string& showFolder, const ShowTemplates& memory) {
    QSettings settings(userSettingsName(), userSettingsName());
    settings.beginGroup(showGroup(Section, showFolder));
    settings.setValue(QStringLiteral("kind"), storedKind(memory.source.kind));
    settings.setValue(QStringLiteral("source"), bytesOf(memory.source.where));
    settings.setValue(QStringLiteral("shown"), memory.source.shown);
    settings.setValue(QStringLiteral("templatesHash"), memory.templatesHash);
    settings.setValue(QStringLiteral("startPage"), bytesOf(memory.startPage));
    settings.setValue(QStringLiteral("startPageHash"), memory.startPageHash);
}

QByteArray templatesHash(const settings::ShowSettings& settings) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (int id = 0; id < settings::TemplateCount; ++id) {
        const std::string& text = settings.Template(static_cast<settings::TemplateId>(id));
        hash.addData(QByteArray::number(static_cast<qulonglong>(text.size())) + ':');
        hash.addData(bytesOf(text));
    }
    return hash.result().toHex();
}

QByteArray fileHash(const std::string& path) {
    QFile file(QFile::decodeName(bytesOf(path)));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        return {};
    }
    return hash.result().toHex();
}

std::string pagesSettingsPath(const std::string& showFolder) {
    // ~/.local/share/bildertafel, beside the user's settings of the same name.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           u'/' + userSettingsName();
    const QByteArray name =
        QCryptographicHash::hash(bytesOf(showFolder), QCryptographicHash::Sha256).toHex().left(32);
    return uilists::toFileName(folder) + "/Fotoshows/" + name.toStdString() + ".cfg";
}

bool hasKeptPagesSettings(const std::string& showFolder) {
    return QFile::exists(QFile::decodeName(bytesOf(pagesSettingsPath(showFolder))));
}

bool keepPagesSettings(const std::string& showFolder, const settings::ShowSettings& used) {
    const std::string path = pagesSettingsPath(showFolder);
    return QDir().mkpath(QFile::decodeName(bytesOf(path.substr(0, path.rfind('/'))))) &&
           settings::saveConfigFile(path, used).ok();
}

std::optional<settings::ShowSettings> keptPagesSettings(const std::string& showFolder,
                                                        const QByteArray& hash,
                                                        settings::ShowSettings base) {
    if (!settings::loadConfigFile(pagesSettingsPath(showFolder), base).ok() ||
        templatesHash(base) != hash) {
        return std::nullopt;
    }
    return base;
}

bool replacesOtherTemplates(const ShowTemplates& memory, const std::string& startPagePath,
                            const settings::ShowSettings& now) {
    if (core::nameOf(startPagePath) != memory.startPage) {
        return false;
    }
    const QByteArray onDisk = fileHash(startPagePath);
    return !onDisk.isEmpty() && onDisk == memory.startPageHash &&
           templatesHash(now) != memory.templatesHash;
}

} // namespace bildertafel::ui
