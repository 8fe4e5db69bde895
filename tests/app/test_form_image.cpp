// The scanned form behind the values: chosen on page AYAR, copied into the program folder,
// drawn by the preview under the page and nowhere else; and a value moved with the mouse in
// that preview, its position text following as the arrows would write it.

#include "app/FormResmi.h"
#include "app/frm_ayar_sayfasi.h"
#include "app/frm_fatura_basimi.h"
#include "platform/Errors.h"
#include "platform/Ini.h"
#include "preview/QRPrev.h"
#include "printing/InvoiceReport.h"
#include "report/QRPageList.h"
#include "report/QRUnits.h"
#include "support/EmfText.h"
#include "support/NoRootPrivileges.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A blank "form": one colour all over, so that any pixel of the paper shows whether it is
// behind the page.
void WriteImage(const QString &path, const char *format, QColor colour)
{
    QImage image(420, 594, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, format));
}

void WritePdf(const QString &path, QColor colour, QPageSize size = QPageSize(QPageSize::A4))
{
    QPdfWriter pdf(path);
    pdf.setResolution(72);
    pdf.setPageSize(size);
    QPainter p(&pdf);
    p.fillRect(QRect(QPoint(0, 0), QSize(pdf.width(), pdf.height())), colour);
}

TQRStandardPreview *OpenPreview()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<TQRStandardPreview *>(w))
            return p;
    return nullptr;
}

class FormImage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetQRScreenResolution(96);
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Source.isValid());
        // One fixed moment, so that two runs write the same bytes.
        QRSetNow([] { return 46365.5; });
    }
    void TearDown() override
    {
        W.reset();
        QRSetPreviewInterface({});
        QRSetProgressWindow({});
        QRSetNow({});
    }
    QString Folder() const { return Dir.path() + u"/"_s; }
    QString IniPath() const { return Folder() + u"fatura_ayar.ini"_s; }
    void Start()
    {
        W = std::make_unique<Tfatura_basimi>(
            Dialogs, TFormatSettings::Turkish(), Folder(), [] { return QDate(2026, 12, 9); });
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
        QRRegisterStandardPreview(Dialogs, Folder(), u"LEVANTA"_s);
        W->Rapor().RAPORX().SetShowProgress(false);
    }
    // Runs the sample report; while its preview is open and the run is over, act on it.
    void Sample(const std::function<void(TQRStandardPreview &)> &act)
    {
        bool acted = false, scheduled = false;
        // Told again when the window closes: act once only.
        W->Rapor().RAPORX().AfterPreview = [&](TCustomQuickRep *) {
            if (std::exchange(scheduled, true))
                return;
            QTimer::singleShot(0, qApp, [&] {
                TQRStandardPreview *preview = OpenPreview();
                EXPECT_NE(preview, nullptr);
                if (preview) {
                    act(*preview);
                    preview->close();
                }
                acted = true;
            });
        };
        W->AyarSayfasi()->SpeedButton6Click();
        W->Rapor().RAPORX().AfterPreview = nullptr;
        EXPECT_TRUE(acted);
        for (const auto &shown : Dialogs.Shown)
            if (shown.Kind == TScriptedDialogs::TKind::Error)
                ADD_FAILURE() << shown.Text.toStdString();
    }

    QTemporaryDir Dir, Source;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
};

