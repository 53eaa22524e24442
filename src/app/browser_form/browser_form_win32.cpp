#include "app/browser_form/browser_form_win32.h"

#include <commctrl.h>

#include <filesystem>

#include "core/stream/stream.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "platform/sys_utils.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TBrowserForm";
constexpr int kProgressBarHeight = 4;

std::string OwnFolder() {
    std::string folder = PathToUtf8(RunningExecutable().Path().parent_path());
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

TBrowserFormWindow::TBrowserFormWindow() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RegisterWindowClass({.Name = kWindowClass, .Background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)});
    // Created hidden under the message-only parent until it is embedded.
    window_ = CreateBoundWindow(*this, 0, kWindowClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, HWND_MESSAGE);
    progressBar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_MARQUEE, 0, 0, 0,
                                   kProgressBarHeight, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(progressBar_, PBM_SETMARQUEE, TRUE, 30);
    browserWindow_ = std::make_unique<TEdgeBrowserWindow>();
    form_ = std::make_unique<TBrowserForm>(browserWindow_->Browser(), *this, OwnFolder());
}

TBrowserFormWindow::~TBrowserFormWindow() {
    form_.reset();
    browserWindow_.reset();  // frees the browser control, which closes the browser
    UnbindWindow(window_);
    DestroyWindow(window_);
}

void TBrowserFormWindow::EmbedIn(HWND parent) {
    SetParent(window_, parent);
    RECT client{};
    GetClientRect(parent, &client);
    MoveWindow(window_, 0, 0, client.right, client.bottom, FALSE);
    ShowWindow(window_, SW_SHOW);
    // Layout gives the control the area above the bar.
    browserWindow_->SetParent(window_, RECT{0, 0, 0, 0});
    Layout();
}

void TBrowserFormWindow::Layout() {
    RECT client{};
    GetClientRect(window_, &client);
    const bool barShown = (GetWindowLongW(progressBar_, GWL_STYLE) & WS_VISIBLE) != 0;
    const int barHeight = barShown ? kProgressBarHeight : 0;
    MoveWindow(progressBar_, 0, client.bottom - kProgressBarHeight, client.right, kProgressBarHeight, TRUE);
    if (browserWindow_ && browserWindow_->Handle() != nullptr)
        MoveWindow(browserWindow_->Handle(), 0, 0, client.right, client.bottom - barHeight, TRUE);
}

void TBrowserFormWindow::HideProgressBar() {
    ShowWindow(progressBar_, SW_HIDE);
    Layout();
}

void TBrowserFormWindow::FocusWindowAbove(int levels) {
    HWND target = window_;
    for (int i = 0; i < levels && target != nullptr; ++i) target = GetParent(target);
    if (target != nullptr) SetFocus(target);
}

void TBrowserFormWindow::StartNewInstance(const std::string& parameters) {
    TSysUtils::ShellExec(PathToUtf8(RunningExecutable().Path()), parameters);
}

std::optional<std::vector<std::uint8_t>> TBrowserFormWindow::ReadWholeFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    try {
        TFileStream stream(file, TFileStream::TMode::OpenRead);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.Size()));
        if (!stream.ReadExact(bytes.data(), bytes.size())) return std::nullopt;
        return bytes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string TBrowserFormWindow::LibraryScript() {
    HRSRC resource = FindResourceW(nullptr, L"VLM_EXTERNAL_JAVASCRIPT", MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (resource == nullptr) return {};
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, resource));
}

LRESULT TBrowserFormWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE && window == window_) {
        Layout();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vellum
