#pragma once
// Shared set-up of the preview window tests: a fixed 96-dpi screen, the printing double, the
// scripted dialogs registered as the preview's, and run printers whose pages are recorded
// by the printer's own page sequencing.

#include "platform/Locale.h"
#include "preview/QRPrev.h"
#include "report/QRUnits.h"
#include "report/QuickRpt.h"
#include "support/FakePrinting.h"
#include "support/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

class PreviewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetQRScreenResolution(96);
        Fake = TFakePrinting::Standard();
        Scope = std::make_unique<TPrintingScope>(Fake.get());
        QRRegisterStandardPreview(Dialogs, Dir.path(), QStringLiteral("LEVANTA"));
        // Creating a report clears the saved-report-loaded flag, as at program start.
        Report = std::make_unique<TQuickRep>(TFormatSettings::Turkish());
        // The invoice report's preview settings.
        Report->SetPrevInitialZoom(qrZoomToWidth);
        Report->SetPrevShowThumbs(false);
        Report->SetPrevShowSearch(false);
        Report->SetPreviewInitialState(wsMaximized);
        Report->SetPreviewDefaultSaveType(stQRP);
    }

    void TearDown() override
    {
        delete Window.data();
        Printer.reset();
        Report.reset();
        Scope.reset();
        SetQRScreenResolution(96);
    }

    // A run printer of the report holding pages recorded pages, "Sayfa n" written on each;
    // finished unless asked to stay busy with its last page open.
    std::unique_ptr<TQRPrinter> MakePrinter(int pages, bool finish = true,
        TPrinterOrientation orientation = poPortrait, TCustomQuickRep *report = nullptr)
    {
        auto printer = std::make_unique<TQRPrinter>(report ? report : Report.get(), false);
        printer->SetDestination(qrdMetafile);
        printer->SetPaperSize(TQRPaperSize::A4);
        printer->SetOrientation(orientation);
        printer->BeginDoc();
        for (int i = 1; i <= pages; ++i) {
            printer->NewPage();
            ICanvas *canvas = printer->Canvas();
            TCanvasFont font;
            font.PointSize = 14;
            canvas->SelectFont(font);
            canvas->TextOut(QPoint(100, 100), QStringLiteral("Sayfa ") + QString::number(i));
            canvas->FillRect(QRect(100, 300, 200, 4), Qt::black);
        }
        if (finish)
            printer->EndDoc();
        return printer;
    }

    // Opens the window on Printer, shown and exposed, with the printer's notifications in.
    TQRStandardPreview *Open(int pages, bool finish = true)
    {
        Printer = MakePrinter(pages, finish);
        return OpenOn(Printer.get());
    }
    TQRStandardPreview *OpenOn(TQRPrinter *printer)
    {
        Window = new TQRStandardPreview(nullptr, printer);
        Window->show();
        Window->UpdateInfo();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window));
        Pump();
        return Window;
    }

    static void Pump()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    // True when the window has gone (closing frees it).
    bool WindowGone()
    {
        Pump();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return Window.isNull();
    }

    TQRPreview *View() const { return Window->QRPreview(); }
    int Page() const { return View()->PageNumber(); }

    QTemporaryDir Dir;
    std::unique_ptr<TFakePrinting> Fake;
    std::unique_ptr<TPrintingScope> Scope;
    TScriptedDialogs Dialogs;
    std::unique_ptr<TQuickRep> Report;
    std::unique_ptr<TQRPrinter> Printer;
    QPointer<TQRStandardPreview> Window;
};