TEST_F(FormImage, ChoosingCopiesThePictureIntoTheFolderAndNamesIt)
{
    const struct {
        const char *Why;
        QString File;
        QString Stored; // empty: refused
    } cases[] = {
        { "a PNG is copied as it is", u"form.png"_s, u"form_resmi.png"_s },
        { "a JPEG keeps its kind", u"tarama.JPG"_s, u"form_resmi.jpg"_s },
        { "a PDF's first page is drawn as a PNG", u"form.pdf"_s, u"form_resmi.png"_s },
        { "a text file named .png is no picture", u"yazi.png"_s, QString() },
        { "a damaged PDF is refused with poppler's reason", u"bozuk.pdf"_s, QString() },
        { "a file that is not there", u"yok.png"_s, QString() },
        { "a JPEG cut short is not taken as a grey picture", u"kesik.jpg"_s, QString() },
        { "a picture of one point is no form", u"nokta.png"_s, QString() },
        // At 150 dpi this page needs 900 MB and pdftoppm gives a 1 x 1 picture instead.
        { "a poster-sized PDF page is drawn at a form's size", u"afis.pdf"_s, u"form_resmi.png"_s },
    };
    WriteImage(Source.filePath(u"form.png"_s), "PNG", QColor(200, 0, 0));
    WriteImage(Source.filePath(u"tarama.JPG"_s), "JPEG", QColor(200, 0, 0));
    WritePdf(Source.filePath(u"form.pdf"_s), QColor(200, 0, 0));
    WritePdf(Source.filePath(u"afis.pdf"_s), QColor(200, 0, 0),
        QPageSize(QSizeF(5000, 5000), QPageSize::Millimeter));
    {
        WriteImage(Source.filePath(u"kesik.jpg"_s), "JPEG", QColor(200, 0, 0));
        QFile f(Source.filePath(u"kesik.jpg"_s));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(f.size() * 2 / 3));
        QImage dot(1, 1, QImage::Format_RGB32);
        dot.fill(Qt::red);
        ASSERT_TRUE(dot.save(Source.filePath(u"nokta.png"_s), "PNG"));
    }
    for (const char *name : { "yazi.png", "bozuk.pdf" }) {
        QFile f(Source.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("bu bir resim degil\n");
    }
    Start();
    TAyarSayfasi &page = *W->AyarSayfasi();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Why);
        // Each case starts from the last good picture: a refusal must leave it in place.
        const QByteArray iniBefore = Bytes(IniPath());
        const QString shownBefore = page.FormResmiAdi->text();
        Dialogs.Clear();
        Dialogs.Texts.push_back(Source.filePath(c.File));
        page.FormResmiSecClick();
        if (c.Stored.isEmpty()) {
            EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 1);
            EXPECT_TRUE(Dialogs.LastText().contains(c.File))
                << "names the user's file: " << Dialogs.LastText().toStdString();
            EXPECT_EQ(Bytes(IniPath()), iniBefore);
            EXPECT_EQ(page.FormResmiAdi->text(), shownBefore);
            continue;
        }
        EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 0)
            << Dialogs.LastText().toStdString();
        EXPECT_EQ(FORM_RESMI_OKU(IniPath()).Resim, c.Stored);
        const QImage stored(Folder() + c.Stored);
        ASSERT_FALSE(stored.isNull());
        EXPECT_LE(std::max(stored.width(), stored.height()), 3000);
        EXPECT_NEAR(qRed(stored.pixel(stored.width() / 2, stored.height() / 2)), 200, 8);
        EXPECT_FALSE(page.OnizlemeKatmani().Backdrop().isNull());
        EXPECT_EQ(page.FormResmiAdi->text(), c.Stored);
    }
    // The one picture of the folder is the one named; a JPEG chosen before a PNG is gone.
    EXPECT_FALSE(QFile::exists(Folder() + u"form_resmi.jpg"_s));

    page.FormOpaklik->setValue(70);
    EXPECT_EQ(FORM_RESMI_OKU(IniPath()).Opaklik, 70);
    page.FormResmiKaldirClick();
    EXPECT_EQ(FORM_RESMI_OKU(IniPath()).Resim, QString());
    EXPECT_TRUE(page.OnizlemeKatmani().Backdrop().isNull());
    EXPECT_FALSE(QFile::exists(Folder() + u"form_resmi.png"_s));
}

TEST_F(FormImage, ACancelledPdfCopiesNothing)
{
    WritePdf(Source.filePath(u"form.pdf"_s), QColor(200, 0, 0));
    const std::atomic<bool> cancel { true };
    EXPECT_EQ(FORM_RESMI_AL(Source.filePath(u"form.pdf"_s), Folder(), &cancel), QString());
    EXPECT_TRUE(QDir(Folder()).entryList(QDir::Files).isEmpty());
}

