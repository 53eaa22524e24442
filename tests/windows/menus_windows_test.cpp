// The hidden bridge form's menus and tray icon on Wine's user32, shell and imaging component:
// the menu bar as Win32 reads it back, commands, images in every format, the tray icon's
// messages and its pop-up menu, played by a thread of the test as the user.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "bridge/browser_external_form.h"
#include "core/errors.h"
#include "platform/win32/menu_image_decoder_win32.h"
#include "pump_messages_win32.h"

namespace vellum {
namespace {

using TBytes = std::vector<std::uint8_t>;

TMenuItem Item(std::int32_t id, const std::string& caption, std::vector<TMenuItem> items = {}, bool clickable = true) {
    TMenuItem item;
    item.Id = id;
    item.Caption = caption;
    item.Items = std::move(items);
    item.Clickable = clickable;
    return item;
}

// A menu level as Win32 gives it back: "caption" per item, "---" for a separator, "(off)" for
// a disabled one, "[image]" with a bitmap, and braces around a submenu.
std::string Outline(HMENU menu) {
    std::string text;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING | MIIM_BITMAP | MIIM_ID;
        info.dwTypeData = caption;
        info.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (!text.empty()) text += ",";
        if (info.fType & MFT_SEPARATOR) {
            text += "---";
        } else {
            for (const wchar_t* c = caption; *c; ++c) text += static_cast<char>(*c);
        }
        text += "#" + std::to_string(info.wID);
        if (info.fState & MFS_DISABLED) text += "(off)";
        if (info.hbmpItem != nullptr) text += "[image]";
        if (info.hSubMenu != nullptr) text += "{" + Outline(info.hSubMenu) + "}";
    }
    return text;
}

// A top-level window standing in for the main window, and the hidden form on it.
class MenusWine : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"MenusWineMain";
        RegisterClassExW(&windowClass);
        main = CreateWindowExW(0, L"MenusWineMain", L"Menus", WS_OVERLAPPEDWINDOW, 10, 10, 400, 300, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        form = CreateBrowserExternalForm(main);
        menus = form->Menus();
        ASSERT_NE(menus, nullptr);
        menus->MainMenu().OnItemClick = [this](std::int32_t id) { clicked.push_back(id); };
        menus->TrayMenu().OnItemClick = [this](std::int32_t id) { trayClicked.push_back(id); };
        menus->OnTrayIconClick = [this] { ++iconClicks; };
        hidden = FindWindowW(L"TBrowserExternalForm", nullptr);
        ASSERT_NE(hidden, nullptr);
    }
    void TearDown() override {
        form.reset();
        DestroyWindow(main);
        CoUninitialize();
    }
    void Pump() {
        testing::PumpUntil([] { return false; }, 100);
    }

    HWND main = nullptr;
    HWND hidden = nullptr;
    std::unique_ptr<TBrowserExternalForm> form;
    IMenuService* menus = nullptr;
    std::vector<std::int32_t> clicked;
    std::vector<std::int32_t> trayClicked;
    int iconClicks = 0;
};

// An image of 4 by 4 red pixels encoded by the imaging component in the given container.
TBytes Encoded(const GUID& container) {
    IWICImagingFactory* factory = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&factory));
    if (factory == nullptr) return {};
    std::vector<BYTE> pixels(4 * 4 * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) pixels[i + 2] = 0xFF;
    IWICBitmap* source = nullptr;
    factory->CreateBitmapFromMemory(4, 4, GUID_WICPixelFormat24bppBGR, 12, static_cast<UINT>(pixels.size()),
                                    pixels.data(), &source);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    IWICBitmapEncoder* encoder = nullptr;
    factory->CreateEncoder(container, nullptr, &encoder);
    TBytes bytes;
    if (source != nullptr && encoder != nullptr && stream != nullptr &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache))) {
        IWICBitmapFrameEncode* frame = nullptr;
        encoder->CreateNewFrame(&frame, nullptr);
        if (frame != nullptr && SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->WriteSource(source, nullptr)) &&
            SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit())) {
            HGLOBAL memory = nullptr;
            GetHGlobalFromStream(stream, &memory);
            STATSTG stat{};
            stream->Stat(&stat, STATFLAG_NONAME);
            const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
            bytes.assign(data, data + stat.cbSize.QuadPart);
            GlobalUnlock(memory);
        }
        if (frame != nullptr) frame->Release();
    }
    if (encoder != nullptr) encoder->Release();
    if (stream != nullptr) stream->Release();
    if (source != nullptr) source->Release();
    factory->Release();
    return bytes;
}

