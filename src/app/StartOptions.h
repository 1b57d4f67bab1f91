#pragma once
// What the command line and the settings file ask for at start-up. Settings are read in three layers:
// the build-time defaults, then the settings file, then --set options; a malformed value is reported
// and the layer below it stays.
#include <QString>
#include <QStringList>
#include <optional>

#include "core/Settings.h"

namespace dorvane {

struct StartOptions {
    bool demo = false;
    QString configFile;        // the settings file to read (it need not exist)
    bool configGiven = false;  // named with --config
    QStringList overrides;     // "key=value" from --set
    QString grabFolder;        // --grab: render every page there and quit
};

// Parses the arguments (argv[0] first). --help and --version print to standard output and give an exit
// code; a wrong option prints the reason to standard error and gives 2.
std::optional<StartOptions> ParseStartOptions(const QStringList& arguments, int& exitCode);

// ~/.config/dorvane/dorvane.ini (the user's configuration folder).
QString DefaultConfigFile();

// The file's values over the settings; one message per value that could not be taken. A file named on the
// command line that does not exist is a problem too; the default file may be missing.
QStringList LoadSettingsFile(const QString& file, bool mustExist, Settings& settings);
// "key=value" overrides over the settings; one message per one that could not be taken.
QStringList ApplyOverrides(const QStringList& overrides, Settings& settings);

}  // namespace dorvane
