#include "core/styles/theme_preview.h"

#include <algorithm>

namespace vellum {

namespace {

constexpr std::uint32_t kBackdrop = 0x808890;

// A button: its face, its outline (the accent for the default one) and its centred caption.
void DrawButton(TRasterImage& image, const TStylePalette& palette, int left, int top, int width, int height,
                const char* caption, bool isDefault) {
    const std::uint32_t outline = isDefault ? palette.Accent : palette.ButtonBorder;
    image.FillRoundRect(left, top, width, height, palette.ButtonRadius, outline);
    const int inset = isDefault ? 2 : 1;
    image.FillRoundRect(left + inset, top + inset, width - 2 * inset, height - 2 * inset,
                        std::max(0, palette.ButtonRadius - inset), palette.Button);
    const int scale = 1;
    image.DrawText(left + (width - TRasterImage::TextWidth(caption, scale)) / 2,
                   top + (height - TRasterImage::TextHeight(scale)) / 2, caption, palette.ButtonText, scale);
}

}  // namespace

void DrawStylePreview(const TStyleResource& style, TRasterImage& image) {
    const TStylePalette& palette = style.Palette;
    image.FillRect(0, 0, image.Width(), image.Height(), kBackdrop);

    const int margin = std::max(4, std::min(image.Width(), image.Height()) / 16);
    const int left = margin, top = margin;
    const int width = image.Width() - 2 * margin, height = image.Height() - 2 * margin;
    if (width <= 0 || height <= 0) return;
    const int border = std::max(1, palette.BorderWidth);
    const int caption = palette.CaptionHeight;

    // Frame and caption bar.
    image.FillRect(left, top, width, height, palette.Border);
    image.FillRect(left + border, top + border, width - 2 * border, caption, palette.Caption);
    const int clientTop = top + border + caption;
    image.FillRect(left + border, clientTop, width - 2 * border, height - 2 * border - caption, palette.Window);

    // The window icon: a small framed page in the accent colour.
    const int iconSize = std::min(16, caption - 6);
    const int iconLeft = left + border + 6, iconTop = top + border + (caption - iconSize) / 2;
    image.FillRoundRect(iconLeft, iconTop, iconSize, iconSize, 3, palette.Accent);
    image.FillRect(iconLeft + iconSize / 4, iconTop + iconSize / 4, iconSize / 2, iconSize / 2, palette.CaptionText);

    // The name as the caption, then the close glyph at the right.
    const int textScale = caption >= 28 ? 2 : 1;
    const int textTop = top + border + (caption - TRasterImage::TextHeight(textScale)) / 2;
    image.DrawText(iconLeft + iconSize + 8, textTop, style.Name, palette.CaptionText, textScale);
    const int glyph = std::max(6, caption / 3);
    const int closeLeft = left + width - border - 10 - glyph, closeTop = top + border + (caption - glyph) / 2;
    image.Line(closeLeft, closeTop, closeLeft + glyph, closeTop + glyph, 2, palette.CaptionText);
    image.Line(closeLeft + glyph, closeTop, closeLeft, closeTop + glyph, 2, palette.CaptionText);

    // The client area: a line of text, an edit box and the two buttons.
    const int inner = left + border + 12;
    image.DrawText(inner, clientTop + 12, "Sample text", palette.Text, 1);
    const int editWidth = width - 2 * border - 24;
    image.FillRect(inner, clientTop + 28, editWidth, 20, palette.ButtonBorder);
    image.FillRect(inner + 1, clientTop + 29, editWidth - 2, 18, palette.Edit);
    image.DrawText(inner + 6, clientTop + 35, "Edit", palette.EditText, 1);

    const int buttonWidth = 72, buttonHeight = 24;
    const int buttonTop = top + height - border - 12 - buttonHeight;
    const int cancelLeft = left + width - border - 12 - buttonWidth;
    DrawButton(image, palette, cancelLeft - 8 - buttonWidth, buttonTop, buttonWidth, buttonHeight, "OK", true);
    DrawButton(image, palette, cancelLeft, buttonTop, buttonWidth, buttonHeight, "Cancel", false);
}

}  // namespace vellum