// A GIF of one red pixel (a palette of red and black, LZW codes clear, 0, end).
TBytes RedGif() {
    return {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
            0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
}

// An icon file of one 4 by 4 image of 32-bit red pixels, as icon editors write it.
TBytes RedIcon() {
    TBytes bytes = {0, 0, 1, 0, 1, 0, 4, 4, 0, 0, 1, 0, 32, 0};
    const std::uint32_t imageSize = 40 + 4 * 4 * 4 + 4 * 4;  // header, pixels, mask rows of 4 bytes
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(imageSize >> shift));
    for (std::uint32_t offset = 22, shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(offset >> shift));
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 4;
    header.biHeight = 8;  // the image and its mask
    header.biPlanes = 1;
    header.biBitCount = 32;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&header);
    bytes.insert(bytes.end(), raw, raw + 40);
    for (int i = 0; i < 16; ++i) bytes.insert(bytes.end(), {0, 0, 0xFF, 0xFF});
    bytes.insert(bytes.end(), 16, 0);
    return bytes;
}

TEST_F(MenusWine, TheMainMenuIsTheMenuBarOnlyOnceShownAndReadsBackAsBuilt) {
    TMenuItem quit = Item(4, "E&xit");
    quit.Enabled = false;
    menus->MainMenu().SetItems({Item(1, "&File", {Item(2, "&Open"), Item(3, "-"), quit}, false),
                                Item(5, "Empty", {}, false), Item(42, "Answer")});
    EXPECT_EQ(GetMenu(main), nullptr) << "no menu bar before it is shown";
    menus->ShowMainMenuBar();
    ASSERT_NE(GetMenu(main), nullptr);
    EXPECT_EQ(Outline(GetMenu(main)), "&File#1{&Open#2,---#3,E&xit#4(off)},Empty#5,Answer#6");

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(6, 0), 0);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(2, 0), 0);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(5, 0), 0);  // no sub-items, but not clickable
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(99, 0), 0);
    Pump();
    EXPECT_EQ(clicked, (std::vector<std::int32_t>{42, 2}));

    TMenuItemChange change;
    change.Caption = "&Quit";
    change.Enabled = true;
    menus->MainMenu().UpdateItem({0, 2}, change);
    EXPECT_EQ(Outline(GetMenu(main)), "&File#1{&Open#2,---#3,&Quit#4},Empty#5,Answer#6");
    menus->MainMenu().SetItems({});
    EXPECT_NE(GetMenu(main), nullptr) << "an emptied menu stays the menu bar";
    EXPECT_EQ(GetMenuItemCount(GetMenu(main)), 0);
    form.reset();
    EXPECT_EQ(GetMenu(main), nullptr) << "the menu bar goes with the form";
}

