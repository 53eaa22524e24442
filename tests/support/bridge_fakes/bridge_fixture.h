#pragma once

// The bridge module on recording fakes of every service it uses and a pumped user-interface
// queue: a test sends request JSON and reads the answers the page would get.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/browser_external_module.h"
#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "recording_dialogs.h"
#include "recording_file_dialogs.h"
#include "recording_main_window.h"
#include "recording_menus.h"
#include "recording_notifications.h"
#include "recording_page.h"
#include "recording_registry.h"
#include "recording_shell.h"
#include "recording_styles.h"

namespace vellum::testing {

class TBridgeFixture : public ::testing::Test {
protected:
    void SetUp() override { CreateModule(); }

    void CreateModule() {
        module.reset();  // the old module lets go of the services before the new one takes them
        TBridgeServices services;
        services.Dialogs = &dialogs;
        services.FileDialogs = &fileDialogs;
        services.Shell = &shell;
        services.Notifications = &notifications;
        services.Registry = &registry;
        services.Styles = &styles;
        services.Host.ExecutablePath = executablePath;
        services.Host.Arguments = arguments;
        services.Host.DecimalSeparator = [this] { return decimalSeparator; };
        services.FocusWindowAbovePage = [this](int levels) { focused.push_back(levels); };
        services.CreateExternalForm = [this] { return std::make_unique<TFakeExternalForm>(trayIconVisible, &menus); };
        module = std::make_unique<TBrowserExternalModule>(std::move(services), queue);
        module->ExeZip = &archive;  // runtime mode unless a test clears it
        module->MainForm = &window;
        module->BrowserForm = &page;
    }

    // Sends one request as the page posts it and serves the queue; the answers it produced.
    std::vector<std::string> Send(const std::string& json, const std::string& plain = "") {
        const std::size_t before = page.Answers.size();
        module->EdgeBrowserWebMessageReceived(TPageMessage{plain, json});
        queue.Pump();
        return {page.Answers.begin() + static_cast<std::ptrdiff_t>(before), page.Answers.end()};
    }

    // The error one request raised (it then got no answer), or nothing when it raised none.
    std::optional<std::string> RaisedBy(const std::string& json) {
        try {
            Send(json);
        } catch (const EVellumError& raised) {
            return raised.what();
        }
        return std::nullopt;
    }

    // The request JSON of one call, uuid "u".
    static std::string Request(int id, const std::string& data = "{}") {
        return "{\"id\":" + std::to_string(id) + ",\"uuid\":\"u\",\"data\":" + data + "}";
    }

    static std::string Success(const std::string& result) {
        return "{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}";
    }
    static std::string Failure(const std::string& result) {
        return "{\"uuid\": \"u\", \"success\": false, \"result\": " + result + "}";
    }

    TManualUiQueue queue;
    TRecordingPage page;
    TRecordingMainWindow window;
    TRecordingDialogs dialogs;
    TRecordingFileDialogs fileDialogs;
    TRecordingShell shell;
    TRecordingNotifications notifications;
    TRecordingRegistry registry;
    TRecordingMenus menus;  // declared before the module, which wires its events
    TRecordingStyles styles;
    TZipArchive archive;
    bool trayIconVisible = false;
    std::string decimalSeparator = ".";
    std::string executablePath = "C:\\apps\\hello\\Hello.exe";
    std::vector<std::string> arguments;
    std::vector<int> focused;
    std::unique_ptr<TBrowserExternalModule> module;
};

}  // namespace vellum::testing
