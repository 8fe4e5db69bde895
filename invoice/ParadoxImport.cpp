#include "invoice/ParadoxImport.h"

#include "invoice/InvoiceTable.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

const QString kTableName = u"fatura.DB"_s;
const QString kStem = u"fatura"_s;

// ---- the record's fields ----

struct TRecordField {
    QString Name;
    QString *(*Text)(TInvoiceRecord &, int);
    double *(*Number)(TInvoiceRecord &, int);
    int Line; // 0-based line of a numbered field
};

const std::vector<TRecordField> &RecordFields()
{
    static const std::vector<TRecordField> fields = [] {
        std::vector<TRecordField> f;
        auto text = [&f](const QString &name, QString *(*get)(TInvoiceRecord &, int), int line) {
            f.push_back({ name, get, nullptr, line });
        };
        auto number = [&f](const QString &name, double *(*get)(TInvoiceRecord &, int), int line) {
            f.push_back({ name, nullptr, get, line });
        };
        text(
            u"TARIH"_s, [](TInvoiceRecord &r, int) { return &r.TARIH; }, 0);
        text(
            u"SAYIN1"_s, [](TInvoiceRecord &r, int) { return &r.SAYIN1; }, 0);
        text(
            u"SAYIN2"_s, [](TInvoiceRecord &r, int) { return &r.SAYIN2; }, 0);
        text(
            u"SAYIN3"_s, [](TInvoiceRecord &r, int) { return &r.SAYIN3; }, 0);
        text(
            u"VDAIRESI"_s, [](TInvoiceRecord &r, int) { return &r.VDAIRESI; }, 0);
        text(
            u"VNO"_s, [](TInvoiceRecord &r, int) { return &r.VNO; }, 0);
        const auto lines = [](const QString &stem) {
            QStringList names;
            for (int i = 1; i <= TInvoiceRecord::kLines; ++i)
                names << stem + QString::number(i);
            return names;
        };
        for (int i = 0; i < TInvoiceRecord::kLines; ++i)
            number(
                lines(u"M"_s)[i], [](TInvoiceRecord &r, int l) { return &r.M[size_t(l)]; }, i);
        for (int i = 0; i < TInvoiceRecord::kLines; ++i)
            text(
                lines(u"C"_s)[i], [](TInvoiceRecord &r, int l) { return &r.C[size_t(l)]; }, i);
        for (int i = 0; i < TInvoiceRecord::kLines; ++i)
            number(
                lines(u"F"_s)[i], [](TInvoiceRecord &r, int l) { return &r.F[size_t(l)]; }, i);
        for (int i = 0; i < TInvoiceRecord::kLines; ++i)
            number(
                lines(u"T"_s)[i], [](TInvoiceRecord &r, int l) { return &r.T[size_t(l)]; }, i);
        number(
            u"YEKUN"_s, [](TInvoiceRecord &r, int) { return &r.YEKUN; }, 0);
        number(
            u"KDV"_s, [](TInvoiceRecord &r, int) { return &r.KDV; }, 0);
        number(
            u"TOPLAM"_s, [](TInvoiceRecord &r, int) { return &r.TOPLAM; }, 0);
        text(
            u"YANLIZ"_s, [](TInvoiceRecord &r, int) { return &r.YANLIZ; }, 0);
        for (int i = 0; i < TInvoiceRecord::kLines; ++i)
            text(
                lines(u"B"_s)[i], [](TInvoiceRecord &r, int l) { return &r.B[size_t(l)]; }, i);
        return f;
    }();
    return fields;
}

bool IsNumeric(TParadoxType t)
{
    return t == TParadoxType::Number || t == TParadoxType::Currency || t == TParadoxType::Short
        || t == TParadoxType::Long || t == TParadoxType::AutoInc;
}

bool CarriesText(TParadoxType t)
{
    return t == TParadoxType::Alpha || t == TParadoxType::Date || IsNumeric(t);
}

// A number written as text the shortest way that reads back the same, always with a point.
QString NumberText(double v)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, r.ptr - buffer);
}

// ---- files ----

[[noreturn]] void Fail(const QString &text)
{
    throw EParadoxImportError(text);
}

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

