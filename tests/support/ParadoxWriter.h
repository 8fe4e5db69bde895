#pragma once
// Writes genuine Paradox tables with pxlib itself, as the old program's folder holds them:
// for the import's tests, its benchmark and the fuzz seeds. Header-only, so the benchmark
// and corpus tools can use it without the test support library.

#include "invoice/InvoiceRecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>
#include <iconv.h>
// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

struct TPxFieldSpec {
    std::string Name;
    char Type; // pxfAlpha, pxfNumber, ...
    int Size;
};

// Alpha bytes (already in the table's code page), a double, or a whole number.
using TPxValue = std::variant<QByteArray, double, long>;
using TPxRecord = std::map<std::string, TPxValue>;

// Text in a code page ("CP1254"); throws when iconv cannot encode it.
inline QByteArray EncodeCodePage(const QString &text, const char *codePage = "CP1254")
{
    iconv_t cd = iconv_open(codePage, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv_open");
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4 + 4, '\0');
    char *pin = in.data(), *pout = out.data();
    size_t inLeft = size_t(in.size()), outLeft = size_t(out.size());
    const size_t r = iconv(cd, &pin, &inLeft, &pout, &outLeft);
    iconv_close(cd);
    if (r == size_t(-1))
        throw std::runtime_error("text not in code page");
    out.resize(out.size() - qsizetype(outLeft));
    return out;
}

// The old program's layout, field by field (REC_ID first, as the engine keeps it).
inline std::vector<TPxFieldSpec> InvoiceLayout()
{
    std::vector<TPxFieldSpec> f { { "REC_ID", pxfAutoInc, 4 }, { "TARIH", pxfAlpha, 20 },
        { "SAYIN1", pxfAlpha, 75 }, { "SAYIN2", pxfAlpha, 75 }, { "SAYIN3", pxfAlpha, 75 },
        { "VDAIRESI", pxfAlpha, 35 }, { "VNO", pxfAlpha, 30 } };
    auto lines = [&f](const char *stem, char type, int size) {
        for (int i = 1; i <= TInvoiceRecord::kLines; ++i)
            f.push_back({ stem + std::to_string(i), type, size });
    };
    lines("M", pxfNumber, 8);
    lines("C", pxfAlpha, 50);
    lines("F", pxfNumber, 8);
    lines("T", pxfNumber, 8);
    f.push_back({ "YEKUN", pxfNumber, 8 });
    f.push_back({ "KDV", pxfNumber, 8 });
    f.push_back({ "TOPLAM", pxfNumber, 8 });
    f.push_back({ "YANLIZ", pxfAlpha, 150 });
    lines("B", pxfAlpha, 10);
    return f;
}

// Every field of an invoice by its table name, texts in code page 1254.
inline TPxRecord ValuesOf(const TInvoiceRecord &r)
{
    TPxRecord v;
    v["REC_ID"] = long(r.REC_ID);
    v["TARIH"] = EncodeCodePage(r.TARIH);
    v["SAYIN1"] = EncodeCodePage(r.SAYIN1);
    v["SAYIN2"] = EncodeCodePage(r.SAYIN2);
    v["SAYIN3"] = EncodeCodePage(r.SAYIN3);
    v["VDAIRESI"] = EncodeCodePage(r.VDAIRESI);
    v["VNO"] = EncodeCodePage(r.VNO);
    for (int i = 0; i < TInvoiceRecord::kLines; ++i) {
        const std::string n = std::to_string(i + 1);
        v["M" + n] = r.M[size_t(i)];
        v["C" + n] = EncodeCodePage(r.C[size_t(i)]);
        v["F" + n] = r.F[size_t(i)];
        v["T" + n] = r.T[size_t(i)];
        v["B" + n] = EncodeCodePage(r.B[size_t(i)]);
    }
    v["YEKUN"] = r.YEKUN;
    v["KDV"] = r.KDV;
    v["TOPLAM"] = r.TOPLAM;
    v["YANLIZ"] = EncodeCodePage(r.YANLIZ);
    return v;
}

class TParadoxWriter
{
public:
    // codePage 0 writes a table that names none.
    TParadoxWriter(const QString &path, std::vector<TPxFieldSpec> fields, int codePage = 1254)
        : FSpecs(std::move(fields))
        , FPath(path)
    {
        PX_boot();
        FDoc = PX_new();
        auto *f = static_cast<pxfield_t *>(
            FDoc->malloc(FDoc, FSpecs.size() * sizeof(pxfield_t), "fields"));
        for (size_t i = 0; i < FSpecs.size(); ++i) {
            f[i].px_fname = PX_strdup(FDoc, FSpecs[i].Name.c_str());
            f[i].px_ftype = FSpecs[i].Type;
            f[i].px_flen = FSpecs[i].Size;
            f[i].px_fdc = 0;
            FRecordSize += FSpecs[i].Size;
        }
        // pxlib seeks and rewrites its header for every record: in memory that takes a
        // thirtieth of the time it takes on a file. Untouched pages of the buffer cost nothing.
        FBuffer.reset(static_cast<char *>(std::malloc(kCapacity)));
        FStream = fmemopen(FBuffer.get(), kCapacity, "w+");
        if (!FStream
            || PX_create_fp(FDoc, f, int(FSpecs.size()), FStream, pxfFileTypNonIndexDB) < 0)
            throw std::runtime_error("PX_create_fp");
        PX_set_parameter(FDoc, "tablename", "fatura.DB");
        FDoc->px_head->px_doscodepage = codePage;
    }
    ~TParadoxWriter() noexcept(false) { Close(); }
    TParadoxWriter(const TParadoxWriter &) = delete;
    TParadoxWriter &operator=(const TParadoxWriter &) = delete;

    // Fields not given stay blank.
    void Put(const TPxRecord &values)
    {
        std::vector<char> data(size_t(FRecordSize), '\0');
        int offset = 0;
        for (const TPxFieldSpec &s : FSpecs) {
            char *at = data.data() + offset;
            offset += s.Size;
            const auto it = values.find(s.Name);
            if (it == values.end())
                continue;
            if (const auto *bytes = std::get_if<QByteArray>(&it->second)) {
                // The engine pads with NULs; a full field has none.
                std::memcpy(at, bytes->constData(),
                    std::min<size_t>(size_t(bytes->size()), size_t(s.Size)));
            } else if (const auto *d = std::get_if<double>(&it->second)) {
                PX_put_data_double(FDoc, at, s.Size, *d);
            } else if (s.Type == pxfShort) {
                PX_put_data_short(FDoc, at, s.Size, short(std::get<long>(it->second)));
            } else {
                PX_put_data_long(FDoc, at, s.Size, int(std::get<long>(it->second)));
            }
        }
        if (PX_put_record(FDoc, data.data()) < 0)
            throw std::runtime_error("PX_put_record");
    }

    void Close()
    {
        if (!FDoc)
            return;
        PX_close(FDoc);
        PX_delete(FDoc);
        FDoc = nullptr;
        std::fflush(FStream);
        std::fseek(FStream, 0, SEEK_END);
        const long size = std::ftell(FStream);
        std::fclose(FStream);
        QFile file(FPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(FBuffer.get(), size) != size)
            throw std::runtime_error("cannot write the table");
    }

private:
    static constexpr size_t kCapacity = size_t(256) << 20;
    struct TFree {
        void operator()(char *p) const { std::free(p); }
    };
    std::vector<TPxFieldSpec> FSpecs;
    QString FPath;
    std::unique_ptr<char, TFree> FBuffer;
    std::FILE *FStream = nullptr;
    pxdoc_t *FDoc = nullptr;
    int FRecordSize = 0;
};
