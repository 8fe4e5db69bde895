#include "platform/TextMetrics.h"

#include <QFontMetricsF>

#include <mutex>
#include <optional>

namespace
{

class TScreenTextMetrics : public ITextMetrics
{
public:
    explicit TScreenTextMetrics(int dpi)
        : FDpi(dpi > 0 ? dpi : 96)
    {
    }
    int Dpi() const override { return FDpi; }
    QSize TextExtent(const TCanvasFont &font, const QString &text) const override
    {
        // Labels measure the same font over and over while they wrap.
        std::lock_guard guard(FLock);
        if (!FMetrics || !(FFont == font)) {
            FFont = font;
            FMetrics.emplace(ToQFont(font, FDpi));
        }
        return TextExtentOf(*FMetrics, text);
    }

private:
    int FDpi;
    mutable std::mutex FLock;
    mutable TCanvasFont FFont;
    mutable std::optional<QFontMetricsF> FMetrics;
};

} // namespace

std::shared_ptr<const ITextMetrics> ScreenTextMetrics(int dpi)
{
    return std::make_shared<TScreenTextMetrics>(dpi);
}
