#pragma once
// The catalogue window and the download-address window. Their server conversation is plugged in through
// AppHooks; here they are the windows with their design controls and the address window's copy command.
#include <QDialog>
#include <memory>

#include "app/AppHooks.h"
#include "app/GuiCall.h"
#include "collectors/SiteRegistry.h"
#include "view/Controls.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace dorvane {

namespace notice {
class CatalogueSession;
}

class QtEditBox;
class QtReportList;
class QtMessageBoxes;
class QtClipboard;

class CatalogueWindow : public QDialog {
public:
    // Opened modally with the main window as owner; the hooks hold its conversation with the server, at the
    // catalogue server the settings name, and open the address window with their archive password.
    explicit CatalogueWindow(QWidget* owner, AppHooks hooks = {}, Settings settings = DefaultSettings());
    ~CatalogueWindow() override;

    EditBox* Announcement();
    ReportList* List();
    MessageBoxes* Messages();
    const GatePtr& Gate() const { return m_gate; }
    const Settings& StartSettings() const { return m_settings; }

    // The window's conversation with the catalogue server, made by the created hook.
    std::shared_ptr<notice::CatalogueSession> session;

private:
    const AppHooks m_hooks;
    const Settings m_settings;
    GatePtr m_gate;
    QLineEdit* m_announcement;
    QPushButton* m_backButton;
    QTreeWidget* m_list;
    std::unique_ptr<QtEditBox> m_announcementControl;
    std::unique_ptr<QtReportList> m_listControl;
    std::unique_ptr<QtMessageBoxes> m_messages;
};

class AddressWindow : public QDialog {
public:
    // Opened modally without owner; the archive password is the one the settings name.
    explicit AddressWindow(const std::string& archivePassword = DefaultSettings().archivePassword);
    ~AddressWindow() override;

    EditBox* Address();
    const GatePtr& Gate() const { return m_gate; }
    // "点 击 复 制 内 容": the address box's text to the clipboard.
    void OnCopy();

private:
    GatePtr m_gate;
    QPlainTextEdit* m_address;
    std::unique_ptr<QtEditBox> m_addressControl;
    std::unique_ptr<QtClipboard> m_clipboard;
};

}  // namespace dorvane
