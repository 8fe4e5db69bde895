// The preview window driven as a user drives it: tool-bar clicks, keys, the wheel and the
// scripted dialogs, on pages recorded by a real run printer.

#include "PreviewTestSupport.h"

#include "platform/EmfPlayer.h"
#include "report/QRCtrls.h"
#include "report/QRPageList.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QWheelEvent>
#include <QtEndian>

using namespace Qt::StringLiterals;
using TKind = TScriptedDialogs::TKind;

namespace
{

TEST_F(PreviewWindowTest, InvoicePreviewOpensMaximisedAndZoomedToWidth)
{
    Open(1);
    EXPECT_TRUE(Window->isMaximized());
    EXPECT_TRUE(Window->Button(u"ZoomToWidth"_s)->isChecked());
    EXPECT_FALSE(Window->findChild<QTabWidget *>(u"Tabs"_s)->isVisible());
    EXPECT_FALSE(Window->Button(u"FindButton"_s)->isVisible());
    EXPECT_FALSE(Window->Button(u"SendReport"_s)->isVisible()) << "no Mail.ini beside the program";
    EXPECT_EQ(Window->windowTitle(), u"Report Preview : "_s);
    EXPECT_EQ(Window->StatusPanel(1), u"Page 1 of 1"_s);
    EXPECT_EQ(View()->ZoomState(), qrZoomToWidth);
    EXPECT_EQ(View()->Zoom(), QRZoomToWidthValue(View()->width(), 2100, 96));
    EXPECT_TRUE(View()->PreviewImage()->ImageOK());
    // A finished run: everything but the stop button is enabled.
    for (const char *name : { "FirstPage", "PreviousPage", "nextPage", "LastPage", "GotoPageButton",
             "copybutton", "PrintSetup", "Print", "LoadReport", "SaveReport" })
        EXPECT_TRUE(Window->Button(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_FALSE(Window->Button(u"CancelButton"_s)->isEnabled());
}

TEST_F(PreviewWindowTest, ToolBarHintsAreTheTurkishOnes)
{
    Open(1);
    const std::pair<const char *, QString> hints[] = {
        { "ZoomFit", u"Ekrana Sığdır"_s },
        { "ZoomToWidth", u"Genişliği Sığdır"_s },
        { "Zoom100", u"Rapor Görünümü %100"_s },
        { "SpeedButton1", u"Set Display Zoom"_s },
        { "FirstPage", u"İlk Sayfa"_s },
        { "PreviousPage", u"Önceki Sayfa"_s },
        { "nextPage", u"Sonraki Sayfa"_s },
        { "LastPage", u"Son Sayfa"_s },
        { "GotoPageButton", u"Sayfaya Git"_s },
        { "FindButton", u"Rapor İçinde Veri Ara"_s },
        { "copybutton", u"Rapor Kopyala"_s },
        { "PrintSetup", u"Yazıcı Ayarları"_s },
        { "Print", u"Yazdır"_s },
        { "LoadReport", u"Rapor Yükle"_s },
        { "SaveReport", u"Rapor Kaydet"_s },
        { "SendReport", u"E-Posta Gönder"_s },
        { "CancelButton", u"Yüklemeyi durdur"_s },
    };
    for (const auto &[name, hint] : hints)
        EXPECT_EQ(Window->Button(QString::fromLatin1(name))->toolTip(), hint) << name;
    auto *exit = Window->findChild<QPushButton *>(u"ExitButton"_s);
    EXPECT_EQ(exit->text(), u"&Close"_s);
    EXPECT_EQ(exit->toolTip(), u"Close Preview"_s);
    EXPECT_FALSE(Window->Button(u"SpeedButton1"_s)->isVisible());
}

TEST_F(PreviewWindowTest, MailIniBesideTheProgramShowsTheMailButton)
{
    WriteBytes(Dir.filePath(u"Mail.ini"_s), "[Mail]\r\n");
    Open(1);
    EXPECT_TRUE(Window->Button(u"SendReport"_s)->isVisible());
}

TEST_F(PreviewWindowTest, ResizingKeepsTheZoomMode)
{
    Open(1);
    Window->showNormal();
    Window->resize(900, 700);
    Pump();
    // Width mode: 90 % of the view's width.
    EXPECT_EQ(View()->Zoom(), QRZoomToWidthValue(View()->width(), 2100, 96));

    QTest::mouseClick(Window->Button(u"ZoomFit"_s), Qt::LeftButton);
    EXPECT_EQ(View()->ZoomState(), qrZoomToFit);
    Window->resize(700, 650);
    Pump();
    EXPECT_EQ(View()->Zoom(), QRZoomToFitValue(View()->width(), View()->height(), 2100, 2970, 96));

    // 100 % keeps its zoom and centres the page in the view.
    QTest::mouseClick(Window->Button(u"Zoom100"_s), Qt::LeftButton);
    Window->resize(1000, 650);
    Pump();
    EXPECT_EQ(View()->Zoom(), 100);
    const QWidget *image = View()->PreviewImage();
    EXPECT_EQ(image->width(), 798);
    EXPECT_EQ(image->x(), (View()->viewport()->width() - 798) / 2);
}

TEST_F(PreviewWindowTest, GoToPageEntries)
{
    Open(3);
    struct Row {
        const char *entry; // nullptr: the box is cancelled
        int before, after;
        const char *why;
    };
    const Row rows[] = {
        { "2", 1, 2, "a page in range" },
        { "0", 2, 1, "0 selects page 1" },
        { "abc", 3, 1, "letters select page 1" },
        { "7", 2, 1, "above the count selects page 1" },
        { "2abc", 1, 2, "2 followed by letters selects page 2" },
        { nullptr, 3, 3, "cancelling keeps the page shown" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        Window->SelectPage(r.before);
        ASSERT_EQ(Page(), r.before);
        Dialogs.Clear();
        if (r.entry)
            Dialogs.Texts.push_back(QString::fromLatin1(r.entry));
        QTest::mouseClick(Window->Button(u"GotoPageButton"_s), Qt::LeftButton);
        ASSERT_EQ(Dialogs.Count(TKind::Input), 1);
        EXPECT_EQ(Dialogs.Shown[0].Title, u"Select a page from 1 to 3"_s);
        EXPECT_EQ(Dialogs.Shown[0].Text, u"Enter page number"_s);
        EXPECT_EQ(Page(), r.after);
        EXPECT_EQ(Window->StatusPanel(1), u"Page %1 of 3"_s.arg(r.after));
    }
}

TEST_F(PreviewWindowTest, DownAndUpCrossPages)
{
    Open(2);
    ASSERT_GT(View()->VertMaximum(), TQRPreview::VertScrollStep)
        << "the page must be taller than the view";
    // Down scrolls one step at a time on page 1, then shows page 2 from its top.
    QTest::keyClick(Window, Qt::Key_Down);
    EXPECT_EQ(View()->VertPosition(), TQRPreview::VertScrollStep);
    for (int i = 0; i < 200 && Page() == 1; ++i)
        QTest::keyClick(Window, Qt::Key_Down);
    EXPECT_EQ(Page(), 2);
    EXPECT_EQ(View()->VertPosition(), 0);
    // Up at the top of page 2 shows page 1 near its bottom.
    QTest::keyClick(Window, Qt::Key_Up);
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(View()->VertPosition(), View()->VertMaximum() - TQRPreview::VertScrollStep);
    // Up at the top of page 1 stays there at 0.
    for (int i = 0; i < 200 && View()->VertPosition() > 0; ++i)
        QTest::keyClick(Window, Qt::Key_Up);
    QTest::keyClick(Window, Qt::Key_Up);
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(View()->VertPosition(), 0);
}

TEST_F(PreviewWindowTest, PageKeysAndTheWheel)
{
    Open(3);
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Row rows[] = {
        { Qt::Key_PageDown, Qt::NoModifier, 2 }, { Qt::Key_PageDown, Qt::ControlModifier, 3 },
        { Qt::Key_PageUp, Qt::NoModifier, 2 }, { Qt::Key_PageUp, Qt::ControlModifier, 1 },
        { Qt::Key_End, Qt::NoModifier, 3 }, { Qt::Key_Home, Qt::NoModifier, 1 },
        { Qt::Key_PageUp, Qt::NoModifier, 1 }, // nothing before page 1
        { Qt::Key_PageDown, Qt::ShiftModifier | Qt::ControlModifier, 2 }, // Ctrl not alone
    };
    for (const Row &r : rows) {
        QTest::keyClick(Window, r.key, r.modifiers);
        EXPECT_EQ(Page(), r.page) << QKeySequence(r.key | r.modifiers).toString().toStdString();
    }

    // The wheel toward the user acts as Down, away as Up, whichever control it turns over.
    Window->SelectPage(1);
    const auto turn = [&](QWidget *over, int delta) {
        QWheelEvent wheel(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(),
            QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &wheel);
    };
    turn(View()->viewport(), -120);
    EXPECT_EQ(View()->VertPosition(), TQRPreview::VertScrollStep);
    turn(Window->Button(u"Print"_s), -120);
    EXPECT_EQ(View()->VertPosition(), 2 * TQRPreview::VertScrollStep);
    turn(View()->viewport(), 120);
    EXPECT_EQ(View()->VertPosition(), TQRPreview::VertScrollStep);
    // Half notches add up to one.
    turn(View()->viewport(), -60);
    EXPECT_EQ(View()->VertPosition(), TQRPreview::VertScrollStep);
    turn(View()->viewport(), -60);
    EXPECT_EQ(View()->VertPosition(), 2 * TQRPreview::VertScrollStep);
}

TEST_F(PreviewWindowTest, EscWhileTheRunIsBusyDoesNotClose)
{
    Open(2, /*finish=*/false);
    // One page is finished, the second is still being drawn.
    View()->PreviewImage()->SetPageNumber(1);
    Window->QRPreviewPageAvailable(View(), 1);
    EXPECT_TRUE(Window->Button(u"CancelButton"_s)->isEnabled());
    EXPECT_FALSE(Window->Button(u"Print"_s)->isEnabled());
    EXPECT_FALSE(Window->Button(u"SaveReport"_s)->isEnabled());
    // Last page while busy is the last finished one.
    QTest::keyClick(Window, Qt::Key_End);
    EXPECT_EQ(Page(), 1);

    QTest::keyClick(Window, Qt::Key_Escape);
    EXPECT_FALSE(WindowGone());
    QTest::mouseClick(Window->findChild<QPushButton *>(u"ExitButton"_s), Qt::LeftButton);
    EXPECT_FALSE(WindowGone());

    // The stop button asks the report to stop.
    QTest::mouseClick(Window->Button(u"CancelButton"_s), Qt::LeftButton);
    EXPECT_TRUE(Report->UserCancel());

    // The run ends: its notification enables everything; now Esc closes.
    Printer->EndDoc();
    Pump();
    EXPECT_TRUE(Window->Button(u"Print"_s)->isEnabled());
    EXPECT_FALSE(Window->Button(u"CancelButton"_s)->isEnabled());
    EXPECT_EQ(Window->StatusPanel(1), u"Page 1 of 2"_s);
    QTest::keyClick(Window, Qt::Key_Escape);
    EXPECT_TRUE(WindowGone());
    EXPECT_FALSE(Printer->ShowingPreview());
}

TEST_F(PreviewWindowTest, PagesInPreviewStopsTheRun)
{
    Report->SetPagesInPreview(2);
    Open(2, /*finish=*/false);
    // Page 1 is finished while page 2 is being drawn: the run has its two pages.
    QCoreApplication::postEvent(View(), new TQRPrinterEvent(TQRPrinterEvent::PagesAvailable, 1));
    Pump();
    EXPECT_TRUE(Report->UserCancel()) << "two pages were wanted and two exist";
}

// An export filter that only notes that it ran, standing in for the PDF writer.
struct TNotingFilter : TQRExportFilter {
    using TQRExportFilter::TQRExportFilter;
    static inline QStringList Created;
    void TextOut(long double, long double, const TQRFont &, const QColor &, TAlignment,
        const QString &) override
    {
    }
};

class PreviewSaveTest : public PreviewWindowTest
{
protected:
    void SetUp() override
    {
        PreviewWindowTest::SetUp();
        TNotingFilter::Created.clear();
        TQRExportFilterLibrary::Add(
            { u"PDF document"_s, u"PDF"_s, u"PDF document filter"_s, [](const QString &name) {
                 TNotingFilter::Created << name;
                 return std::make_unique<TNotingFilter>(name);
             } });
    }
    void TearDown() override
    {
        TQRExportFilterLibrary::Remove(u"PDF document"_s);
        PreviewWindowTest::TearDown();
    }
    // Saves under name with file type entry (1-based) chosen.
    void Save(const QString &name, int entry)
    {
        const QStringList types
            = QRFileDialogFilter(QRSaveFileTypes(stQRP, TQRExportFilterLibrary::Filters()))
                  .split(u";;"_s);
        const std::deque<IDialogs::TAnswer> answers = Dialogs.Answers;
        Dialogs.Clear();
        Dialogs.Answers = answers;
        Dialogs.Texts.push_back(name);
        Dialogs.SelectedFilters.push_back(types.value(entry - 1));
        QTest::mouseClick(Window->Button(u"SaveReport"_s), Qt::LeftButton);
    }
    QByteArray StoredPages()
    {
        const QString path = Dir.filePath(u"reference.QRP"_s);
        Printer->Save(path);
        return ReadBytes(path);
    }
};

TEST_F(PreviewSaveTest, TheDialogOffersTheSavedReportFileFirst)
{
    Open(1);
    Save(QString(), 1); // cancelled
    ASSERT_EQ(Dialogs.Count(TKind::SaveFile), 1);
    EXPECT_EQ(Dialogs.Shown[0].Title, u"Save report"_s);
    EXPECT_EQ(Dialogs.Shown[0].Text, u".QRP (*.QRP);;Velvana file(*.QRP);;PDF document (*.PDF)"_s);
    EXPECT_EQ(Dialogs.Folders.value(0), u"*.QRP"_s);
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files).isEmpty())
        << "a cancelled save writes nothing";
}

TEST_F(PreviewSaveTest, SaveTypeRules)
{
    Open(2);
    const QByteArray pages = StoredPages();
    struct Row {
        const char *name;
        int entry;
        const char *written; // the saved report file expected, or nullptr
        const char *exported; // the file handed to the PDF filter, or nullptr
        const char *why;
    };
    const Row rows[] = {
        { "a", 2, "a.QRP", nullptr, "no extension with the second type appends .QRP" },
        { "b", 1, "b.QRP", nullptr, "no extension with the first type: the default .QRP" },
        { "c.pdf", 2, nullptr, "c.pdf", ".pdf makes a PDF whatever the type" },
        { "d.pdf", 1, nullptr, "d.pdf", ".pdf with the first type too" },
        { "e", 3, nullptr, "e.PDF", "the PDF type appends its extension" },
        { "f.txt", 1, nullptr, nullptr, ".txt names no format: nothing" },
        { "g.html", 2, nullptr, nullptr, ".html is HTM, which no filter offers" },
        { "h.qrp", 3, "h.qrp", nullptr, "a .qrp name is a saved report whatever the type" },
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.why);
        TNotingFilter::Created.clear();
        const QStringList before = QDir(Dir.path()).entryList(QDir::Files);
        Save(Dir.filePath(QString::fromLatin1(r.name)), r.entry);
        if (r.written) {
            EXPECT_EQ(ReadBytes(Dir.filePath(QString::fromLatin1(r.written))), pages);
        }
        // The window's own PDF filter takes the place of the test's while the window lives.
        if (r.exported) {
            EXPECT_TRUE(
                ReadBytes(Dir.filePath(QString::fromLatin1(r.exported))).startsWith("%PDF-1.3"));
        }
        if (!r.written && !r.exported) {
            EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), before);
        }
    }
}

