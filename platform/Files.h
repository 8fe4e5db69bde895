#pragma once
// Where the program keeps its files. As a rule, in the folder of its executable (a build, a
// copied folder, an old program's folder with its table). Only the packaged program, run from
// the install prefix it was built for, keeps them in the user's data folder, since nobody's
// invoices belong in /usr/bin; a table or a marker file in that folder keeps the old rule.

#include <QString>

// The folder of the executable with a trailing "/".
QString ProgramFolder();

// What the choice of folders is made from, gathered once at start.
struct TFolderFacts {
    QString ProgramFolder; // canonical, as the running executable's folder
    QString InstallBinFolder; // canonical, the folder the install rules put the program in
    QString PagesFromBinFolder; // the installed pages, relative to InstallBinFolder
    bool ProgramFolderHoldsTable = false; // fatura.DB
    bool ProgramFolderHoldsMarker = false; // levanta.portable
    QString XdgDataHome; // as the environment gives it, possibly empty
    QString Home;
};

struct TProgramFolders {
    QString Data; // table, settings, pre-fill, form picture, exported files; ends in "/"
    QString Pages; // the pages shipped with the program; ends in "/"
    bool Installed = false; // Data is the user's data folder, not the program's
};

inline constexpr char16_t kPortableMarker[] = u"levanta.portable";

// Pure: decides by names only, never by whether a folder may be written (root may write
// /usr/bin).
TProgramFolders ChooseFolders(const TFolderFacts &facts);

// The facts of this process: the executable's folder, the environment, the two files. The
// environment variable LEVANTA_INSTALL_ROOT names a folder that stands for "/" in the install
// prefix, so that a package unpacked there runs as if installed.
TFolderFacts GatherFolderFacts();

// The folders of this process, decided once; Data is created (0700) when it is missing.
const TProgramFolders &ProgramFolders();

class QIODevice;

// Why a file cannot be written, as the system says it: what stands in the way of the path
// itself (a folder of that name, no permission, no such folder), else `reported` (what the
// failed write said, such as a full disk). Empty when nothing is known.
QString WriteFailureCause(const QString &path, const QString &reported = {});
// Writes all of data. A device that takes only part (a disk filling up) is given the rest
// once more: only a write that takes nothing leaves the system's reason in errorString().
bool WriteWhole(QIODevice &device, const char *data, qint64 length);
// "text (cause)", or the text alone when there is no cause to add.
QString WithCause(const QString &text, const QString &cause);
