#include "app/ErrorHandler.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"

using namespace Qt::StringLiterals;

namespace
{
// The error box carries the program's title, as the run-time's own error box does.
const QString kErrorTitle = u"LEVANTA"_s;
} // namespace

QString ErrorBoxText(const std::exception &error, const QString &advice)
{
    if (advice.isEmpty())
        return ErrorText(error);
    return advice + u"\r\n\r\n"_s + ErrorText(error);
}

void ShowError(IDialogs &dialogs, const std::exception &error, const QString &advice)
{
    dialogs.Error(nullptr, kErrorTitle, ErrorBoxText(error, advice));
}

bool RunCommand(
    IDialogs &dialogs, const std::function<void()> &command, const std::function<QString()> &advice)
{
    try {
        command();
        return true;
    } catch (const std::exception &error) {
        ShowError(dialogs, error, advice ? advice() : QString());
    }
    return false;
}

TLevantaApplication::TLevantaApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool TLevantaApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        if (FDialogs)
            ShowError(*FDialogs, error);
    }
    return false;
}
