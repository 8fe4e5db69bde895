#pragma once
// Failures travel as exceptions; the application's one handler shows their text.

#include <QString>
#include <exception>
#include <string>

// Base of every error this program raises; Message() is what the error box shows.
class ELevantaError : public std::exception
{
public:
    explicit ELevantaError(QString message)
        : FMessage(std::move(message))
        , FUtf8(FMessage.toStdString())
    {
    }
    const QString &Message() const noexcept { return FMessage; }
    const char *what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// A file, INI or printer operation failed ("Unable to write to %s", ...).
class EPlatformError : public ELevantaError
{
public:
    using ELevantaError::ELevantaError;
};

// The invoice table's store refused an operation; the text is the store's own message.
class EStorageError : public ELevantaError
{
public:
    using ELevantaError::ELevantaError;
};

// The text the error box shows for an error: the program's own message, else what the
// library that raised it says.
inline QString ErrorText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const ELevantaError *>(&error))
        return own->Message();
    return QString::fromUtf8(error.what());
}
