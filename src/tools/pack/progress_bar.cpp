#include "tools/pack/progress_bar.h"

#include <unistd.h>

#include <cstdio>

namespace vellum::pack {

namespace {

constexpr auto kFirstDrawAfter = std::chrono::milliseconds(300);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

}  // namespace

TProgressBar::TProgressBar(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1), started_(std::chrono::steady_clock::now()) {}

TProgressBar::~TProgressBar() {
    Finish();
}

void TProgressBar::SetMax(std::int64_t max) {
    max_ = max;
    position_ = 0;
}

void TProgressBar::SetPosition(std::int64_t position) {
    position_ = position;
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - started_ < kFirstDrawAfter || now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    Draw();
}

void TProgressBar::Draw() {
    const double fraction = max_ > 0 ? static_cast<double>(position_) / static_cast<double>(max_) : 1.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::fprintf(stderr, "\r%-10s [%.*s%*s] %3d%%  %.1f MB", label_.c_str(), filled, "##############################",
                 kBarWidth - filled, "", static_cast<int>(fraction * 100), static_cast<double>(position_) / 1e6);
    std::fflush(stderr);
    drawn_ = true;
}

void TProgressBar::Finish() {
    if (!drawn_) return;
    position_ = max_;
    Draw();
    std::fputc('\n', stderr);
    drawn_ = false;
}

}  // namespace vellum::pack