TEST_F(PreviewSaveTest, AnAppendedExtensionDoesNotReplaceAFileUnasked)
{
    Open(1);
    const QString existing = Dir.filePath(u"fatura.QRP"_s);
    WriteBytes(existing, "keep me");
    // The dialog confirmed "fatura", which did not exist; "fatura.QRP" does.
    Dialogs.Answers = { IDialogs::TAnswer::No };
    Save(Dir.filePath(u"fatura"_s), 2);
    ASSERT_EQ(Dialogs.Count(TKind::YesNo), 1);
    EXPECT_TRUE(Dialogs.Shown.back().Text.contains(u"already exists"_s));
    EXPECT_EQ(ReadBytes(existing), QByteArray("keep me"));

    Dialogs.Answers = { IDialogs::TAnswer::Yes };
    Save(Dir.filePath(u"fatura"_s), 2);
    EXPECT_EQ(ReadBytes(existing), StoredPages());
}

TEST_F(PreviewWindowTest, LoadShowsTheFileWithItsPaper)
{
    // A saved report of two landscape A4 pages.
    auto other = MakePrinter(2, true, poLandscape);
    const QString file = Dir.filePath(u"yatay.QRP"_s);
    other->Save(file);
    other.reset();

    Open(1);
    Dialogs.Texts = { Dir.filePath(u"yok.QRP"_s) };
    QTest::mouseClick(Window->Button(u"LoadReport"_s), Qt::LeftButton);
    ASSERT_EQ(Dialogs.Count(TKind::Information), 1);
    EXPECT_EQ(Dialogs.LastText(), u"File does not exist"_s);
    EXPECT_EQ(Dialogs.Shown[0].Title, u"Load report"_s);
    EXPECT_EQ(Dialogs.Shown[0].Text, u"Velvana file (*.QRP)"_s);
    EXPECT_EQ(Window->StatusPanel(1), u"Page 1 of 1"_s) << "a missing file changes nothing";
    EXPECT_FALSE(QRSavedReportLoaded());

    Dialogs.Clear();
    Dialogs.Texts = { file };
    QTest::mouseClick(Window->Button(u"LoadReport"_s), Qt::LeftButton);
    EXPECT_EQ(Dialogs.Count(TKind::Error), 0) << Dialogs.LastText().toStdString();
    EXPECT_EQ(Window->StatusPanel(1), u"Page 1 of 2"_s);
    EXPECT_EQ(Window->StatusPanel(2), QFileInfo(file).absoluteFilePath());
    EXPECT_TRUE(QRSavedReportLoaded());
    EXPECT_EQ(Window->ReportOrientation(), poLandscape);
    EXPECT_EQ(Report->Page().Orientation(), poLandscape);
    EXPECT_EQ(Report->Page().PaperSize(), TQRPaperSize::A4);
    EXPECT_TRUE(View()->PreviewImage()->ImageOK());
    // The picture is now as wide as the landscape page.
    EXPECT_GT(View()->PreviewImage()->width(), View()->PreviewImage()->height());
    EXPECT_TRUE(Window->Button(u"Print"_s)->isEnabled());
}

