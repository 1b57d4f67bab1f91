#include "app/StartOptions.h"

#include <QCommandLineParser>
#include <QStandardPaths>
#include <cstdio>

#include "app/CommandArguments.h"
#include "app/MainWindow.h"
#include "app/SettingsFile.h"

namespace dorvane {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

QStringList QtList(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts) list << FromStd(text);
    return list;
}

}  // namespace

std::optional<StartOptions> ParseStartOptions(const QStringList& arguments, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dorvane, a desktop gallery collector.\n\n") +
                                     QString::fromStdString(CommandHelpText()));
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
    for (const std::string& key : SettingKeys(DefaultSettings())) keys << FromStd(key);
    const QCommandLineOption set(
        QStringLiteral("set"),
        QStringLiteral("Set one value over the file, e.g. sites/c=127.0.0.1:8080. Keys: %1.")
            .arg(keys.join(QStringLiteral(", "))),
        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption grab(QStringLiteral("grab"),
                                  QStringLiteral("Render every page into FOLDER once loaded, then quit."),
                                  QStringLiteral("FOLDER"));
    const QCommandLineOption parallel(QStringLiteral("parallel"),
                                      QStringLiteral("Short for --set network/parallel=N."), QStringLiteral("N"));
    parser.addOptions({help, version, config, demo, set, parallel, grab});
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
    // Checked and reported as the setting it stands for.
    for (const QString& count : parser.values(parallel)) options.overrides << QStringLiteral("network/parallel=") + count;
    options.grabFolder = parser.value(grab);
    return options;
}

QString DefaultConfigFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/dorvane/dorvane.ini");
}

// One reader for the window and the command line, so both take a file the same way.
QStringList LoadSettingsFile(const QString& file, bool mustExist, Settings& settings) {
    return QtList(ApplySettingsFile(file.toStdString(), mustExist, settings));
}

QStringList ApplyOverrides(const QStringList& overrides, Settings& settings) {
    std::vector<std::string> pairs;
    for (const QString& pair : overrides) pairs.push_back(pair.toStdString());
    return QtList(ApplySettingOverrides(pairs, settings));
}

}  // namespace dorvane
