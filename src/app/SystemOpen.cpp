#include "app/SystemOpen.h"

#include <QDesktopServices>

#include "app/QtText.h"

namespace dorvane {

namespace {

SystemOpener& TheOpener() {
    static SystemOpener opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

QUrl Parse(const Text& address) {
    const QString text = ToQt(address).trimmed();
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) url = QUrl(text, QUrl::TolerantMode);
    return url;
}

}  // namespace

bool IsSystemOpenable(const Text& address) {
    const QUrl url = Parse(address);
    if (!url.isValid() || url.isRelative()) return false;
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

bool OpenWithSystem(const Text& address) {
    if (!IsSystemOpenable(address)) return false;
    const SystemOpener opener = TheOpener();
    return opener && opener(Parse(address));
}

void SetSystemOpener(SystemOpener opener) { TheOpener() = std::move(opener); }

}  // namespace dorvane