TEST_F(PreviewWindowTest, PrintAfterALoadedReportPrintsTheStoredPages)
{
    auto stored = MakePrinter(3);
    const QString file = Dir.filePath(u"uc.QRP"_s);
    stored->Save(file);
    stored.reset();

    // Before any load, Print runs the report again (it has no bands: no page reaches the
    // printer).
    Open(1);
    QTest::mouseClick(Window->Button(u"Print"_s), Qt::LeftButton);
    EXPECT_EQ(Dialogs.Count(TKind::Error), 0) << Dialogs.LastText().toStdString();
    const std::size_t jobsBefore = Fake->Jobs.size();
    for (const TFakeJob &job : Fake->Jobs)
        EXPECT_NE(job.Pages.size(), 3u);

    Dialogs.Texts = { file };
    QTest::mouseClick(Window->Button(u"LoadReport"_s), Qt::LeftButton);
    QTest::mouseClick(Window->Button(u"Print"_s), Qt::LeftButton);
    ASSERT_EQ(Fake->Jobs.size(), jobsBefore + 1);
    EXPECT_EQ(Fake->Jobs.back().Pages.size(), 3u);
    EXPECT_TRUE(Fake->Jobs.back().Ended);

    // A later preview of the same report, on its own pages, prints them too.
    delete Window.data();
    Printer = MakePrinter(2);
    OpenOn(Printer.get());
    QTest::mouseClick(Window->Button(u"Print"_s), Qt::LeftButton);
    ASSERT_EQ(Fake->Jobs.size(), jobsBefore + 2);
    EXPECT_EQ(Fake->Jobs.back().Pages.size(), 2u);
}

