#include "platform/file_replacement.h"

#include "core/errors.h"
#include "core/text/utf.h"
#include "platform/file_system.h"

namespace vellum {

// A file stream whose error messages name the file being replaced: the page knows that name,
// not the temporary one.
class TFileReplacement::TTargetNamingStream final : public TStream {
public:
    TTargetNamingStream(const std::string& temporary, const std::string& target)
        : file_(PathFromUtf8(TFileSystem::NativePath(temporary)), TFileStream::TMode::OpenReadWrite),
          quotedTemporary_("\"" + PathToUtf8(PathFromUtf8(TFileSystem::NativePath(temporary))) + "\""),
          quotedTarget_("\"" + target + "\"") {}

    std::size_t Read(void* buffer, std::size_t count) override {
        return Named([&] { return file_.Read(buffer, count); });
    }
    void Write(const void* buffer, std::size_t count) override {
        Named([&] { file_.Write(buffer, count); });
    }
    std::int64_t Position() const override { return file_.Position(); }
    void SetPosition(std::int64_t position) override {
        Named([&] { file_.SetPosition(position); });
    }
    std::int64_t Size() const override { return file_.Size(); }
    void SetSize(std::int64_t size) override {
        Named([&] { file_.SetSize(size); });
    }
    void Close() {
        Named([&] { file_.Close(); });
    }

private:
    template <typename F>
    auto Named(F action) -> decltype(action()) {
        try {
            return action();
        } catch (const EFileError& error) {
            std::string message = error.what();
            const std::size_t at = message.find(quotedTemporary_);
            if (at != std::string::npos) message.replace(at, quotedTemporary_.size(), quotedTarget_);
            throw EFileError(message);
        }
    }

    TFileStream file_;
    std::string quotedTemporary_;
    std::string quotedTarget_;
};

TFileReplacement::TFileReplacement(std::string path) : path_(std::move(path)) {
    temporary_ = TFileSystem::CreateFileBeside(path_);
    try {
        stream_ = std::make_unique<TTargetNamingStream>(temporary_, path_);
    } catch (...) {
        TFileSystem::RemoveFile(temporary_);
        throw;
    }
}

TFileReplacement::~TFileReplacement() {
    if (temporary_.empty()) return;
    stream_.reset();
    TFileSystem::RemoveFile(temporary_);
}

TStream& TFileReplacement::Stream() {
    return *stream_;
}

void TFileReplacement::Commit() {
    stream_->Close();
    TFileSystem::FlushToDisk(temporary_);
    stream_.reset();
    TFileSystem::MoveIntoPlace(temporary_, path_);
    temporary_.clear();
}

void ReplaceFileContents(const std::string& path, const std::function<void(TStream& stream)>& produce) {
    TFileReplacement replacement(path);
    produce(replacement.Stream());
    replacement.Commit();
}

}  // namespace vellum
