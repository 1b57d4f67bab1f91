#pragma once
// A tour of the program for its screenshots: every tab page shown once its listing has loaded, the update
// notice and the catalogue window, each rendered into a PNG file.
#include <QString>

namespace dorvane {

class MainWindow;

// Renders into folder (made when missing): notice.png when the update notice is up, page0.png ..
// page6.png, catalogue.png. True when every file was written.
bool GrabPages(MainWindow& window, const QString& folder);

}  // namespace dorvane