TEST_F(MenusWine, ImagesOfEveryFormatAreDrawnSixteenPixelsSquareAndGreyWhenDisabled) {
    const std::pair<const char*, TBytes> images[] = {
        {"PNG", Encoded(GUID_ContainerFormatPng)},   {"BMP", Encoded(GUID_ContainerFormatBmp)},
        {"JPEG", Encoded(GUID_ContainerFormatJpeg)}, {"GIF", RedGif()},
        {"TIFF", Encoded(GUID_ContainerFormatTiff)}, {"ICO", RedIcon()},
    };
    IHostMenu& menu = menus->TrayMenu();
    std::vector<TMenuItem> items;
    for (const auto& [format, bytes] : images) {
        ASSERT_FALSE(bytes.empty()) << format;
        const int index = menu.AddImage(bytes);
        EXPECT_EQ(index, static_cast<int>(items.size())) << format;
        TMenuItem item = Item(index + 1, format);
        item.ImageIndex = index;
        items.push_back(item);
    }
    items.back().Enabled = false;
    menu.SetItems(items);
    EXPECT_THROW(menu.AddImage({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}), EVellumError);
    EXPECT_THROW(menu.AddImage({}), EVellumError);

    const TSquareImage red = DecodeSquareImage(images[0].second, 16);
    ASSERT_EQ(red.Size, 16);
    EXPECT_EQ(red.Pixels[0], 0xFFFF0000u) << "opaque red, premultiplied BGRA";
    const TSquareImage grey = GreyedImage(red);
    const std::uint32_t g = grey.Pixels[0];
    EXPECT_EQ(g & 0xFF, (g >> 8) & 0xFF);
    EXPECT_EQ(g & 0xFF, (g >> 16) & 0xFF);
    EXPECT_LT(g >> 24, 0xFFu) << "a disabled image is fainter";
    for (const auto& [format, bytes] : images) {
        const TSquareImage decoded = DecodeSquareImage(bytes, 24);
        EXPECT_EQ(decoded.Pixels.size(), 24u * 24u) << format;
        const std::uint32_t pixel = decoded.Pixels[24 * 12 + 12];
        EXPECT_GT((pixel >> 16) & 0xFF, 0xC0u) << format << ": red";
        EXPECT_LT(pixel & 0xFF, 0x40u) << format << ": red";
    }
}

TEST_F(MenusWine, TheTrayIconTakesClicksOnceAndOpensItsMenuOnTheRightButton) {
    menus->SetIconTooltip("Hello");
    menus->TrayMenu().SetItems({Item(7, "Show"), Item(8, "-"), Item(9, "Quit")});
    EXPECT_FALSE(form->IconVisible());
    ASSERT_TRUE(menus->SetIconVisible(true)) << "the shell took the icon";
    EXPECT_TRUE(form->IconVisible());
    EXPECT_TRUE(menus->SetIconVisible(true)) << "a shown icon is shown";

    const UINT callback = WM_APP + 1;
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP}) PostMessageW(hidden, callback, 1, mouse);
    Pump();
    EXPECT_EQ(iconClicks, 1);
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) PostMessageW(hidden, callback, 1, mouse);
    Pump();
    EXPECT_EQ(iconClicks, 2) << "a double click is one click";

    // The user: once the pop-up menu is open, the down key twice past the separator, then Enter.
    std::atomic<bool> opened{false};
    std::thread user([&opened] {
        const ULONGLONG until = GetTickCount64() + 10000;
        HWND popup = nullptr;
        while (popup == nullptr && GetTickCount64() < until) {
            popup = FindWindowW(L"#32768", nullptr);
            if (popup == nullptr || !IsWindowVisible(popup)) popup = nullptr, Sleep(20);
        }
        if (popup == nullptr) return;
        opened = true;
        for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
            PostMessageW(popup, WM_KEYDOWN, key, 0);
            Sleep(50);
        }
    });
    PostMessageW(hidden, callback, 1, WM_RBUTTONUP);
    const bool chosen = testing::PumpUntil([this] { return !trayClicked.empty(); }, 12000);
    if (!chosen) {
        // Leaves a menu that stayed open, so the test ends.
        if (HWND popup = FindWindowW(L"#32768", nullptr)) PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        Pump();
    }
    user.join();
    EXPECT_TRUE(opened.load()) << "the right button opened the tray menu";
    EXPECT_EQ(trayClicked, std::vector<std::int32_t>{9});
    EXPECT_EQ(iconClicks, 2) << "the right button is no click";

    EXPECT_TRUE(menus->SetIconVisible(false));
    EXPECT_FALSE(form->IconVisible());
    EXPECT_TRUE(menus->SetIconVisible(false));
}

}  // namespace
}  // namespace vellum
