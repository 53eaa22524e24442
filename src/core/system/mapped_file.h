#pragma once

#include <cstdint>
#include <filesystem>

#include "core/stream/byte_source.h"

namespace vellum {

// A file's bytes from an offset to its end, mapped read-only into memory instead of copied:
// the system reads pages as they are touched and may drop them again, so a large file costs
// address space, not memory. Reads by offset are safe from several threads at once. The file
// must not shrink while mapped: Windows refuses to cut a mapped file, and Linux refuses to
// open a running program for writing, which is the file the runtime maps.
class TMappedFile final : public TMemoryByteSource {
public:
    // Throws EFileError naming the path when the file cannot be opened or mapped, or when the
    // offset lies beyond its end. An offset at the end maps nothing and gives zero bytes.
    TMappedFile(const std::filesystem::path& path, std::int64_t offset);
    ~TMappedFile() override;
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

private:
    void* view_ = nullptr;       // the whole mapped range, from an offset the system can map at
    std::size_t viewSize_ = 0;
};

}  // namespace vellum
