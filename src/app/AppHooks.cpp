#include "app/AppHooks.h"

#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "core/Worker.h"
#include "session/CustomPage.h"
#include "session/CatalogueSession.h"
#include "notice/ClientIdentifier.h"
#include "notice/VersionCheck.h"
#include "session/UpdateNotice.h"
#include "session/CustomTaskPresenter.h"

namespace dorvane {

AppHooks ProgramHooks() {
    AppHooks hooks;
    hooks.customStart = [](MainWindow& window) {
        MainControls& controls = window.Controls();
        custom::Start(controls, window.StartSettings().Network(),
                      std::make_shared<CustomTaskPresenter>(controls.custom, window.PagePoster()),
                      {window.History(), window.HistoryFaultSayer()});
    };
    hooks.taskTimerTick = [](MainWindow& window) { custom::TaskTimerTick(window.Controls()); };
    hooks.versionCheck = [](MainWindow& window) {
        // The page is fetched off the window thread; its effects reach the window in their order.
        UpdatePanelControls* update = &window.Controls().update;
        const Text tag = FromQt(window.Tag());
        const Settings& settings = window.StartSettings();
        const Text address = notice::NoticeAddress(settings.noticeHost, settings.noticeDocument);
        StartWorkerThread([update, tag, address] { notice::VersionCheck(*update, tag, address); });
    };
    hooks.catalogueCreated = [](CatalogueWindow& window) {
        const Settings& settings = window.StartSettings();
        window.session = std::make_shared<notice::CatalogueSession>(
            notice::CatalogueControls{window.Announcement(), window.List(), window.Messages()},
            settings.catalogueHost, settings.cataloguePort, notice::ClientIdentifier(notice::ConfigFolder()));
        window.session->Start();
    };
    hooks.catalogueClosing = [](CatalogueWindow& window) {
        if (window.session) window.session->Close();
    };
    hooks.catalogueBack = [](CatalogueWindow& window) {
        if (window.session) window.session->Back();
    };
    hooks.catalogueOpenRow = [](CatalogueWindow& window) {
        if (!window.session || !window.session->OpenRow()) return;
        AddressWindow address(window.StartSettings().archivePassword);
        window.session->SetAddressBox(address.Address());
        address.exec();
        // A reply on its way gives up on the closed window before the box goes away.
        address.Gate()->Close();
        window.session->SetAddressBox(nullptr);
    };
    return hooks;
}

}  // namespace dorvane
