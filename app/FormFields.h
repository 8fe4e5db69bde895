#pragma once
// The edit fields of the invoice form and of the small dialogs: a focus-coloured line edit,
// a text field, and the numeric field that keeps its number as its formatted text.

#include "invoice/NumericField.h"
#include "platform/Locale.h"

#include <QColor>
#include <QLineEdit>
#include <QString>

class IDialogs;

// A line edit that shows RGB(228, 224, 201) at rest and white while it has the focus.
// Entering by any way but a mouse click selects the whole text, so typing replaces it.
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
    void SetIdleColor(const QColor &color);
    QColor CurrentIdleColor() const { return FIdleColor; }

signals:
    // After the field's own entry processing and the white background.
    void Entered();
    // After the field's own exit processing and the restored colour: the place for the
    // actions that follow leaving a field (recomputation and the like).
    void Exited();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

    // The field's own processing on entering and leaving, before the signals.
    virtual void EnterProcessing() { }
    virtual void ExitProcessing() { }

private:
    void FinishStaleFields();
    void DoEnter(bool selectAll);
    void DoExit();
    void SetBackground(const QColor &color);

    QColor FIdleColor;
    bool FEntered = false;
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
class TNumericEdit : public TFormEdit, public INumericField
{
    Q_OBJECT
public:
    static QString DefaultDisplayFormat() { return QStringLiteral(",0.00;-,0.00"); }

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