TEST_F(PreviewWindowTest, CopyPutsThePageOnTheClipboard)
{
    Open(2);
    Window->SelectPage(2);
    QTest::mouseClick(Window->Button(u"copybutton"_s), Qt::LeftButton);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    const std::optional<TQRPagePicture> page = Printer->GetPage(2);
    ASSERT_TRUE(page);
    EXPECT_EQ(data->data(u"image/x-emf"_s), *page);
    const QImage image = qvariant_cast<QImage>(data->imageData());
    ASSERT_FALSE(image.isNull());
    // At twice the screen's resolution: an A4 page of 794 pixels becomes about 1588.
    EXPECT_NEAR(image.width(), 1588, 4);
}

TEST_F(PreviewWindowTest, StandPrevEventCanTakeActionsOver)
{
    std::vector<std::pair<TStandPrevEventType, QString>> raised;
    Report->OnStandPrevEvent
        = [&](QObject *sender, TStandPrevEventType type, const QString &name, bool &handled) {
              EXPECT_FALSE(handled);
              EXPECT_EQ(sender, Window.data() ? static_cast<QObject *>(Window.data()) : sender);
              raised.emplace_back(type, name);
              handled = type == spSave || type == spPrint || type == spLoad;
          };
    Open(1);
    QTest::mouseClick(Window->Button(u"SaveReport"_s), Qt::LeftButton);
    QTest::mouseClick(Window->Button(u"Print"_s), Qt::LeftButton);
    QTest::mouseClick(Window->Button(u"LoadReport"_s), Qt::LeftButton);
    EXPECT_TRUE(Dialogs.Shown.empty()) << "the handler took save and load over";
    EXPECT_TRUE(Fake->Jobs.empty()) << "the handler took print over";
    QTest::keyClick(Window, Qt::Key_Escape);
    EXPECT_TRUE(WindowGone());
    const std::vector<std::pair<TStandPrevEventType, QString>> expected = {
        { spOpen, QString() },
        { spSave, u"Save"_s },
        { spPrint, u"Print"_s },
        { spLoad, u"Load"_s },
        { spClose, QString() },
    };
    EXPECT_EQ(raised, expected);
}

