#include "browser/webview2_loader.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include "browser/edge_error.h"

namespace vellum {
namespace {

using namespace webview2;

class WebView2LoaderTest : public ::testing::Test {
protected:
    void TearDown() override { loader.Unload(); }
    TWebView2Loader loader;
};

TEST_F(WebView2LoaderTest, LoadsOnFirstNeedAndTriesAgainAfterAFailure) {
    std::string version = "stale";
    EXPECT_EQ(loader.BrowserVersionString(version), E_FAIL) << "no path yet";
    EXPECT_EQ(version, "");
    loader.SetLoaderLibraryPath("/no/such/WebView2LoaderWin64.dll");
    EXPECT_EQ(loader.BrowserVersionString(version), E_FAIL);
    EXPECT_FALSE(loader.Loaded());
    loader.SetLoaderLibraryPath(VELLUM_FAKE_LOADER_VERSION);
    EXPECT_EQ(loader.BrowserVersionString(version), S_OK) << "the next need tries again";
    EXPECT_EQ(version, "120.0.2210.91") << "through GetAvailableCoreWebView2BrowserVersionString";
    EXPECT_TRUE(loader.Loaded());
}

TEST_F(WebView2LoaderTest, EachOperationNeedsOnlyItsOwnExport) {
    loader.SetLoaderLibraryPath(VELLUM_FAKE_LOADER_VERSION);
    EXPECT_EQ(loader.CreateCoreWebView2Environment(nullptr), E_FAIL) << "this loader lacks the creation export";
    std::string version;
    EXPECT_EQ(loader.BrowserVersionString(version), S_OK) << "which does not stop the version query";

    loader.Unload();
    EXPECT_EQ(loader.LoaderLibraryPath(), "") << "freeing the library clears the path";
    loader.SetLoaderLibraryPath(VELLUM_FAKE_LOADER_NONE);
    EXPECT_EQ(loader.BrowserVersionString(version), E_FAIL);
    EXPECT_TRUE(loader.Loaded()) << "the library itself loaded and stays";
}

TEST(EdgeError, CarriesItsMessageAndCode) {
    const EEdgeError error("WebView2 not instantiated", static_cast<std::int32_t>(0x80004005));
    EXPECT_STREQ(error.what(), "WebView2 not instantiated");
    EXPECT_EQ(error.ErrorCode(), E_FAIL);
    EXPECT_STREQ(error.ClassName(), "EEdgeError");
}

TEST(FloatingPoint, ExceptionsAreMaskedAndOtherBitsKept) {
    const unsigned saved = _mm_getcsr();
    _mm_setcsr((saved & ~0x1F80u) | 0x6000u);  // exceptions unmasked, rounding toward zero
    MaskFloatingPointExceptions();
    EXPECT_EQ(_mm_getcsr() & 0x1F80u, 0x1F80u);
    EXPECT_EQ(_mm_getcsr() & 0x6000u, 0x6000u);
    _mm_setcsr(saved);
}

}  // namespace
}  // namespace vellum
