#pragma once
// Texts between the program and Qt. The program's texts are GBK bytes; they pass through GB18030, which
// holds every GBK byte sequence unchanged and every character GBK lacks, so nothing the user types is lost.
#include <QString>

#include "core/Text.h"

namespace dorvane {

QString ToQt(const Text& gbk);
Text FromQt(const QString& text);

}  // namespace dorvane