TEST_F(PreviewWindowTest, AReportlessPrinterOpensWithEverything)
{
    // A printer of no report (a saved report opened on its own).
    Printer = std::make_unique<TQRPrinter>(nullptr, false);
    auto stored = MakePrinter(1);
    const QString file = Dir.filePath(u"tek.QRP"_s);
    stored->Save(file);
    stored.reset();
    Printer->Load(file);
    OpenOn(Printer.get());
    EXPECT_TRUE(Window->isMaximized());
    EXPECT_TRUE(Window->findChild<QTabWidget *>(u"Tabs"_s)->isVisible());
    EXPECT_TRUE(Window->Button(u"FindButton"_s)->isVisible());
    EXPECT_EQ(View()->Zoom(), 100);
    EXPECT_TRUE(Window->Button(u"Zoom100"_s)->isChecked());
    EXPECT_TRUE(View()->PreviewImage()->ImageOK());
}

TEST_F(PreviewWindowTest, ProgressShowsEveryFifthPercentInPanelZero)
{
    Open(1);
    struct Row {
        int progress;
        const char *panel;
    };
    const Row rows[]
        = { { 3, "1%" }, { 5, "5%" }, { 7, "5%" }, { 10, "10%" }, { 50, "50%" }, { 100, "" } };
    Window->UpdateInfo();
    Window->findChild<QLabel *>(u"StatusPanel0"_s)->setText(u"1%"_s);
    for (const Row &r : rows) {
        QCoreApplication::postEvent(
            View(), new TQRPrinterEvent(TQRPrinterEvent::Progress, r.progress));
        Pump();
        EXPECT_EQ(Window->StatusPanel(0), QString::fromLatin1(r.panel)) << r.progress;
    }
}

} // namespace

