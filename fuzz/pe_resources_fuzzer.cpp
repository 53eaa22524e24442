// A program image's resources from arbitrary bytes: read, edited and written back. Nothing or
// a table, never a read outside the bytes; a rebuilt image reads back with the same resources
// and still ends where its last section's raw data does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/archive/pe_image.h"
#include "core/resources/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = vellum::TPeImage::Parse(std::vector<std::uint8_t>(data, data + size));
    if (!image) return 0;
    auto resources = image->ReadResources();
    if (!resources) return 0;
    resources->Put(vellum::TResourceKey::Of(10), vellum::TResourceKey::Of(u"ADDED"), 1033,
                   std::vector<std::uint8_t>(100, 0x5A));
    if (!image->ReplaceResources(*resources)) return 0;
    const auto reread = image->ReadResources();
    if (!reread) std::abort();
    for (const vellum::TResource& resource : resources->Entries()) {
        const vellum::TResource* found = reread->Find(resource.Type, resource.Name, resource.Language);
        if (found == nullptr) std::abort();
    }
    if (!vellum::ComputePeImageEnd(image->Bytes())) std::abort();
    return 0;
}
