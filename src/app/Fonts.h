#pragma once
// The windows' fonts. The design names "微软雅黑" for a few controls and the system's default dialog font
// elsewhere; where those are not installed the Noto CJK face stands in, so Chinese captions always render.
#include <QFont>

namespace dorvane {

QFont DefaultFont();
QFont YaHeiFont();

}  // namespace dorvane
