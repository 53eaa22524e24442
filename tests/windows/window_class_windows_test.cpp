#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32/window_class.h"

namespace vellum {
namespace {

constexpr UINT kProbe = WM_APP + 7;
constexpr LRESULT kProbeAnswer = 42;

// Writes down every message it hears; answers the probe itself and leaves the rest to the
// default procedure, as a form does.
class TRecordingHandler final : public IWindowHandler {
public:
    struct TRecord {
        HWND Window;
        UINT Message;
    };
    std::vector<TRecord> Records;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        Records.push_back({window, message});
        if (message == kProbe) return kProbeAnswer;
        return DefWindowProcW(window, message, wParam, lParam);
    }

    bool Heard(UINT message) const {
        return std::any_of(Records.begin(), Records.end(),
                           [message](const TRecord& r) { return r.Message == message; });
    }
    std::size_t IndexOf(UINT message) const {
        const auto found =
            std::find_if(Records.begin(), Records.end(), [message](const TRecord& r) { return r.Message == message; });
        return static_cast<std::size_t>(found - Records.begin());
    }
};

HWND CreateTopLevel(IWindowHandler& handler, const wchar_t* className) {
    return CreateBoundWindow(handler, 0, className, L"Bound", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr);
}

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

TEST(WindowClass, BoundObjectHearsEveryMessageFromCreationOn) {
    ASSERT_TRUE(RegisterWindowClass({.Name = L"VellumBoundTest"}));
    TRecordingHandler handler;
    const HWND window = CreateTopLevel(handler, L"VellumBoundTest");
    ASSERT_NE(window, nullptr);

    // Creation's own messages arrived before the call returned, beginning with WM_NCCREATE.
    ASSERT_FALSE(handler.Records.empty());
    EXPECT_EQ(handler.Records.front().Message, static_cast<UINT>(WM_NCCREATE));
    ASSERT_TRUE(handler.Heard(WM_CREATE));
    EXPECT_GT(handler.IndexOf(WM_CREATE), handler.IndexOf(WM_NCCREATE));
    for (const auto& record : handler.Records) EXPECT_EQ(record.Window, window);

    // Later messages, sent or posted, and the handler's answer goes back to the sender.
    EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), kProbeAnswer);
    const std::size_t beforePost = handler.Records.size();
    ASSERT_TRUE(PostMessageW(window, kProbe, 0, 0));
    PumpPending();
    ASSERT_GT(handler.Records.size(), beforePost);
    EXPECT_TRUE(std::any_of(handler.Records.begin() + static_cast<std::ptrdiff_t>(beforePost), handler.Records.end(),
                            [](const auto& r) { return r.Message == kProbe; }));

    // Destruction's messages still arrive, WM_NCDESTROY last; nothing comes after it.
    ASSERT_TRUE(DestroyWindow(window));
    ASSERT_TRUE(handler.Heard(WM_DESTROY));
    EXPECT_EQ(handler.Records.back().Message, static_cast<UINT>(WM_NCDESTROY));
    EXPECT_LT(handler.IndexOf(WM_DESTROY), handler.Records.size() - 1);
    const std::size_t afterDestroy = handler.Records.size();
    SendMessageW(window, kProbe, 0, 0);
    PostMessageW(window, kProbe, 0, 0);
    PumpPending();
    EXPECT_EQ(handler.Records.size(), afterDestroy);
}

TEST(WindowClass, UnboundWindowLeavesItsObjectAlone) {
    ASSERT_TRUE(RegisterWindowClass({.Name = L"VellumUnbindTest"}));
    TRecordingHandler handler;
    const HWND window = CreateTopLevel(handler, L"VellumUnbindTest");
    ASSERT_NE(window, nullptr);
    UnbindWindow(window);
    const std::size_t bound = handler.Records.size();

    // The default procedure answers now: no probe answer, but the title still works.
    EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), 0);
    EXPECT_TRUE(SetWindowTextW(window, L"Unbound"));
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    EXPECT_STREQ(title, L"Unbound");
    // As an owner's destructor does it: the destruction's messages do not reach the owner.
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(handler.Records.size(), bound);
}

TEST(WindowClass, WindowCreatedWithoutAHandlerGetsTheDefaultProcedure) {
    ASSERT_TRUE(RegisterWindowClass({.Name = L"VellumPlainTest"}));
    const HWND window = CreateWindowExW(0, L"VellumPlainTest", L"Plain", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    EXPECT_STREQ(title, L"Plain");
    EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), 0);
    DestroyWindow(window);
}

TEST(WindowClass, RegisteringTwiceKeepsTheFirstClass) {
    const HBRUSH first = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    ASSERT_TRUE(RegisterWindowClass({.Name = L"VellumTwiceTest", .Background = first}));
    EXPECT_TRUE(RegisterWindowClass({.Name = L"VellumTwiceTest", .Background = nullptr}));

    TRecordingHandler handler;
    const HWND window = CreateTopLevel(handler, L"VellumTwiceTest");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND)), first);
    EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), kProbeAnswer) << "windows of the class are still bound";
    DestroyWindow(window);
}

TEST(WindowClass, NameOfAClassWithAnotherProcedureIsRefused) {
    WNDCLASSEXW foreign{};
    foreign.cbSize = sizeof foreign;
    foreign.lpfnWndProc = DefWindowProcW;
    foreign.hInstance = GetModuleHandleW(nullptr);
    foreign.lpszClassName = L"VellumForeignTest";
    ASSERT_NE(RegisterClassExW(&foreign), 0);
    EXPECT_FALSE(RegisterWindowClass({.Name = L"VellumForeignTest"}));
}

}  // namespace
}  // namespace vellum
