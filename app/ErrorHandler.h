#pragma once
// The program's one error handler: a failing operation raises, the handler shows the error's
// text in the error box, the command that met it stops there and the program goes on.

#include "platform/Errors.h"

#include <QApplication>
#include <exception>
#include <functional>

class IDialogs;
class QWidget;

// The error box's text: the advice (a Turkish sentence saying what failed and what the user
// can do), when there is one, above the error's own text.
QString ErrorBoxText(const std::exception &error, const QString &advice = {});

// Shows the error box for an error.
void ShowError(IDialogs &dialogs, const std::exception &error, const QString &advice = {});

// Runs one command. An error it raises is shown, with the advice above its own text, and
// ends only that command; the result tells whether the command ran to its end. The advice
// is asked for only when the command has failed, so that it can look at what went wrong.
bool RunCommand(IDialogs &dialogs, const std::function<void()> &command,
    const std::function<QString()> &advice = {});

// The application object: catches what an event handler lets escape and shows it, so that
// no error ends the program. The windows guard their own commands too, since Qt's own frames
// are not meant to be unwound through.
class TLevantaApplication : public QApplication
{
public:
    TLevantaApplication(int &argc, char **argv);
    void SetDialogs(IDialogs *dialogs) { FDialogs = dialogs; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    IDialogs *FDialogs = nullptr;
};