// Waits until a file or a folder's entries are on the disk.
bool SyncPath(const QString &path)
{
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool SameFile(const QString &a, const QString &b)
{
    struct stat sa {
    }, sb {};
    if (::stat(Native(a).constData(), &sa) != 0 || ::stat(Native(b).constData(), &sb) != 0)
        return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    if (sa.st_size != sb.st_size)
        return false;
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return true;
}

void RemoveStore(const QString &path)
{
    for (const QString &suffix : { u""_s, u"-journal"_s, u"-wal"_s, u"-shm"_s })
        QFile::remove(path + suffix);
}

// The old table's other files: same stem, any extension ("fatura.PX", "FATURA.VAL", ...),
// whatever their letter case, since copies from Windows keep none.
QStringList Companions(const QDir &folder, const QString &tableName)
{
    QStringList names;
    const QFileInfoList entries = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &e : entries) {
        const QString name = e.fileName();
        const qsizetype dot = name.indexOf(u'.');
        if (dot < 0 || name.left(dot).compare(kStem, Qt::CaseInsensitive) != 0 || name == kTableName
            || name == tableName)
            continue;
        names << name;
    }
    names.sort();
    return names;
}

// "eski_paradox", or a numbered neighbour when that one already holds other files of these
// names. A copy of the table left there by an interrupted import is the table itself.
QString OldFilesFolderFor(
    const QDir &folder, const QString &tableName, const QStringList &companions)
{
    for (int n = 1;; ++n) {
        const QString name = QString::fromUtf16(kOldFilesFolderName)
            + (n == 1 ? QString() : u"_"_s + QString::number(n));
        const QString path = folder.filePath(name);
        const QFileInfo info(path);
        if (info.exists() && !info.isDir())
            continue;
        const QDir old(path);
        bool free = !QFileInfo::exists(old.filePath(tableName))
            || SameFile(old.filePath(tableName), folder.filePath(tableName));
        for (const QString &c : companions)
            free = free && !QFileInfo::exists(old.filePath(c));
        if (free)
            return path;
    }
}

// ---- texts ----

QString ReadFailed(const QString &path, const QString &why)
{
    return u"Eski Paradox fatura tablosu okunamadı, tablo bozuk ya da okunamıyor:\n%1\n(%2)\n\n"
           "Hiçbir dosya değiştirilmedi. Tabloyu eski programla açıp onarın ya da sağlam bir "
           "yedeğini fatura.DB adıyla program klasörüne koyun, sonra programı yeniden başlatın."_s
               .arg(QDir::toNativeSeparators(path), why);
}

QString TwoOldTables(const QStringList &names)
{
    return u"Program klasöründe adları yalnız büyük/küçük harfle ayrılan birden çok eski "
           "Paradox fatura tablosu var: %1.\n\n"
           "Hangisinin aktarılacağı bilinemediğinden hiçbirine dokunulmadı. Aktarılmasını "
           "istediğinizi fatura.DB adıyla bırakıp ötekini klasörden çıkarın, sonra programı "
           "yeniden başlatın."_s.arg(names.join(u", "_s));
}

QString WriteFailed(const QString &why)
{
    return u"Eski fatura tablosu (fatura.DB) yeni biçime aktarılamadı: program klasörüne "
           "yazılamıyor (%1).\n\n"
           "Hiçbir dosya değiştirilmedi. Klasöre yazma izni verin ya da diskte yer açın, sonra "
           "programı yeniden başlatın."_s.arg(why);
}

QString CheckFailed(const QString &why)
{
    return u"Eski fatura tablosu (fatura.DB) yeni biçime aktarılamadı: yazılan tablo "
           "denetimde eskisini tutmadı (%1).\n\n"
           "Hiçbir dosya değiştirilmedi. Programı yeniden başlatın; hata sürerse fatura.DB'nin "
           "bir yedeğini alıp destek isteyin."_s.arg(why);
}

QString NotInvoiceTable()
{
    return u"Program klasöründeki fatura.DB bir Paradox tablosu, ama fatura tablosu değil: "
           "TARIH ve SAYIN1 alanları yok.\n\n"
           "Hiçbir dosya değiştirilmedi. Eski programın fatura tablosunu fatura.DB adıyla "
           "program klasörüne koyun, sonra programı yeniden başlatın."_s;
}

} // namespace

