#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vellum::pack {

// A one-line progress bar on standard error for long copies and compression. Silent when
// standard error is not a terminal, and for work that ends before it is worth showing.
class TProgressBar {
public:
    explicit TProgressBar(std::string label);
    ~TProgressBar();

    void SetMax(std::int64_t max);
    void SetPosition(std::int64_t position);
    void Finish();

private:
    void Draw();

    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    std::int64_t max_ = 0;
    std::int64_t position_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace vellum::pack