namespace
{

// The whole road: the report's Preview opens the registered window, the run's pages reach it
// through the printer's notifications, and closing the window ends Preview and frees the
// printer with its pages.
TEST_F(PreviewWindowTest, ThePreviewOfAReportRunsUntilItsWindowCloses)
{
    Report->SetReportTitle(u"Fatura"_s);
    auto *band = new TQRBand(Report.get());
    band->SetBandType(rbTitle);
    band->Size().SetHeight(200);
    auto *label = new TQRLabel(band);
    label->SetCaption(u"Sayın müşterimiz"_s);
    label->Size().SetLeft(100);
    label->Size().SetTop(100);

    bool checked = false;
    int ticks = 0;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TQRStandardPreview *window = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<TQRStandardPreview *>(w); p && p->isVisible())
                window = p;
        if (!window || !window->QRPreview()->PreviewImage()->ImageOK()) {
            // Never hang the suite: after about five seconds the preview is closed.
            if (++ticks > 250 && Report->QRPrinter())
                Report->QRPrinter()->ClosePreview();
            return;
        }
        poll.stop();
        EXPECT_EQ(window->windowTitle(), u"Report Preview : Fatura"_s);
        EXPECT_EQ(window->StatusPanel(1), u"Page 1 of 1"_s);
        EXPECT_EQ(window->StatusPanel(2), u"Fatura"_s);
        EXPECT_TRUE(window->Button(u"SaveReport"_s)->isEnabled());
        // A second preview while this one is open opens nothing.
        Report->Preview();
        int open = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            open += qobject_cast<TQRStandardPreview *>(w) && w->isVisible();
        EXPECT_EQ(open, 1);
        checked = true;
        QTest::keyClick(window, Qt::Key_Escape);
    });
    poll.start();
    Report->Preview();
    EXPECT_TRUE(checked);
    EXPECT_EQ(Report->QRPrinter(), nullptr) << "closing the window frees the run printer";
}

} // namespace

