#include "app/FormFields.h"

#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"

#include <QFocusEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

// Focus that moves to another window or into a popup leaves the form's own focus where it
// was; such events neither enter nor leave a field.
bool IsWindowSwitch(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

bool IsSign(QChar ch)
{
    return ch == u'+' || ch == u'-';
}
bool IsAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}
bool IsControl(QChar ch)
{
    return ch.unicode() < 0x20 || ch.unicode() == 0x7f;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TFormEdit

TFormEdit::TFormEdit(QWidget *parent)
    : QLineEdit(parent)
    , FIdleColor(IdleColor())
    , FFocusColor(FocusColor())
{
    SetBackground(FIdleColor);
    connect(this, &QLineEdit::textChanged, this, &TFormEdit::FitText);
}

void TFormEdit::SetFocusColor(const QColor &color)
{
    FFocusColor = color;
    if (FEntered)
        SetBackground(color);
}

void TFormEdit::SetShrinkToFit(bool on, bool wholeTextTip)
{
    FShrinkToFit = on;
    FWholeTextTip = wholeTextTip;
    FitText();
}

int TFormEdit::TextRoom() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins());
    // The line edit keeps two pixels free on each side, and one for the caret.
    return contents.width() - 2 * 2 - 1;
}

void TFormEdit::FitText()
{
    if (!FShrinkToFit)
        return;
    if (!FShrunk)
        FBaseFont = font();
    const QString shown = text();
    const int room = TextRoom();
    auto fits = [&](const QFont &font) {
        return std::ceil(QFontMetricsF(font, this).horizontalAdvance(shown)) <= room;
    };

    const bool fitsAtBase = fits(FBaseFont);
    if (fitsAtBase) {
        if (FShrunk)
            setFont(FBaseFont);
        FShrunk = false;
    } else {
        QFont smaller = FBaseFont;
        int pixels
            = FBaseFont.pixelSize() > 0 ? FBaseFont.pixelSize() : QFontInfo(FBaseFont).pixelSize();
        while (pixels > MinimumFontPixels()) {
            smaller.setPixelSize(--pixels);
            if (fits(smaller))
                break;
        }
        if (font() != smaller)
            setFont(smaller);
        FShrunk = true;
    }
    const QString tip = (FWholeTextTip || !fitsAtBase) ? shown : QString();
    if (toolTip() != tip)
        setToolTip(tip);
}

void TFormEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    FitText();
}

void TFormEdit::SetBackground(const QColor &color)
{
    if (palette().color(QPalette::Base) == color)
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

void TFormEdit::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    if (IsWindowSwitch(reason) && FEntered) {
        // Back from a dialog or a menu: the field never left.
        QLineEdit::focusInEvent(event);
        return;
    }
    // A field left by a real focus move has had its exit already; only an entry that comes
    // with the window's activation can follow a silent move.
    if (IsWindowSwitch(reason))
        FinishStaleFields();
    // A click enters the field as it stands: a fresh formatting would put a "0" or ",00"
    // into an empty field, and the caret that the click places would land inside it.
    const bool byClick = reason == Qt::MouseFocusReason;
    if (!byClick)
        EnterProcessing();
    QLineEdit::focusInEvent(event);
    FClickEntry = byClick;
    DoEnter(/*selectAll*/ !byClick);
}

void TFormEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (!FClickEntry)
        return;
    FClickEntry = false;
    if (FEntered)
        ClickEntered();
}

void TFormEdit::focusOutEvent(QFocusEvent *event)
{
    FClickEntry = false;
    QLineEdit::focusOutEvent(event);
    if (IsWindowSwitch(event->reason()) || !FEntered)
        return;
    DoExit();
}

void TFormEdit::FinishStaleFields()
{
    // The focus may have moved while this window was inactive, which Qt does without
    // focus events; the field that was left then still counts as entered. Finish it first,
    // so that its exit actions are not lost.
    if (QWidget *top = window()) {
        const auto fields = top->findChildren<TFormEdit *>();
        for (TFormEdit *other : fields) {
            if (other != this && other->FEntered && other->window() == top)
                other->DoExit();
        }
    }
}

void TFormEdit::DoEnter(bool selectAll)
{
    FEntered = true;
    SetBackground(FFocusColor);
    if (selectAll)
        QLineEdit::selectAll();
    emit Entered();
}

void TFormEdit::DoExit()
{
    FEntered = false;
    ExitProcessing();
    SetBackground(FIdleColor);
    emit Exited();
}

// ---------------------------------------------------------------------------------------
// TTextField

TTextField::TTextField(QWidget *parent)
    : TFormEdit(parent)
{
}

