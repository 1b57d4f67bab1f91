#include "app/QtText.h"

#include "core/CodePage.h"

namespace dorvane {

QString ToQt(const Text& gbk) {
    const std::string utf8 = SystemTextToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text FromQt(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToSystemText(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace dorvane
