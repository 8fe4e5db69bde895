#pragma once
// The main window shown and active in a folder of its own, at a fixed 96-dpi reference, for
// the tests that print or preview the invoice on it.

#include "app/frm_fatura_basimi.h"
#include "report/QRUnits.h"
#include "support/ScriptedDialogs.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class PrintingWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetQRScreenResolution(96);
        ASSERT_TRUE(Dir.isValid());
        W = std::make_unique<Tfatura_basimi>(Dialogs, TFormatSettings::Turkish(),
            Dir.path() + QStringLiteral("/"), [] { return QDate(2026, 12, 9); });
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(W.get()));
    }
    void TearDown() override { W.reset(); }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<Tfatura_basimi> W;
};
