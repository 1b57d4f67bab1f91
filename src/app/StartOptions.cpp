#include "app/StartOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

#include "app/MainWindow.h"

namespace dorvane {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

QString Apply(Settings& settings, const QString& key, const QString& value) {
    return FromStd(ApplySetting(settings, key.toStdString(), value.trimmed().toStdString()));
}

}  // namespace

std::optional<StartOptions> ParseStartOptions(const QStringList& arguments, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dorvane, a desktop gallery collector."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Read the settings from FILE (default: %1).").arg(DefaultConfigFile()),
        QStringLiteral("FILE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Start the bundled demo sites on local ports and use them."));
    QStringList keys;
    for (const std::string& key : SettingKeys(CurrentSettings())) keys << FromStd(key);
    const QCommandLineOption set(
        QStringLiteral("set"),
        QStringLiteral("Set one value over the file, e.g. sites/c=127.0.0.1:8080. Keys: %1.")
            .arg(keys.join(QStringLiteral(", "))),
        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption grab(QStringLiteral("grab"),
                                  QStringLiteral("Render every page into FOLDER once loaded, then quit."),
                                  QStringLiteral("FOLDER"));
    parser.addOptions({help, version, config, demo, set, grab});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "dorvane: %s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                        QStringLiteral("dorvane"))),
                   stdout);
        exitCode = 0;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        std::printf("dorvane %s\n", kVersionTag);
        exitCode = 0;
        return std::nullopt;
    }
    StartOptions options;
    options.demo = parser.isSet(demo);
    options.configGiven = parser.isSet(config);
    options.configFile = options.configGiven ? parser.value(config) : DefaultConfigFile();
    options.overrides = parser.values(set);
    options.grabFolder = parser.value(grab);
    return options;
}

QString DefaultConfigFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/dorvane/dorvane.ini");
}

QStringList LoadSettingsFile(const QString& file, bool mustExist, Settings& settings) {
    QStringList problems;
    if (!QFileInfo::exists(file)) {
        if (mustExist) problems << QStringLiteral("%1: no such settings file").arg(file);
        return problems;
    }
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return {QStringLiteral("%1: cannot be read as a settings file").arg(file)};
    for (const QString& key : ini.allKeys()) {
        const QString problem = Apply(settings, key, ini.value(key).toString());
        if (!problem.isEmpty()) problems << file + QStringLiteral(": ") + problem;
    }
    return problems;
}

QStringList ApplyOverrides(const QStringList& overrides, Settings& settings) {
    QStringList problems;
    for (const QString& pair : overrides) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            problems << QStringLiteral("--set %1: not KEY=VALUE").arg(pair);
            continue;
        }
        const QString problem = Apply(settings, pair.left(equals).trimmed(), pair.mid(equals + 1));
        if (!problem.isEmpty()) problems << QStringLiteral("--set ") + problem;
    }
    return problems;
}

}  // namespace dorvane