// ---- plan and conversion ----

const QStringList &RecordFieldNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const TRecordField &f : RecordFields())
            n << f.Name;
        return n;
    }();
    return names;
}

TParadoxFieldPlan PlanFields(const TParadoxTable &table)
{
    TParadoxFieldPlan plan;
    const std::vector<TParadoxField> &fields = table.Fields();
    std::vector<bool> used(fields.size(), false);
    for (const TRecordField &rf : RecordFields()) {
        const int i = table.FieldIndex(rf.Name);
        int source = -1;
        if (i < 0) {
            plan.Missing << rf.Name;
        } else {
            used[size_t(i)] = true;
            const TParadoxType t = fields[size_t(i)].Type;
            if (rf.Text ? CarriesText(t) : IsNumeric(t))
                source = i;
            else
                plan.WrongType << rf.Name;
        }
        plan.Sources.push_back(source);
    }
    const int recId = table.FieldIndex(u"REC_ID"_s);
    if (recId >= 0) {
        used[size_t(recId)] = true;
        if (IsNumeric(fields[size_t(recId)].Type))
            plan.RecIdField = recId;
        else
            plan.WrongType << u"REC_ID"_s;
    }
    for (size_t i = 0; i < fields.size(); ++i)
        if (!used[i])
            plan.Extra << fields[i].Name;
    plan.Importable = plan.Sources[0] >= 0 && plan.Sources[1] >= 0; // TARIH, SAYIN1
    return plan;
}

QStringList TParadoxFieldPlan::Differences() const
{
    QStringList lines;
    if (!Missing.isEmpty())
        lines << u"Eski tabloda olmayan alanlar (boş ya da 0 bırakıldı): %1"_s.arg(
            Missing.join(u", "_s));
    if (!WrongType.isEmpty())
        lines << u"Türü uymayan alanlar (boş ya da 0 bırakıldı): %1"_s.arg(WrongType.join(u", "_s));
    if (!Extra.isEmpty())
        lines << u"Yeni tabloda yeri olmayan alanlar (aktarılmadı, eski dosyada duruyor): %1"_s.arg(
            Extra.join(u", "_s));
    return lines;
}

TInvoiceRecord ConvertRecord(
    const TParadoxTable &table, const TParadoxFieldPlan &plan, int *unmappedTexts)
{
    TInvoiceRecord r;
    const std::vector<TRecordField> &rf = RecordFields();
    for (size_t i = 0; i < rf.size(); ++i) {
        const int source = plan.Sources[i];
        if (source < 0)
            continue;
        const TParadoxType type = table.Fields()[size_t(source)].Type;
        if (rf[i].Text) {
            QString &text = *rf[i].Text(r, rf[i].Line);
            if (type == TParadoxType::Alpha) {
                int unmapped = 0;
                text = table.Text(source, &unmapped);
                if (unmappedTexts && unmapped > 0)
                    ++*unmappedTexts;
            } else if (type == TParadoxType::Date) {
                // Paradox counts days from 1 January of the year 1 as day 1.
                if (const auto days = table.DateDays(source))
                    text = QDate(1, 1, 1).addDays(qint64(*days) - 1).toString(u"dd.MM.yyyy"_s);
            } else if (const auto v = table.Number(source)) {
                text = NumberText(*v);
            }
        } else {
            const double v = table.Number(source).value_or(0);
            // SQLite cannot hold NaN; a damaged number becomes 0.
            *rf[i].Number(r, rf[i].Line) = std::isnan(v) ? 0 : v;
        }
    }
    if (plan.RecIdField >= 0) {
        const double v = table.Number(plan.RecIdField).value_or(0);
        r.REC_ID
            = v >= 1 && v <= INT32_MAX && v == std::floor(v) ? static_cast<std::int32_t>(v) : 0;
    }
    return r;
}

// ---- the result ----