TEST_F(FormImage, HandEditedSettingsCannotReachOutsideTheFolder)
{
    const struct {
        const char *Why;
        QString Resim, Opaklik;
        TFormResmiAyari Expected;
    } cases[] = {
        { "a plain name is taken", u"form_resmi.png"_s, u"55"_s, { u"form_resmi.png"_s, 55 } },
        { "a path is not a name in the folder", u"../../etc/passwd"_s, u"55"_s, { QString(), 55 } },
        { "an absolute path neither", u"/etc/hostname"_s, u"0"_s, { QString(), 0 } },
        { "an opacity beyond 100 is the default", u""_s, u"250"_s, { QString(), kDefaultOpaklik } },
        { "a word is the default", u""_s, u"yarım"_s, { QString(), kDefaultOpaklik } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Why);
        TIniFile ini(IniPath());
        ini.WriteString(kSectionForm, kKeyResim, c.Resim);
        ini.WriteString(kSectionForm, kKeyOpaklik, c.Opaklik);
        EXPECT_EQ(FORM_RESMI_OKU(IniPath()), c.Expected);
    }
    // A named picture that is not there shows as none, and nothing fails.
    EXPECT_TRUE(FORM_RESMI_YUKLE(Folder(), u"form_resmi.png"_s).isNull());
}

TEST_F(FormImage, APictureThatHasGoneIsNamed)
{
    TIniFile(IniPath()).WriteString(kSectionForm, kKeyResim, u"form_resmi.png"_s);
    Start();
    EXPECT_EQ(W->AyarSayfasi()->FormResmiAdi->text(), u"(resim bulunamadı: form_resmi.png)"_s);
}

TEST_F(FormImage, ThePreviewShowsTheFormButSavesAndExportsTheSameBytes)
{
    WriteImage(Source.filePath(u"form.png"_s), "PNG", QColor(255, 0, 0));
    Start();
    TAyarSayfasi &page = *W->AyarSayfasi();
    page.FormOpaklik->setValue(40);

    // Saves the sample's pages and its PDF, and tells the colour of an empty spot of paper.
    const auto run = [&](const QString &tag) {
        QRgb paper = 0;
        Sample([&](TQRStandardPreview &preview) {
            TQRPreviewImage &image = *preview.QRPreview()->PreviewImage();
            ASSERT_TRUE(image.ImageOK());
            const QImage shot = image.grab().toImage();
            // Far below every value: the default layout puts them all at the top.
            paper = shot.pixel(shot.width() / 2, shot.height() * 3 / 4);
            Dialogs.Texts.push_back(Source.filePath(tag + u".QRP"_s));
            preview.SaveClick();
            Dialogs.Texts.push_back(Source.filePath(tag + u".PDF"_s));
            preview.SaveClick();
        });
        return paper;
    };
    const QRgb without = run(u"yok"_s);
    Dialogs.Texts.push_back(Source.filePath(u"form.png"_s));
    page.FormResmiSecClick();
    const QRgb with = run(u"var"_s);

    EXPECT_EQ(without, qRgb(255, 255, 255));
    // Red at 40 % over white.
    EXPECT_EQ(qRed(with), 255);
    EXPECT_NEAR(qGreen(with), 153, 3);
    EXPECT_NEAR(qBlue(with), 153, 3);

    for (const QString &ext : { u"QRP"_s, u"PDF"_s }) {
        const QByteArray a = Bytes(Source.filePath(u"yok."_s + ext));
        const QByteArray b = Bytes(Source.filePath(u"var."_s + ext));
        EXPECT_GT(a.size(), 100) << ext.toStdString();
        EXPECT_EQ(a, b) << ext.toStdString();
    }
    EXPECT_EQ(Dialogs.Count(TScriptedDialogs::TKind::Error), 0) << Dialogs.LastText().toStdString();
}

