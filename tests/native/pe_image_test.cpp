#include "core/archive/pe_image.h"

#include <gtest/gtest.h>

#include "core/archive/zip_format.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::MakePeImage;
using testing::TBytes;

TEST(PeImageEnd, IsTheLargestRawDataEndOverAllSections) {
    struct TCase {
        const char* what;
        std::vector<testing::TSection> sections;
        std::uint32_t expected;
    };
    const std::vector<TCase> cases = {
        {"no sections", {}, 0},
        {"one section", {{0x400, 0x200}}, 0x600},
        {"last section is not the furthest", {{0x400, 0x1000}, {0x1400, 0x200}, {0x600, 0x100}}, 0x1600},
        {"section without raw data does not count", {{0x400, 0x200}, {0, 0}}, 0x600},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ComputePeImageEnd(MakePeImage(c.sections)), c.expected);
    }
}

TEST(PeImageEnd, SumWrapsAsAnUnsigned32BitValue) {
    TBytes image = MakePeImage({{0x400, 0x200}});
    const std::uint32_t table = 0x80 + 4 + 20 + 240;
    zipformat::PutU32(&image[table + 16], 0xFFFFFF00u);  // raw size
    zipformat::PutU32(&image[table + 20], 0x200u);       // raw offset
    EXPECT_EQ(ComputePeImageEnd(image), 0x100u);
}

TEST(PeImageEnd, MalformedHeadersGiveNothingInsteadOfReadingOutside) {
    const TBytes good = MakePeImage({{0x400, 0x200}, {0x600, 0x200}});
    struct TCase {
        const char* what;
        TBytes bytes;
    };
    std::vector<TCase> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"shorter than the DOS header", TBytes(good.begin(), good.begin() + 0x20)});
    TBytes noMz = good;
    noMz[0] = 'X';
    cases.push_back({"no MZ", noMz});
    TBytes farSignature = good;
    zipformat::PutU32(&farSignature[0x3C], 0xFFFFFFF0u);
    cases.push_back({"PE offset beyond the bytes", farSignature});
    TBytes badSignature = good;
    badSignature[0x80] = 'X';
    cases.push_back({"no PE signature", badSignature});
    TBytes manySections = good;
    zipformat::PutU16(&manySections[0x80 + 6], 0xFFFF);
    cases.push_back({"section table runs past the bytes", manySections});
    TBytes hugeOptional = good;
    zipformat::PutU16(&hugeOptional[0x80 + 20], 0xFFFF);
    cases.push_back({"optional header size runs past the bytes", hugeOptional});
    cases.push_back({"cut inside the section table", TBytes(good.begin(), good.begin() + 0x80 + 24 + 240 + 50)});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ComputePeImageEnd(c.bytes).has_value());
    }
}

TEST(PeImageEnd, OfAFileOnDiskUsesTheSameRule) {
    testing::TTempDir dir;
    TBytes image = MakePeImage({{0x400, 0x300}});
    image.insert(image.end(), 100, 0xAB);  // an attached archive does not move the image end
    testing::WriteFile(dir / "app.exe", image);
    EXPECT_EQ(ComputePeImageEndOfFile(dir / "app.exe"), 0x700u);
    testing::WriteFile(dir / "text.txt", "not a program");
    EXPECT_FALSE(ComputePeImageEndOfFile(dir / "text.txt").has_value());
}

}  // namespace
}  // namespace vellum