QString TParadoxImportResult::Message() const
{
    if (!LeftUntouched.isEmpty())
        return u"Program klasöründe eski programın Paradox fatura tablosu da bulundu:\n%1\n\n"
               "Faturalarınız zaten yeni tabloda (fatura.DB); eski tablo aktarılmadı ve "
               "dokunulmadan bırakıldı."_s.arg(QDir::toNativeSeparators(LeftUntouched));
    QString text = u"Eski fatura tablonuz (Paradox) yeni biçime aktarıldı: %1 fatura.\n\n"
                   "Eski dosyalar dokunulmadan şu klasörde duruyor:\n%2"_s.arg(Records)
                       .arg(QDir::toNativeSeparators(OldFilesFolder));
    QStringList notes = Differences;
    if (Renumbered)
        notes << u"REC_ID numaraları eksik ya da sırasız olduğundan faturalar tablodaki "
                 "sırayla yeniden numaralandı."_s;
    if (!notes.isEmpty())
        text += u"\n\nEski tablo bilinen düzenden farklıydı:\n• "_s + notes.join(u"\n• "_s);
    if (UnmappedTexts > 0)
        text += u"\n\n%1 metinde eski kod sayfasında karşılığı olmayan baytlar vardı; "
                "bunlar yeni tabloda \uFFFD işaretiyle duruyor."_s.arg(UnmappedTexts);
    return text;
}

// ---- the import ----