namespace
{

TEST_F(PreviewWindowTest, FocusEnteringTheViewReappliesTheZoomButTheWindowComingBackDoesNot)
{
    Open(1);
    struct Row {
        Qt::FocusReason reason;
        bool reapplied;
    };
    const Row rows[] = {
        { Qt::ActiveWindowFocusReason, false }, // back from another program: stay where we read
        { Qt::PopupFocusReason, false },
        { Qt::TabFocusReason, true },
        { Qt::OtherFocusReason, true },
    };
    for (const Row &r : rows) {
        View()->SetVertPosition(3 * TQRPreview::VertScrollStep);
        QFocusEvent focus(QEvent::FocusIn, r.reason);
        QApplication::sendEvent(View(), &focus);
        EXPECT_EQ(View()->VertPosition(), r.reapplied ? 0 : 3 * TQRPreview::VertScrollStep)
            << r.reason;
    }
}

} // namespace

TEST_F(PreviewWindowTest, ARewoundPrinterTakesTheSameRunAgainFromNothing)
{
    // A value moved in the preview runs the report again into the window's own printer.
    Printer = MakePrinter(2);
    Printer->Rewind();
    EXPECT_EQ(Printer->Status(), mpReady);
    EXPECT_EQ(Printer->PageCount(), 0);
    EXPECT_FALSE(Printer->GetPage(1));
    Printer->BeginDoc();
    Printer->NewPage();
    Printer->Canvas()->SelectFont(TCanvasFont {});
    Printer->Canvas()->TextOut(QPoint(100, 100), u"Yeni"_s);
    Printer->EndDoc();
    ASSERT_EQ(Printer->PageCount(), 1);
    const auto page = Printer->GetPage(1);
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->contains(QByteArray("Y\0e\0n\0i\0", 8)));

    // A run still going is left alone.
    auto busy = MakePrinter(1, /*finish*/ false);
    busy->Rewind();
    EXPECT_EQ(busy->Status(), mpBusy);
}