TEST_F(FormImage, DraggingAValueMovesItsPositionTextAsTheArrowsWould)
{
    {
        TIniFile ini(IniPath());
        ini.WriteString(u"FATURE_AYAR", u"RAPOR_SAYFASI", u"10 | 10");
        ini.WriteString(u"FATURE_AYAR", u"TARIH", u"25|140"); // hand-written, no spaces
        ini.WriteString(u"FATURE_AYAR", u"TOPLAM", u"400 | 500");
    }
    Start();
    TAyarSayfasi &page = *W->AyarSayfasi();
    const struct {
        const char *Why;
        QString Key, Word;
        QPoint By; // widget pixels at 100 %, one report pixel each
        QString Expected;
    } cases[] = {
        { "right and down", u"TARIH"_s, u"01.01.2002"_s, { 20, 10 }, u"35 | 160"_s },
        { "back left and up past where it began", u"TARIH"_s, u"01.01.2002"_s, { -30, -40 },
            u"-5 | 130"_s },
        { "a money value, right-aligned in its box", u"TOPLAM"_s, u"TOPLAM"_s, { -100, 0 },
            u"400 | 400"_s },
        { "a press and release without moving changes nothing", u"TOPLAM"_s, u"TOPLAM"_s, { 0, 0 },
            u"400 | 400"_s },
    };
    Sample([&](TQRStandardPreview &preview) {
        preview.ZoomTo100Click();
        TQRPreviewImage &image = *preview.QRPreview()->PreviewImage();
        TOnizlemeKatmani &layer = page.OnizlemeKatmani();
        for (const auto &c : cases) {
            SCOPED_TRACE(c.Why);
            const int label = InvoiceLabelOfKey(c.Key);
            const emftext::TPage pageBefore = emftext::Read(image.Metafile());
            ASSERT_NE(pageBefore.Find(c.Word), nullptr);
            const QPoint before = pageBefore.Find(c.Word)->At;
            // The middle of the value's box, in the picture's pixels (the paper starts one
            // pixel in, inside the frame).
            const QRectF box = layer.ItemRect(label);
            const QPoint grip = QPoint(1, 1)
                + QPointF(box.center().x() * 96 / 254, box.center().y() * 96 / 254).toPoint();
            ASSERT_EQ(layer.ItemAt(QPointF(box.center())), label);
            QTest::mousePress(&image, Qt::LeftButton, {}, grip);
            // In steps, as a hand moves: the text follows every one.
            QTest::mouseMove(&image, grip + c.By / 2);
            QTest::mouseMove(&image, grip + c.By);
            QTest::mouseRelease(&image, Qt::LeftButton, {}, grip + c.By);

            EXPECT_EQ(W->Ayarlar().Position(c.Key), c.Expected);
            EXPECT_EQ(page.KutuOfKey(c.Key)->text(), c.Expected);
            if (c.By != QPoint()) {
                EXPECT_TRUE(preview.windowTitle().endsWith(c.Key + u": "_s + c.Expected))
                    << preview.windowTitle().toStdString();
            }
            // The page on show was drawn again with the value in its new place.
            const emftext::TPage pageAfter = emftext::Read(image.Metafile());
            const emftext::TText *after = pageAfter.Find(c.Word);
            ASSERT_NE(after, nullptr);
            EXPECT_EQ(after->At - before, c.By);
        }
        // Nothing is written until "Ayarları Kaydet".
        EXPECT_EQ(TIniFile(IniPath()).ReadString(u"FATURE_AYAR", u"TARIH", {}), u"25|140"_s);
    });
    page.SpeedButton3Click();
    EXPECT_EQ(TIniFile(IniPath()).ReadString(u"FATURE_AYAR", u"TARIH", {}), u"-5 | 130"_s);
}

} // namespace

TEST_F(FormImage, AFolderThatRefusesTheOpacityIsSaidOncePerStreak)
{
    Start();
    TAyarSayfasi &page = *W->AyarSayfasi();
    const auto errors = [&] { return Dialogs.Count(TScriptedDialogs::TKind::Error); };
    QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(IniPath(), QFile::ReadOwner);
    {
        TNoRootPrivileges guard;
        ASSERT_TRUE(guard.Active());
        for (int value : { 50, 60, 70 })
            page.FormOpaklik->setValue(value);
        EXPECT_EQ(errors(), 1);
    }
    QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner);
    page.FormOpaklik->setValue(80);
    EXPECT_EQ(FORM_RESMI_OKU(IniPath()).Opaklik, 80);
    EXPECT_EQ(errors(), 1);
}
