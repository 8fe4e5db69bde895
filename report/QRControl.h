#pragma once
// The control base of the report engine: a plain object tree, not widgets. A control has
// integer pixel bounds on the design surface, a parent and its children in creation order,
// and owns its children (deleting a parent deletes them, deleting a child unlinks it).

#include "platform/Canvas.h"

#include <QColor>
#include <QString>

#include <vector>

// A font as the engine stores it. Size is in points; a size stored as a negative number
// counts by its absolute value wherever a size is needed.
struct TQRFont {
    QString Name = QStringLiteral("MS Sans Serif");
    int Size = 8;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 1; // the platform's "default" character set
    QColor Color = QColor(0, 0, 0);

    bool operator==(const TQRFont &) const = default;

    // Point size as a positive number (0 when the font has none).
    int PointSize() const { return Size < 0 ? -Size : Size; }
    // The same font as the canvases draw and measure it.
    TCanvasFont ToCanvasFont() const;
};

class TQRControl
{
public:
    TQRControl();
    virtual ~TQRControl();

    TQRControl(const TQRControl &) = delete;
    TQRControl &operator=(const TQRControl &) = delete;

    const QString &Name() const { return FName; }
    void SetName(const QString &v) { FName = v; }

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    // Every bounds change passes here; descendants store geometry from it.
    virtual void SetBounds(int left, int top, int width, int height);

    TQRControl *Parent() const { return FParent; }
    // Moves the control to a new parent (or none); the new parent owns it from then on.
    void SetParent(TQRControl *parent);
    const std::vector<TQRControl *> &Children() const { return FChildren; }

    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool v) { FEnabled = v; }
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool v) { FVisible = v; }
    const QColor &Color() const { return FColor; }
    virtual void SetColor(const QColor &v);

    const TQRFont &Font() const { return FFont; }
    // Setting a font of one's own stops following the parent's.
    void SetFont(const TQRFont &v);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v);

    // The design surface would redraw here; nothing is painted on screen but the preview.
    virtual void Repaint() { }
    // Stored design data has been applied; the base passes it on to the children.
    virtual void Loaded();

protected:
    // Runs after the parent changed (also for the first parent a constructor sets).
    virtual void ParentChanged(TQRControl *oldParent);
    virtual void FontChanged();
    // Bounds without any write-back: what a size object uses to show its stored values.
    void SetBoundsDirect(int left, int top, int width, int height);
    // A parent whose children refer to its own members deletes them in its destructor.
    void DeleteChildren();

private:
    void ApplyParentFont();

    QString FName;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    TQRControl *FParent = nullptr;
    std::vector<TQRControl *> FChildren;
    bool FEnabled = true;
    bool FVisible = true;
    QColor FColor = QColor(255, 255, 255);
    TQRFont FFont;
    bool FParentFont = true;
};
