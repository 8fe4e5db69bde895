#pragma once
// The edit fields of the invoice form and of the small dialogs: a focus-coloured line edit,
// a text field, and the numeric field that keeps its number as its formatted text.

#include "invoice/NumericField.h"
#include "platform/Locale.h"

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QString>

class IDialogs;

// A line edit that shows RGB(228, 224, 201) at rest and white while it has the focus.
// Entering by any way but a mouse click selects the whole text, so typing replaces it; a
// click places the caret where it falls and leaves the text as it is.
// Focus that only wanders to another window (a modal dialog, a popup menu) is not an exit:
// the field stays entered and nothing runs, as the form's own focus has not moved.
class TFormEdit : public QLineEdit
{
    Q_OBJECT
public:
    static QColor IdleColor() { return QColor(228, 224, 201); }
    static QColor FocusColor() { return QColor(255, 255, 255); }

    explicit TFormEdit(QWidget *parent = nullptr);

    // True between entering and leaving the field (also while another window is active).
    bool IsEntered() const { return FEntered; }
    // Sets the resting colour (the background shown while the field has no focus).
    // Sets the colour shown while the field has the focus (white by default).
    void SetFocusColor(const QColor &color);

    // A text wider than the field is drawn in a smaller font, down to MinimumFontPixels, and
    // the field's tool tip then holds the whole text, so that no digit is ever out of sight.
    // With wholeTextTip the tool tip holds the text also when it fits.
    static constexpr int MinimumFontPixels() { return 8; }
    void SetShrinkToFit(bool on, bool wholeTextTip = false);
    // The width the text may take without scrolling, in pixels.
    int TextRoom() const;

signals:
    // After the field's own entry processing and the white background.
    void Entered();
    // After the field's own exit processing and the restored colour: the place for the
    // actions that follow leaving a field (recomputation and the like).
    void Exited();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // The field's own processing on entering other than by a click, and on leaving, before
    // the signals.
    virtual void EnterProcessing() { }
    virtual void ExitProcessing() { }
    // Runs when the click that entered the field is over (the caret is placed by then).
    virtual void ClickEntered() { }

private:
    void FinishStaleFields();
    void DoEnter(bool selectAll);
    void DoExit();
    void SetBackground(const QColor &color);
    void FitText();

    QColor FIdleColor;
    QColor FFocusColor;
    bool FEntered = false;
    bool FClickEntry = false; // entered by a mouse press whose release is still to come
    bool FShrinkToFit = false;
    bool FWholeTextTip = false;
    bool FShrunk = false;
    QFont FBaseFont; // the field's font before it was first made smaller
};

// A text field: any character; an optional maximum length (0 = none).
class TTextField : public TFormEdit
{
    Q_OBJECT
public:
    explicit TTextField(QWidget *parent = nullptr);
    TTextField(int maxLength, QWidget *parent);

    void SetMaxLength(int maxLength);
};

// A numeric field: the number is the displayed text. SetValue writes the value through the
// display pattern (so it is rounded to the pattern's decimals) and Value parses the text
// back. Typed characters are checked one by one and refused with a beep; pasting is not.
// A click into a field that holds 0 selects it, so that what is typed replaces the zero
// instead of joining it (2 typed after "0" would be 20). Its text shrinks to fit.
class TNumericEdit : public TFormEdit, public INumericField
{
    Q_OBJECT
public:
    static QString DefaultDisplayFormat() { return kMoneyLayoutFormat.toString(); }

    TNumericEdit(IDialogs &dialogs, const TFormatSettings &fs, QWidget *parent = nullptr);

    // A changed pattern re-shows a non-empty text in it (the value is kept).
    void SetDisplayFormat(const QString &pattern);
    const QString &DisplayFormat() const { return FDisplayFormat; }

    // Whole-number fields refuse the decimal separator and the exponent marks, and accept a
    // sign only at the very start. On by default.
    void SetDecimalsAllowed(bool allowed) { FDecimalsAllowed = allowed; }
    bool DecimalsAllowed() const { return FDecimalsAllowed; }

    // When on, the key "*" emits StarPressed() first and is then refused like any other
    // character that is not accepted (one beep).
    void SetStarOpensDialog(bool on) { FStarOpensDialog = on; }
    bool StarOpensDialog() const { return FStarOpensDialog; }

    // INumericField. Reading an empty field gives 0 and leaves the formatted 0 in it.
    long double Value() override;
    void SetValue(long double value) override;

    // Re-shows the parsed value in the display pattern (what entering and leaving do).
    void Reformat();

    const TFormatSettings &FormatSettings() const { return FFormat; }

signals:
    void StarPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void EnterProcessing() override { Reformat(); }
    void ExitProcessing() override { Reformat(); }
    void ClickEntered() override;

private:
    bool Accepts(QChar ch) const;
    void TypeChecked(const QString &typed);
    void ShowText(const QString &text);

    IDialogs &FDialogs;
    TFormatSettings FFormat;
    QString FDisplayFormat;
    bool FDecimalsAllowed = true;
    bool FStarOpensDialog = false;
};

// The style sheet of the dialogs' buttons: a light face, a dark blue frame that lights up
// under the mouse.
QString DialogButtonStyle();

// Every window of the program opens in the middle of its screen's work area.
void CentreOnScreen(QWidget *window);
