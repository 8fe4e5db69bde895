#include "platform/TextMetrics.h"

#include <QFontMetricsF>
#include <QGuiApplication>

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
        return TextExtentOf(*Metrics(font), text);
    }
    QSizeF CharCell(const TCanvasFont &font) const override
    {
        // Font metrics need a GUI application; without one nothing can be measured.
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return QSizeF();
        std::lock_guard guard(FLock);
        const QFontMetricsF &fm = *Metrics(font);
        return QSizeF(fm.averageCharWidth(), fm.height());
    }

private:
    // The metrics of font, kept while the same font is asked again; FLock is held.
    const QFontMetricsF *Metrics(const TCanvasFont &font) const
    {
        if (!FMetrics || !(FFont == font)) {
            FFont = font;
            FMetrics.emplace(ToQFont(font, FDpi));
        }
        return &*FMetrics;
    }

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
