#include "report/QRControl.h"

#include "report/QRError.h"

#include <algorithm>

using namespace Qt::StringLiterals;

TCanvasFont TQRFont::ToCanvasFont() const
{
    TCanvasFont f;
    f.Name = Name;
    f.PointSize = PointSize();
    f.Bold = Bold;
    f.Italic = Italic;
    f.Underline = Underline;
    f.StrikeOut = StrikeOut;
    f.CharSet = static_cast<quint8>(CharSet);
    f.Color = Color;
    return f;
}

TQRControl::TQRControl() = default;

TQRControl::~TQRControl()
{
    DeleteChildren();
    if (FParent) {
        auto &siblings = FParent->FChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void TQRControl::DeleteChildren()
{
    while (!FChildren.empty())
        delete FChildren.back(); // the child's destructor unlinks it
}

void TQRControl::SetBounds(int left, int top, int width, int height)
{
    SetBoundsDirect(left, top, width, height);
}

void TQRControl::SetBoundsDirect(int left, int top, int width, int height)
{
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
}

void TQRControl::SetParent(TQRControl *parent)
{
    if (parent == FParent)
        return;
    for (const TQRControl *p = parent; p; p = p->FParent)
        if (p == this)
            throw EQRError(u"A control cannot be placed inside itself"_s);
    TQRControl *old = FParent;
    if (old) {
        auto &siblings = old->FChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    FParent = parent;
    if (parent)
        parent->FChildren.push_back(this);
    if (FParentFont)
        ApplyParentFont();
    ParentChanged(old);
}

void TQRControl::ParentChanged(TQRControl *)
{
}

void TQRControl::Loaded()
{
    const std::vector<TQRControl *> children = FChildren;
    for (TQRControl *c : children)
        c->Loaded();
}

void TQRControl::FontChanged()
{
}

void TQRControl::SetColor(const QColor &v)
{
    FColor = v;
    Repaint();
}

void TQRControl::SetFont(const TQRFont &v)
{
    FParentFont = false;
    const bool changed = !(FFont == v);
    FFont = v;
    if (!changed)
        return;
    FontChanged();
    for (TQRControl *c : FChildren)
        if (c->FParentFont)
            c->ApplyParentFont();
}

void TQRControl::SetParentFont(bool v)
{
    FParentFont = v;
    if (v)
        ApplyParentFont();
}

void TQRControl::ApplyParentFont()
{
    if (!FParent || FFont == FParent->FFont)
        return;
    FFont = FParent->FFont;
    FontChanged();
    for (TQRControl *c : FChildren)
        if (c->FParentFont)
            c->ApplyParentFont();
}
