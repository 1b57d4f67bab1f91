#pragma once
// The controls of one site tab page and of the shared top area, as the collectors see them.
#include <array>

#include "core/Controls.h"

namespace dorvane {

enum class Site { A = 0, B = 1, C = 2, D = 3, E = 4 };
constexpr int kSiteCount = 5;

struct SitePage {
    ComboBox* categories = nullptr;  // Sites A and B only
    Label* pageCount = nullptr;      // "总页数：", later "共N页,打开："
    ComboBox* pages = nullptr;
    ListBox* albums = nullptr;
    Label* title = nullptr;
    Label* counter = nullptr;
    PictureBox* preview = nullptr;
};

struct MainControls {
    EditBox* saveFolder = nullptr;
    RadioButton* autoCollect = nullptr;
    RadioButton* manualPreview = nullptr;
    Button* pauseButton = nullptr;
    Button* stopButton = nullptr;
    Button* startButton = nullptr;
    TabControl* tabs = nullptr;
    MessageBoxes* messages = nullptr;
    Clipboard* clipboard = nullptr;
    std::array<SitePage, kSiteCount> sites{};

    SitePage& Page(Site site) { return sites[static_cast<int>(site)]; }
};

}  // namespace dorvane