TEST_F(PreviewWindowTest, UnderATurkishLocaleTheEngineSpeaksTurkish)
{
    EXPECT_EQ(QRLoadEngineTexts(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)), nullptr)
        << "the source texts stay for everyone else";
    QTranslator *turkish = QRLoadEngineTexts(*qApp, QLocale(QLocale::Turkish, QLocale::Turkey));
    ASSERT_TRUE(turkish) << "the compiled Turkish texts are not carried in the program";
    const auto remove = qScopeGuard([&] {
        QCoreApplication::removeTranslator(turkish);
        delete turkish;
    });
    Open(1);
    EXPECT_EQ(Window->windowTitle(), u"Rapor Önizleme : "_s);
    EXPECT_EQ(Window->StatusPanel(1), u"Sayfa 1 / 1"_s);
    EXPECT_EQ(Window->findChild<QAbstractButton *>(u"ExitButton"_s)->text(), u"&Kapat"_s);
    QTest::mouseClick(Window->Button(u"GotoPageButton"_s), Qt::LeftButton);
    ASSERT_FALSE(Dialogs.Shown.empty());
    EXPECT_EQ(Dialogs.Shown.back().Title, u"1 ile 1 arasında bir sayfa seçin"_s);
    EXPECT_EQ(NoDefaultPrinterText(), u"Şu anda seçili bir varsayılan yazıcı yok"_s);
    EXPECT_TRUE(PrintServiceDownText().startsWith(u"Yazdırma hizmeti"_s));
}

TEST_F(PreviewWindowTest, TheZoomBoxFollowsTheZoomButtons)
{
    Open(1);
    const auto shown = [&] { return QString::number(View()->Zoom()) + u"%"_s; };
    for (const char *button : { "Zoom100", "ZoomFit", "ZoomToWidth" }) {
        QTest::mouseClick(Window->Button(QString::fromLatin1(button)), Qt::LeftButton);
        EXPECT_EQ(Window->StatusPanel(0), shown()) << button;
    }
    EXPECT_EQ(Window->StatusPanel(0), u"%1%"_s.arg(QRZoomToWidthValue(View()->width(), 2100, 96)));
}

TEST_F(PreviewWindowTest, ADamagedPageIsNamedWithWhyAndTheWindowStaysUsable)
{
    // A saved report of three pages whose third page's second record claims more bytes than
    // the page holds: the file loads (bodies are read as they are shown), the page cannot play.
    auto stored = MakePrinter(3);
    const QString file = Dir.filePath(u"bozuk.QRP"_s);
    stored->Save(file);
    stored.reset();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype header = bytes.lastIndexOf(" EMF") - 40; // the third page's header
    ASSERT_GT(header, 0);
    const quint32 headerSize = qFromLittleEndian<quint32>(bytes.constData() + header + 4);
    qToLittleEndian<quint32>(0x7ffffff0u, bytes.data() + header + headerSize + 4);
    f.seek(0);
    f.write(bytes);
    f.close();

    Open(1);
    Dialogs.Texts = { file };
    QTest::mouseClick(Window->Button(u"LoadReport"_s), Qt::LeftButton);
    ASSERT_EQ(Window->StatusPanel(1), u"Page 1 of 3"_s) << Dialogs.LastText().toStdString();
    TQRPreviewImage *image = View()->PreviewImage();
    image->grab();
    EXPECT_TRUE(image->Damage().isEmpty()) << image->Damage().toStdString();

    QTest::mouseClick(Window->Button(u"LastPage"_s), Qt::LeftButton);
    image->grab(); // the picture plays as it is painted
    EXPECT_FALSE(image->Damage().isEmpty());
    EXPECT_TRUE(Window->StatusPanel(2).startsWith(u"Page 3 is damaged: "_s))
        << Window->StatusPanel(2).toStdString();

    // The window still goes back to a whole page, and the status bar forgets the damage.
    QTest::mouseClick(Window->Button(u"FirstPage"_s), Qt::LeftButton);
    image->grab();
    EXPECT_EQ(Window->StatusPanel(1), u"Page 1 of 3"_s);
    EXPECT_TRUE(image->Damage().isEmpty());
    EXPECT_FALSE(Window->StatusPanel(2).contains(u"damaged"_s));
}