TTextField::TTextField(int maxLength, QWidget *parent)
    : TFormEdit(parent)
{
    SetMaxLength(maxLength);
}

void TTextField::SetMaxLength(int maxLength)
{
    // QLineEdit's own default stands for "no limit".
    setMaxLength(maxLength > 0 ? maxLength : 32767);
}

// ---------------------------------------------------------------------------------------
// TNumericEdit

TNumericEdit::TNumericEdit(IDialogs &dialogs, const TFormatSettings &fs, QWidget *parent)
    : TFormEdit(parent)
    , FDialogs(dialogs)
    , FFormat(fs)
    , FDisplayFormat(DefaultDisplayFormat())
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetShrinkToFit(true);
}

void TNumericEdit::ClickEntered()
{
    // A zero is a placeholder, not a start: what is typed replaces it.
    if (!text().isEmpty() && ParseNumericText(text(), FFormat) == 0)
        selectAll();
}

void TNumericEdit::SetDisplayFormat(const QString &pattern)
{
    FDisplayFormat = pattern;
    if (!text().isEmpty())
        Reformat();
}

long double TNumericEdit::Value()
{
    if (text().isEmpty()) {
        ShowText(FormatFloat(FDisplayFormat, 0.0L, FFormat));
        return 0.0L;
    }
    return ParseNumericText(text(), FFormat);
}

void TNumericEdit::SetValue(long double value)
{
    ShowText(FormatFloat(FDisplayFormat, value, FFormat));
}

void TNumericEdit::Reformat()
{
    SetValue(Value());
}

void TNumericEdit::ShowText(const QString &text)
{
    // Leave an unchanged text alone: setText would drop the selection and the undo history.
    if (QLineEdit::text() != text)
        setText(text);
}

bool TNumericEdit::Accepts(QChar ch) const
{
    const QString current = text();
    const int selLength = hasSelectedText() ? selectedText().size() : 0;
    const int at = hasSelectedText() ? selectionStart() : cursorPosition();
    const QString selected = current.mid(at, selLength);
    QString rest = current;
    rest.remove(at, selLength);

    if (!FDecimalsAllowed) {
        // Nothing goes in front of a sign, and a sign goes only at the very start.
        if (at < rest.size() && IsSign(rest.at(at)))
            return false;
        if (IsSign(ch))
            return at == 0;
    }
    if (IsAsciiDigit(ch) || IsSign(ch) || ch == u'(' || ch == u')')
        return true;
    if (!FDecimalsAllowed)
        return false;
    if (ch == FFormat.DecimalSeparator)
        return !current.contains(ch) || selected.contains(ch);
    return ch == u'E' || ch == u'e';
}

void TNumericEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();

    if (typed == u"*"_s) {
        if (FStarOpensDialog)
            emit StarPressed();
        FDialogs.Beep();
        event->accept();
        return;
    }

    // The keypad's decimal key types the locale's separator whatever the key's own mark.
    const bool keypadPoint = (event->modifiers() & Qt::KeypadModifier)
        && (event->key() == Qt::Key_Period || event->key() == Qt::Key_Comma);
    if (keypadPoint) {
        const QChar sep = FFormat.DecimalSeparator;
        if (Accepts(sep))
            insert(QString(sep));
        else
            FDialogs.Beep();
        event->accept();
        return;
    }

    // Navigation, editing and clipboard keys carry no text or a control character: they
    // (and Enter, which belongs to the window or the dialog's default button) pass on.
    if (typed.isEmpty() || IsControl(typed.at(0))) {
        QLineEdit::keyPressEvent(event);
        return;
    }

    TypeChecked(typed);
    event->accept();
}

void TNumericEdit::TypeChecked(const QString &typed)
{
    for (const QChar ch : typed) {
        if (Accepts(ch))
            insert(QString(ch));
        else
            FDialogs.Beep();
    }
}

void TNumericEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // Characters composed by an input method are typed characters too; only what is still
    // being composed is left to the line edit.
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    TypeChecked(event->commitString());
    event->accept();
}

QString DialogButtonStyle()
{
    return u"QPushButton { background-color: rgb(244, 244, 240); border: 1px solid rgb(0, 60, 116);"
           u" border-radius: 3px; }"
           u"QPushButton:hover { border: 2px solid rgb(255, 184, 60); }"
           u"QPushButton:pressed { background-color: rgb(226, 226, 218); }"
           u"QPushButton:default { border-width: 2px; }"_s;
}

void CentreOnScreen(QWidget *window)
{
    if (const QScreen *s = window->screen() ? window->screen() : QGuiApplication::primaryScreen())
        window->move(
            s->availableGeometry().center() - QPoint(window->width() / 2, window->height() / 2));
}
