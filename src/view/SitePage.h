#pragma once
// The controls of one site tab page and of the shared top area, as the presenters see them.
#include <vector>

#include "collectors/SiteRegistry.h"
#include "view/Controls.h"

namespace dorvane {

struct SitePage {
    ComboBox* categories = nullptr;  // Sites A and B only
    Label* pageCount = nullptr;      // "总页数：", later "共N页,打开："
    ComboBox* pages = nullptr;
    ListBox* albums = nullptr;
    Label* title = nullptr;
    Label* counter = nullptr;
    PictureBox* preview = nullptr;
};

// The custom-collection tab page.
struct CustomPage {
    Label* taskStatus = nullptr;   // top status line, "等待任务"
    PictureBox* leftPicture = nullptr;
    PictureBox* rightPicture = nullptr;
    Label* leftStatus = nullptr;
    Label* rightStatus = nullptr;
    EditBox* urlBox = nullptr;
    EditBox* sourceBox = nullptr;
    EditBox* titleStart = nullptr;
    EditBox* titleEnd = nullptr;
    EditBox* contentStart = nullptr;
    EditBox* contentEnd = nullptr;
    EditBox* noticeBox = nullptr;  // hidden until "更多功能"
    RadioButton* extractLinks = nullptr;
    RadioButton* imageCollect = nullptr;
    RadioButton* moreFunctions = nullptr;
    Timer* clipboardTimer = nullptr;
    Timer* taskTimer = nullptr;
};

// The update notice panel of the main window (hidden until a newer version is announced).
struct UpdatePanelControls {
    Control* panel = nullptr;
    EditBox* noticeBox = nullptr;
    EditBox* addressBox = nullptr;
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
    std::vector<SitePage> sites = std::vector<SitePage>(Sites().size());
    CustomPage custom{};
    UpdatePanelControls update{};
};

}  // namespace dorvane