std::optional<TParadoxImportResult> ESKI_TABLOYU_AKTAR(
    const QString &programFolder, const TParadoxImportOptions &options)
{
    const QDir folder(programFolder);
    // The old table under any letter case: Windows kept none. Ours is always "fatura.DB".
    QStringList found;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.compare(kTableName, Qt::CaseInsensitive) == 0
            && TParadoxTable::LooksLikeParadoxFile(folder.filePath(name)))
            found << name;
    if (found.isEmpty())
        return std::nullopt;
    if (found.size() > 1)
        Fail(TwoOldTables(found));
    const QString tableName = found.front();
    const QString tablePath = folder.filePath(tableName);
    const QString ourPath = folder.filePath(kTableName);
    if (tableName != kTableName && QFileInfo::exists(ourPath)) {
        // Ours is in use; an old table beside it is only reported, never imported over it.
        TParadoxImportResult untouched;
        untouched.LeftUntouched = tablePath;
        return untouched;
    }
    const auto step = [&options](const char *name) {
        if (options.OnStep)
            options.OnStep(name);
    };

    // Read everything once before anything is written: a table that cannot be read whole
    // is left alone.
    std::unique_ptr<TParadoxTable> table;
    TParadoxFieldPlan plan;
    std::vector<std::int32_t> ids;
    bool keepIds = true;
    try {
        table = std::make_unique<TParadoxTable>(tablePath);
        plan = PlanFields(*table);
        if (!plan.Importable)
            Fail(NotInvoiceTable());
        keepIds = plan.RecIdField >= 0;
        ids.reserve(size_t(table->RecordCount()));
        for (int i = 0; i < table->RecordCount(); ++i) {
            table->ReadRecord(i);
            const std::int32_t id = ConvertRecord(*table, plan).REC_ID;
            // Kept only when they give the table's own order: positive and ascending.
            keepIds = keepIds && id > 0 && (ids.empty() || id > ids.back());
            ids.push_back(id);
        }
    } catch (const EParadoxError &e) {
        Fail(ReadFailed(tablePath, e.Message()));
    }
    const int count = table->RecordCount();
    TParadoxImportResult result;
    result.Records = count;
    result.Differences = plan.Differences();
    result.Renumbered = !keepIds && plan.RecIdField >= 0;
    if (plan.RecIdField < 0)
        result.Differences << u"REC_ID alanı yok: faturalar tablodaki sırayla numaralandı."_s;

    // The new table, aside. Every tenth record or so is kept to compare after the write.
    const QString newPath = folder.filePath(QString::fromUtf16(kImportFileName));
    RemoveStore(newPath); // left by an interrupted import; the old table is still in place
    std::map<std::int32_t, TInvoiceRecord> sample;
    const int sampleStep = std::max(1, count / 64);
    try {
        {
            InvoiceTable store;
            store.OpenFile(newPath);
            step("new table created");
            std::vector<TInvoiceRecord> chunk;
            for (int i = 0; i < count; ++i) {
                table->ReadRecord(i);
                TInvoiceRecord r = ConvertRecord(*table, plan, &result.UnmappedTexts);
                r.REC_ID = keepIds ? ids[size_t(i)] : i + 1;
                if (i % sampleStep == 0 || i == count - 1)
                    sample.emplace(r.REC_ID, InvoiceTable::CutToWidths(r));
                chunk.push_back(std::move(r));
                if (int(chunk.size()) >= std::max(1, options.ChunkSize) || i == count - 1) {
                    store.AppendWithIds(chunk);
                    chunk.clear();
                    step("records written");
                }
            }
        }
        InvoiceTable check;
        check.OpenFile(newPath);
        if (check.RecordCount() != count)
            Fail(CheckFailed(u"%1 kayıt yerine %2"_s.arg(count).arg(check.RecordCount())));
        for (const auto &[id, expected] : sample)
            if (check.ReadRecord(id) != expected)
                Fail(CheckFailed(u"REC_ID %1 farklı okundu"_s.arg(id)));
        check.Close();
        if (!SyncPath(newPath))
            Fail(WriteFailed(ErrnoText()));
        step("new table checked");
    } catch (const EParadoxImportError &) {
        RemoveStore(newPath);
        throw;
    } catch (const EParadoxError &e) {
        RemoveStore(newPath);
        Fail(ReadFailed(tablePath, e.Message()));
    } catch (const ELevantaError &e) {
        RemoveStore(newPath);
        Fail(WriteFailed(e.Message()));
    }
    table.reset();

    // The old files go aside: the table by a second name (a hard link, or a copy where the
    // disk has none), the others moved. Until the last rename the old table stays in place.
    const QStringList companions = Companions(folder, tableName);
    const QString oldPath = OldFilesFolderFor(folder, tableName, companions);
    const QDir old(oldPath);
    const QString oldTable = old.filePath(tableName);
    bool madeFolder = false, madeTable = false;
    QStringList moved;
    const auto undo = [&] {
        for (const QString &name : moved)
            ::rename(
                Native(old.filePath(name)).constData(), Native(folder.filePath(name)).constData());
        if (madeTable)
            QFile::remove(oldTable);
        if (madeFolder)
            QDir().rmdir(oldPath);
        RemoveStore(newPath);
    };
    const auto failPlacing = [&](const QString &why) {
        undo();
        Fail(WriteFailed(why));
    };
    if (!old.exists()) {
        if (::mkdir(Native(oldPath).constData(), 0777) != 0)
            failPlacing(ErrnoText());
        madeFolder = true;
        SyncPath(programFolder);
        step("old files folder created");
    }
    if (!QFileInfo::exists(oldTable)) {
        if (::link(Native(tablePath).constData(), Native(oldTable).constData()) != 0) {
            const QString copy = oldTable + u".kopya"_s;
            QFile::remove(copy);
            if (!QFile::copy(tablePath, copy) || !SyncPath(copy)
                || ::rename(Native(copy).constData(), Native(oldTable).constData()) != 0) {
                const QString why = ErrnoText();
                QFile::remove(copy);
                failPlacing(why);
            }
        }
        madeTable = true;
        SyncPath(oldPath);
        step("old table linked");
    }
    for (const QString &name : companions) {
        if (::rename(
                Native(folder.filePath(name)).constData(), Native(old.filePath(name)).constData())
            != 0)
            failPlacing(ErrnoText());
        moved << name;
        SyncPath(oldPath);
        SyncPath(programFolder);
        step("companion moved");
    }
    // The one step that puts the new table in place of the old. An old table under another
    // letter case is not replaced by it: its name goes once the new one is in place (it is
    // linked aside already; a crash in between leaves both, and the next start says so).
    if (::rename(Native(newPath).constData(), Native(ourPath).constData()) != 0)
        failPlacing(ErrnoText());
    SyncPath(programFolder);
    step("new table in place");
    if (tablePath != ourPath) {
        ::unlink(Native(tablePath).constData());
        SyncPath(programFolder);
    }
    result.OldFilesFolder = oldPath;
    return result;
}
