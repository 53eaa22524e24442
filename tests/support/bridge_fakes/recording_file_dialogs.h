#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "bridge/services/file_dialog_service.h"

namespace vellum::testing {

// File dialogs that record each call as text, in order, and answer with what a test scripted
// the user to choose. `WhileShown` runs while a dialog is up, where a real one runs its own
// message loop.
class TRecordingFileDialogs final : public IFileDialogService {
public:
    std::string OpenFile(const TFileDialogRequest& request) override {
        return Shown("OpenFile(" + Describe(request) + ")");
    }
    std::string SaveFile(const TFileDialogRequest& request, bool overwritePrompt) override {
        return Shown("SaveFile(" + Describe(request) + (overwritePrompt ? ", overwritePrompt)" : ")"));
    }
    std::string SelectFolder(const std::string& title) override {
        return Shown("SelectFolder(title=" + title + ")");
    }

    // Calls read like: OpenFile(title=Open file, name=a.txt, types=[Text files:*.txt, All:*.*])
    std::vector<std::string> Calls;
    // What the user picks, dialog after dialog; once none is left the user cancels.
    std::deque<std::string> Choices;
    std::function<void()> WhileShown;

private:
    static std::string Describe(const TFileDialogRequest& request) {
        std::string types;
        for (const TFileType& type : request.FileTypes)
            types += (types.empty() ? "" : ", ") + type.Name + ":" + type.Mask;
        return "title=" + request.Title + ", name=" + request.FileName + ", types=[" + types + "]";
    }

    std::string Shown(std::string call) {
        Calls.push_back(std::move(call));
        if (WhileShown) WhileShown();
        if (Choices.empty()) return {};
        std::string choice = std::move(Choices.front());
        Choices.pop_front();
        return choice;
    }
};

}  // namespace vellum::testing
