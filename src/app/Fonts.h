#pragma once
// The windows' fonts. The design names "微软雅黑" for a few controls and the system's default dialog font
// elsewhere; where those are not installed the Noto CJK face stands in, so Chinese captions always render.
#include <QFont>
#include <QString>

namespace dorvane {

QFont DefaultFont();
QFont YaHeiFont();
// Group boxes and tab strips drawn as compact as the design's coordinates expect: the caption of a group
// box sits on its frame line, and the tab strip leaves the page's first row (top 25) free.
QString DesignStyleSheet();

}  // namespace dorvane
